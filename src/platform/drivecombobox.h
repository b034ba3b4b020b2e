#pragma once

#include <QComboBox>
#include <functional>
#include <string>
#include <vector>

#include "platform/useraction.h"
#include "platform/volumes.h"

namespace corvane {

// The drive selector: one entry per volume of the volume table (taken when the
// selector is created), each its mount point and label. It starts on the
// volume of the current directory.
class TDriveComboBox : public QComboBox {
    Q_OBJECT

public:
    explicit TDriveComboBox(QWidget* parent = nullptr,
                            VolumeState& volumes = VolumeState::Process());

    // The selected volume's mount point; empty when none is selected.
    const std::string& Drive() const { return drive_; }

    // Takes the volume that holds `mountPointOrPath` (a mount point is its own
    // volume). When an entry is selected and that volume is Drive, nothing
    // happens; otherwise it becomes Drive, its entry is selected (none for a
    // relative path) and the change event is raised.
    void SetDrive(const std::string& mountPointOrPath);

    // The change event that the platform raises once when the selector's window
    // is created. Call it after the handlers are installed.
    void RaiseInitialChange();

    // What a user's pick of entry `index` does, inside the guard: SetDrive to its
    // volume, then the change event once more in any case. Picks with the mouse or
    // the keyboard arrive here.
    void PickEntry(int index);

    // The mount point of entry `index`.
    const std::string& EntryDrive(int index) const;

    // Runs inside the SetDrive or pick that raised it; what it raises leaves them.
    void SetOnChange(std::function<void()> handler) { onChange_ = std::move(handler); }
    void SetGuard(UserActionGuard guard) { guard_ = std::move(guard); }

private:
    int EntryOf(const std::string& drive) const;
    void RaiseChange();

    std::vector<std::string> mountPoints_;
    std::string drive_;
    std::function<void()> onChange_;
    UserActionGuard guard_;
};

}  // namespace corvane
