#include "platform/volumes.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include "platform/exception.h"
#include "platform/paths.h"

namespace corvane {

namespace {

// Kernel interfaces and package images, never a place for the user's files.
constexpr std::string_view kPseudoFileSystems[] = {
    "autofs",          "binfmt_misc", "bpf",         "cgroup",    "cgroup2",
    "configfs",        "debugfs",     "devpts",      "devtmpfs",  "efivarfs",
    "fuse.gvfsd-fuse", "fuse.lxcfs",  "fuse.portal", "fusectl",   "hugetlbfs",
    "mqueue",          "nfsd",        "nsfs",        "proc",      "pstore",
    "ramfs",           "rpc_pipefs",  "securityfs",  "selinuxfs", "squashfs",
    "sysfs",           "tracefs"};

bool AtOrBelow(std::string_view path, std::string_view folder) {
    return path == folder ||
           (path.size() > folder.size() && path.starts_with(folder) && path[folder.size()] == '/');
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool IsOctal(char c) {
    return c >= '0' && c <= '7';
}

std::vector<std::string_view> SplitBlanks(std::string_view line) {
    std::vector<std::string_view> fields;
    size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && line[at] == ' ') {
            ++at;
        }
        const size_t end = std::min(line.find(' ', at), line.size());
        if (end > at) {
            fields.push_back(line.substr(at, end - at));
        }
        at = end;
    }
    return fields;
}

bool IsFolderWithoutWaiting(const std::string& path) {
    // Cached attributes only, and no automount: a dead network mount must not
    // hold up building the drive list.
    struct statx info {};
    if (::statx(AT_FDCWD, path.c_str(), AT_STATX_DONT_SYNC | AT_NO_AUTOMOUNT, STATX_TYPE, &info) !=
        0) {
        return false;
    }
    return S_ISDIR(info.stx_mode);
}

std::string ResolvedPath(const std::string& path) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (resolved == nullptr) {
        return path;
    }
    std::string result(resolved);
    std::free(resolved);
    return result;
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return fd_; }

private:
    int fd_;
};

}  // namespace

