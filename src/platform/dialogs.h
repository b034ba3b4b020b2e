#pragma once

#include <optional>
#include <string>

class QWidget;

namespace corvane {

// The application's modal boxes. Everything that shows one goes through this
// interface, so tests replace the real boxes with a recording double.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Application-modal box: the text, one OK button, no icon.
    virtual void MessageBox(const std::string& text, const std::string& caption) = 0;
    // Application-modal box: the text, one OK button, the stop icon.
    virtual void ErrorBox(const std::string& text, const std::string& caption) = 0;
    // Modal folder picker over `owner`, showing folders only; `preselect` is an
    // existing folder to select, or empty for none. The chosen folder's path, or
    // nothing when the user cancelled.
    virtual std::optional<std::string> ChooseFolder(QWidget* owner, const std::string& title,
                                                    const std::string& preselect) = 0;
};

// The Qt boxes: QMessageBox with plain text, and Qt's own (non-native) folder
// dialog, opened at the file system root when nothing is preselected.
Dialogs& SystemDialogs();

// Where the folder dialog stands over its owner's frame: centred horizontally,
// its top a quarter of the owner's height below the owner's top (integer
// halves and quarters, rounded toward zero).
struct DialogPosition {
    int x;
    int y;
};
DialogPosition FolderDialogPosition(int ownerLeft, int ownerTop, int ownerWidth, int ownerHeight,
                                    int dialogWidth);

}  // namespace corvane
