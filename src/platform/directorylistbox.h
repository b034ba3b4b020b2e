#pragma once

#include <QIcon>
#include <QListView>
#include <functional>
#include <string>
#include <vector>

#include "platform/useraction.h"
#include "platform/volumes.h"

namespace corvane {

// One entry of the folder list.
struct FolderEntry {
    enum class Kind { Path, Current, Subfolder };

    std::string path;  // the folder the entry opens
    std::string name;  // the text it shows (bytes): the mount point for the root
    int depth = 0;     // indentation level
    Kind kind = Kind::Path;

    bool operator==(const FolderEntry&) const = default;
};

// The entries of a folder list at `directory` on the volume mounted at `drive`:
// the volume's root and each folder down to `directory` (the last one Current),
// then `subfolders`, one level deeper.
std::vector<FolderEntry> FolderListEntries(const std::string& drive, const std::string& directory,
                                           const std::vector<std::string>& subfolders);

// The folder list. Its folder is the process's current directory after each
// change; a double click on an entry, or Enter, opens that entry's folder.
class TDirectoryListBox : public QListView {
    Q_OBJECT

public:
    explicit TDirectoryListBox(QWidget* parent = nullptr,
                               VolumeState& volumes = VolumeState::Process());

    // The current folder, as the platform reported it on entering; at creation
    // the current directory (empty when it could not be read).
    const std::string& Directory() const { return directory_; }

    // An empty path, or one equal to Directory (as file names), does nothing.
    // Otherwise the folder (a trailing separator dropped) is entered, Directory
    // becomes the folder as the platform then reports it, the entries are
    // rebuilt and the change event is raised. A folder that cannot be entered
    // raises EInOutError and the list stays as it was.
    void SetDirectory(const std::string& path);

    // The mount point of the volume that holds Directory.
    std::string Drive() const;
    // When `drive` differs from Drive, opens the platform's current folder on it.
    void SetDrive(const std::string& drive);

    const std::vector<FolderEntry>& Entries() const;
    // The index of the current folder's entry; -1 when there are no entries.
    int CurrentEntry() const { return currentEntry_; }

    // What a double click on entry `index` or Enter on it does: opens its folder,
    // inside the guard.
    void OpenEntry(int index);

    // Raised after each successful change of folder, and at no other time. It
    // runs inside the SetDirectory that caused it; what it raises leaves SetDirectory.
    void SetOnChange(std::function<void()> handler) { onChange_ = std::move(handler); }
    void SetGuard(UserActionGuard guard) { guard_ = std::move(guard); }

    static constexpr int kIndent = 8;
    static constexpr int kDepthRole = Qt::UserRole;
    static constexpr int kPathRole = Qt::UserRole + 1;

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    class Model;

    void Rebuild(const std::vector<std::string>& subfolders);

    VolumeState& volumes_;
    Model* model_;
    std::string directory_;
    int currentEntry_ = -1;
    std::function<void()> onChange_;
    UserActionGuard guard_;
};

}  // namespace corvane