std::string UnescapeMountField(std::string_view field) {
    std::string result;
    result.reserve(field.size());
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            if (field[i + 1] >= '0' && field[i + 1] <= '3' && IsOctal(field[i + 2]) &&
                IsOctal(field[i + 3])) {
                result.push_back(static_cast<char>(
                    (field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0')));
                i += 3;
                continue;
            }
            if (field[i + 1] == 'x' && HexValue(field[i + 2]) >= 0 && HexValue(field[i + 3]) >= 0) {
                result.push_back(
                    static_cast<char>(HexValue(field[i + 2]) * 16 + HexValue(field[i + 3])));
                i += 3;
                continue;
            }
        }
        result.push_back(field[i]);
    }
    return result;
}

bool IsUserVolume(std::string_view fileSystem, std::string_view mountPoint) {
    if (std::find(std::begin(kPseudoFileSystems), std::end(kPseudoFileSystems), fileSystem) !=
        std::end(kPseudoFileSystems)) {
        return false;
    }
    if (AtOrBelow(mountPoint, "/proc") || AtOrBelow(mountPoint, "/sys") ||
        AtOrBelow(mountPoint, "/dev")) {
        return false;
    }
    return !(fileSystem == "tmpfs" && AtOrBelow(mountPoint, "/run"));
}

std::vector<Volume> ParseMountInfo(std::string_view text) {
    std::map<std::string, Volume> byMountPoint;
    size_t at = 0;
    while (at < text.size()) {
        const size_t end = std::min(text.find('\n', at), text.size());
        const std::vector<std::string_view> fields = SplitBlanks(text.substr(at, end - at));
        at = end + 1;

        const auto separator = std::find(fields.begin(), fields.end(), "-");
        if (separator == fields.end() || std::distance(fields.begin(), separator) < 6 ||
            std::distance(separator, fields.end()) < 3) {
            continue;
        }
        Volume volume;
        volume.mountPoint = UnescapeMountField(fields[4]);
        volume.fileSystem = UnescapeMountField(*(separator + 1));
        volume.source = UnescapeMountField(*(separator + 2));
        if (volume.mountPoint.empty() || volume.mountPoint.front() != '/' ||
            !IsUserVolume(volume.fileSystem, volume.mountPoint)) {
            continue;
        }
        byMountPoint[volume.mountPoint] = std::move(volume);
    }
    if (byMountPoint.find("/") == byMountPoint.end()) {
        byMountPoint["/"] = Volume{"/", "", "", ""};
    }
    std::vector<Volume> volumes;
    volumes.reserve(byMountPoint.size());
    for (auto& entry : byMountPoint) {
        volumes.push_back(std::move(entry.second));
    }
    return volumes;
}

std::map<std::string, std::string> ReadVolumeLabels(const std::string& labelFolder) {
    std::map<std::string, std::string> labels;
    DIR* folder = ::opendir(labelFolder.c_str());
    if (folder == nullptr) {
        return labels;
    }
    while (const dirent* entry = ::readdir(folder)) {
        const std::string name = entry->d_name;
        if (name.empty() || name.front() == '.') {
            continue;
        }
        const std::string device = ResolvedPath(labelFolder + "/" + name);
        labels.emplace(device, UnescapeMountField(name));
    }
    ::closedir(folder);
    return labels;
}

std::vector<Volume> ReadMountedVolumes(const std::string& mountInfoPath,
                                       const std::string& labelFolder) {
    std::ifstream in(mountInfoPath, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    std::vector<Volume> volumes = ParseMountInfo(text.str());
    const std::map<std::string, std::string> labels = ReadVolumeLabels(labelFolder);

    std::vector<Volume> result;
    for (Volume& volume : volumes) {
        // Bind mounts of single files (as containers make for /etc/hosts) are no drives.
        if (volume.mountPoint != "/" && !IsFolderWithoutWaiting(volume.mountPoint)) {
            continue;
        }
        if (!volume.source.empty() && volume.source.front() == '/') {
            const auto label = labels.find(ResolvedPath(volume.source));
            if (label != labels.end()) {
                volume.label = label->second;
            }
        }
        result.push_back(std::move(volume));
    }
    return result;
}

std::string VolumeText(const Volume& volume) {
    if (volume.label.empty()) {
        return volume.mountPoint;
    }
    return volume.mountPoint + " [" + volume.label + "]";
}

std::string MountPointOf(const std::vector<std::string>& mountPoints, std::string_view path) {
    if (path.empty() || path.front() != '/') {
        return {};
    }
    const std::string* best = nullptr;
    for (const std::string& mountPoint : mountPoints) {
        const bool holds = mountPoint == "/" || AtOrBelow(path, mountPoint);
        if (holds && (best == nullptr || mountPoint.size() > best->size())) {
            best = &mountPoint;
        }
    }
    return best == nullptr ? std::string() : *best;
}

VolumeState::VolumeState() : VolumeState(ReadMountedVolumes()) {}

VolumeState::VolumeState(std::vector<Volume> volumes) : volumes_(std::move(volumes)) {
    mountPoints_.reserve(volumes_.size());
    for (const Volume& volume : volumes_) {
        mountPoints_.push_back(volume.mountPoint);
    }
    if (const auto current = CurrentDirectory()) {
        NoteEntered(*current);
    }
}

std::string VolumeState::DriveOf(std::string_view path) const {
    return MountPointOf(mountPoints_, path);
}

std::string VolumeState::CurrentFolderOn(const std::string& drive) const {
    const auto entered = lastEntered_.find(drive);
    return entered == lastEntered_.end() ? drive : entered->second;
}

std::string VolumeState::Enter(const std::string& path) {
    // Opening for reading first refuses a folder that could be entered but not
    // listed, so a refused folder never becomes the current directory.
    const FileDescriptor target(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (target.Get() < 0) {
        throw EInOutError(EInOutError::CodeFromErrno(errno));
    }
    const FileDescriptor previous(::open(".", O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (::fchdir(target.Get()) != 0) {
        throw EInOutError(EInOutError::CodeFromErrno(errno));
    }
    const std::optional<std::string> folder = CurrentDirectory();
    if (!folder) {
        const int error = errno;
        if (previous.Get() >= 0) {
            [[maybe_unused]] const int ignored = ::fchdir(previous.Get());
        }
        throw EInOutError(EInOutError::CodeFromErrno(error));
    }
    NoteEntered(*folder);
    return *folder;
}

VolumeState::WavFilesOffer VolumeState::OfferWavFiles(const std::string& folder,
                                                      std::vector<std::string> names) {
    offered_ = Offered{folder, std::move(names)};
    return WavFilesOffer(*this);
}

std::optional<std::vector<std::string>> VolumeState::TakeWavFiles(const std::string& folder) {
    if (!offered_ || offered_->folder != folder) {
        return std::nullopt;
    }
    std::vector<std::string> names = std::move(offered_->names);
    offered_.reset();
    return names;
}

void VolumeState::NoteEntered(const std::string& folder) {
    const std::string drive = DriveOf(folder);
    if (!drive.empty()) {
        lastEntered_[drive] = folder;
    }
}

VolumeState& VolumeState::Process() {
    static VolumeState state;
    return state;
}

}  // namespace corvane
