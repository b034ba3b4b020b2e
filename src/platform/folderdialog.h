#pragma once

#include <string>
#include <utility>

#include "platform/dialogs.h"

class QWidget;

namespace corvane {

// The folder dialog that the three ".." buttons share. Its one piece of state
// is Directory: empty at start, then the folder last confirmed through it.
class TBrowseFolder {
public:
    static constexpr const char* kDefaultTitle = "Select Encoder Directory";

    explicit TBrowseFolder(Dialogs& dialogs = SystemDialogs());

    const std::string& Title() const { return title_; }
    void SetTitle(std::string title) { title_ = std::move(title); }
    const std::string& Directory() const { return directory_; }

    // Shows the modal dialog over `owner` with folders only. Directory is
    // preselected when it names an existing folder; otherwise nothing is. On OK
    // Directory becomes the chosen folder's full path, without a trailing
    // separator except for the root, and the result is true; on Cancel
    // Directory stays and the result is false.
    bool Execute(QWidget* owner);

private:
    Dialogs& dialogs_;
    std::string title_ = kDefaultTitle;
    std::string directory_;
};

}  // namespace corvane
