#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// One mounted volume standing in for a drive. All texts are bytes as the kernel
// gives them (mount points unescaped).
struct Volume {
    std::string mountPoint;
    std::string source;
    std::string fileSystem;
    std::string label;  // empty when the volume has none

    bool operator==(const Volume&) const = default;
};

// Undoes the octal escapes (\040 for a blank, \011, \012, \134) of a mountinfo
// field, and the \xHH escapes of a /dev/disk/by-label name.
std::string UnescapeMountField(std::string_view field);

// Whether a mount holds a file system that a user keeps files on. Kernel and
// pseudo file systems (proc, sysfs, cgroup, devpts, ...), package images
// (squashfs) and ramfs are left out by type; so is anything mounted at or below
// /proc, /sys and /dev, and tmpfs at or below /run. Disks, removable media,
// network shares, overlay (a container's root) and other tmpfs (/tmp) stay.
bool IsUserVolume(std::string_view fileSystem, std::string_view mountPoint);

// The user volumes of a /proc/self/mountinfo text: one per mount point (a later
// mount over the same point replaces the earlier one), sorted by mount point in
// byte order, "/" always present, labels empty. Lines that do not parse are skipped.
std::vector<Volume> ParseMountInfo(std::string_view text);

// Labels of block devices, from the symlinks of `labelFolder`, keyed by the
// device path each resolves to.
std::map<std::string, std::string> ReadVolumeLabels(
    const std::string& labelFolder = "/dev/disk/by-label");

// The user volumes mounted now whose mount points are folders, with their labels.
std::vector<Volume> ReadMountedVolumes(const std::string& mountInfoPath = "/proc/self/mountinfo",
                                       const std::string& labelFolder = "/dev/disk/by-label");

// The text a drive selector shows: the mount point, then a blank and the label in
// square brackets when there is one.
std::string VolumeText(const Volume& volume);

// The longest of `mountPoints` that is a prefix of the absolute `path` at a
// component boundary ("/mnt/a" holds "/mnt/a" and "/mnt/a/b", not "/mnt/ab");
// empty when none is (a relative or empty path).
std::string MountPointOf(const std::vector<std::string>& mountPoints, std::string_view path);

// The platform's state of the drives: the volume table taken once, and the
// folder last entered on each volume. The browsers of one window share one.
class VolumeState {
public:
    // The volumes mounted now; the current directory counts as entered on its volume.
    VolumeState();
    explicit VolumeState(std::vector<Volume> volumes);

    const std::vector<Volume>& Volumes() const { return volumes_; }
    const std::vector<std::string>& MountPoints() const { return mountPoints_; }

    // The mount point of the volume that holds `path`; empty for a relative path.
    std::string DriveOf(std::string_view path) const;

    // The folder last entered on the volume mounted at `drive`, else `drive` itself.
    std::string CurrentFolderOn(const std::string& drive) const;

    // Makes `path` the process's current directory and returns the folder text
    // as getcwd then reports it. A folder that cannot be entered, or cannot be
    // listed, raises EInOutError with the system's code, and the current
    // directory stays as it was.
    std::string Enter(const std::string& path);

    // A change of folder reads the folder once. The folder list offers the WAV
    // files it read together with the subfolders; a file list that enters the
    // same folder while the offer stands (within the folder list's change event)
    // takes them instead of reading the folder a second time. The offer is
    // withdrawn when the returned object goes.
    class WavFilesOffer {
    public:
        explicit WavFilesOffer(VolumeState& state) : state_(state) {}
        ~WavFilesOffer() { state_.offered_.reset(); }
        WavFilesOffer(const WavFilesOffer&) = delete;
        WavFilesOffer& operator=(const WavFilesOffer&) = delete;

    private:
        VolumeState& state_;
    };
    [[nodiscard]] WavFilesOffer OfferWavFiles(const std::string& folder,
                                              std::vector<std::string> names);
    // The offered names when they are those of `folder`; each offer is taken once.
    std::optional<std::vector<std::string>> TakeWavFiles(const std::string& folder);

    // The program's one instance, made on first use.
    static VolumeState& Process();

private:
    struct Offered {
        std::string folder;
        std::vector<std::string> names;
    };

    void NoteEntered(const std::string& folder);

    std::vector<Volume> volumes_;
    std::vector<std::string> mountPoints_;
    std::map<std::string, std::string> lastEntered_;
    std::optional<Offered> offered_;
};

}  // namespace corvane
