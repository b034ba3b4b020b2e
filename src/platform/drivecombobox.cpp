#include "platform/drivecombobox.h"

#include <QByteArray>
#include <QStyle>
#include <algorithm>
#include <array>
#include <string_view>

#include "platform/exception.h"
#include "platform/paths.h"

namespace corvane {

namespace {

QStyle::StandardPixmap DriveIcon(std::string_view fileSystem) {
    constexpr std::array<std::string_view, 9> kNetwork = {
        "nfs", "nfs4", "cifs", "smb3", "smbfs", "fuse.sshfs", "9p", "davfs", "fuse.rclone"};
    constexpr std::array<std::string_view, 2> kDisc = {"iso9660", "udf"};
    if (std::find(kNetwork.begin(), kNetwork.end(), fileSystem) != kNetwork.end()) {
        return QStyle::SP_DriveNetIcon;
    }
    if (std::find(kDisc.begin(), kDisc.end(), fileSystem) != kDisc.end()) {
        return QStyle::SP_DriveCDIcon;
    }
    return QStyle::SP_DriveHDIcon;
}

}  // namespace

TDriveComboBox::TDriveComboBox(QWidget* parent, VolumeState& volumes) : QComboBox(parent) {
    setAccessibleName(QStringLiteral("Drive"));
    for (const Volume& volume : volumes.Volumes()) {
        const std::string text = VolumeText(volume);
        addItem(
            style()->standardIcon(DriveIcon(volume.fileSystem)),
            QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
            QByteArray(volume.mountPoint.data(), static_cast<qsizetype>(volume.mountPoint.size())));
        mountPoints_.push_back(volume.mountPoint);
    }
    if (const auto current = CurrentDirectory()) {
        drive_ = MountPointOf(mountPoints_, *current);
    }
    setCurrentIndex(EntryOf(drive_));
    connect(this, &QComboBox::activated, this, &TDriveComboBox::PickEntry);
}

void TDriveComboBox::SetDrive(const std::string& mountPointOrPath) {
    const std::string drive = MountPointOf(mountPoints_, mountPointOrPath);
    if (currentIndex() >= 0 && drive == drive_) {
        return;
    }
    drive_ = drive;
    setCurrentIndex(EntryOf(drive_));
    RaiseChange();
}

void TDriveComboBox::RaiseInitialChange() {
    RaiseChange();
}

void TDriveComboBox::PickEntry(int index) {
    if (index < 0 || index >= count()) {
        return;
    }
    const std::string drive = mountPoints_[static_cast<size_t>(index)];
    RunUserAction(guard_, [this, &drive] {
        SetDrive(drive);
        RaiseChange();
    });
}

const std::string& TDriveComboBox::EntryDrive(int index) const {
    if (index < 0 || index >= count()) {
        throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
    }
    return mountPoints_[static_cast<size_t>(index)];
}

int TDriveComboBox::EntryOf(const std::string& drive) const {
    const auto found = std::find(mountPoints_.begin(), mountPoints_.end(), drive);
    return found == mountPoints_.end() || drive.empty()
               ? -1
               : static_cast<int>(found - mountPoints_.begin());
}

void TDriveComboBox::RaiseChange() {
    if (onChange_) {
        onChange_();
    }
}

}  // namespace corvane
