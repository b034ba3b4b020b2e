#pragma once

#include <string>

#include "platform/namelistbox.h"
#include "platform/volumes.h"

namespace corvane {

// The file list: the names of the files in one folder that match "*.wav", with
// extended multiple selection. The names are read when the list enters a folder
// (and when it is created, from the current directory) and at no other time;
// within a folder list's change event they come from the folder list's read of
// the same folder (VolumeState::OfferWavFiles).
class TFileListBox : public NameListBox {
    Q_OBJECT

public:
    explicit TFileListBox(QWidget* parent = nullptr, VolumeState& volumes = VolumeState::Process());

    static constexpr const char* kMask = "*.wav";

    // The folder shown, as the platform reported it on entering; empty when the
    // current directory could not be read at creation.
    const std::string& Directory() const { return directory_; }

    // When `drive` is not the volume of Directory, shows the platform's current
    // folder on `drive` (as ApplyFilePath); otherwise nothing.
    void SetDrive(const std::string& drive);

    // An empty path does nothing; a path equal to Directory (as file names) does
    // nothing; any other is entered and its names read. A folder that cannot be
    // entered raises EInOutError and the list stays as it was.
    void ApplyFilePath(const std::string& path);

private:
    VolumeState& volumes_;
    std::string directory_;
};

}  // namespace corvane
