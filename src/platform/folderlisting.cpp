#include "platform/folderlisting.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

namespace corvane {

static_assert(std::endian::native == std::endian::little,
              "CompareListOrder finds the first differing byte from the low end of a word");

namespace {

constexpr std::array<unsigned char, 256> MakeFoldTable() {
    std::array<unsigned char, 256> table{};
    for (int c = 0; c < 256; ++c) {
        table[c] = static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return table;
}

constexpr std::array<unsigned char, 256> kFold = MakeFoldTable();

enum class EntryType { Folder, File, Other };

EntryType TypeOf(DIR* folder, const dirent& entry) {
    switch (entry.d_type) {
        case DT_DIR:
            return EntryType::Folder;
        case DT_REG:
            return EntryType::File;
        case DT_LNK:
        case DT_UNKNOWN:
            break;
        default:
            return EntryType::Other;
    }
    struct stat info {};
    if (::fstatat(::dirfd(folder), entry.d_name, &info, 0) != 0) {
        return EntryType::Other;
    }
    return S_ISDIR(info.st_mode) ? EntryType::Folder
                                 : (S_ISREG(info.st_mode) ? EntryType::File : EntryType::Other);
}

FolderScan Scan(const std::string& path, bool wantFolders, bool wantWavFiles) {
    FolderScan scan;
    DIR* folder = ::opendir(path.c_str());
    if (folder == nullptr) {
        return scan;
    }
    while (const dirent* entry = ::readdir(folder)) {
        const char* name = entry->d_name;
        if (name[0] == '.') {
            continue;
        }
        const bool wavName = wantWavFiles && MatchesWavMask(name);
        if (!wantFolders && !wavName) {
            continue;
        }
        const EntryType type = TypeOf(folder, *entry);
        if (type == EntryType::Folder && wantFolders) {
            scan.subfolders.emplace_back(name);
        } else if (type == EntryType::File && wavName) {
            scan.wavFiles.emplace_back(name);
        }
    }
    ::closedir(folder);
    std::sort(scan.subfolders.begin(), scan.subfolders.end(), ListOrderLess());
    std::sort(scan.wavFiles.begin(), scan.wavFiles.end(), ListOrderLess());
    return scan;
}

}  // namespace

int CompareListOrder(std::string_view a, std::string_view b) noexcept {
    const size_t common = std::min(a.size(), b.size());
    size_t i = 0;
    while (i < common) {
        // Equal raw bytes need no folding: skip them eight at a time, then go to
        // the first byte that differs (little-endian: the lowest set bit).
        while (i + 8 <= common) {
            std::uint64_t x = 0;
            std::uint64_t y = 0;
            std::memcpy(&x, a.data() + i, 8);
            std::memcpy(&y, b.data() + i, 8);
            if (x != y) {
                i += static_cast<size_t>(std::countr_zero(x ^ y)) / 8;
                break;
            }
            i += 8;
        }
        while (i < common && a[i] == b[i]) {
            ++i;
        }
        if (i == common) {
            break;
        }
        const unsigned char x = kFold[static_cast<unsigned char>(a[i])];
        const unsigned char y = kFold[static_cast<unsigned char>(b[i])];
        if (x != y) {
            return x < y ? -1 : 1;
        }
        ++i;
    }
    if (a.size() != b.size()) {
        return a.size() < b.size() ? -1 : 1;
    }
    const int raw = common == 0 ? 0 : std::memcmp(a.data(), b.data(), common);
    return raw < 0 ? -1 : (raw > 0 ? 1 : 0);
}

bool MatchesWavMask(std::string_view name) noexcept {
    constexpr std::string_view kExtension = ".wav";
    if (name.size() < kExtension.size()) {
        return false;
    }
    const std::string_view tail = name.substr(name.size() - kExtension.size());
    for (size_t i = 0; i < kExtension.size(); ++i) {
        if (kFold[static_cast<unsigned char>(tail[i])] != kExtension[i]) {
            return false;
        }
    }
    return true;
}

std::string WithoutTrailingSeparator(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

std::string ChildPath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '/') {
        return folder + name;
    }
    return folder + "/" + name;
}

std::vector<std::string> ReadSubfolders(const std::string& folder) {
    return Scan(folder, true, false).subfolders;
}

std::vector<std::string> ReadWavFiles(const std::string& folder) {
    return Scan(folder, false, true).wavFiles;
}

FolderScan ScanFolder(const std::string& folder) {
    return Scan(folder, true, true);
}

}  // namespace corvane
