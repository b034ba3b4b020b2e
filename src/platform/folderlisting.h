#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// The one alphabetical order of the folder list, the file list and the encode
// list: names compared byte by byte with the ASCII letters folded to lower case
// (so "_" sorts before the letters and other bytes by their value); names that
// are equal so are ordered by their raw bytes. Two names are equal in this order
// exactly when they are equal byte for byte. Returns <0, 0 or >0.
int CompareListOrder(std::string_view a, std::string_view b) noexcept;

struct ListOrderLess {
    bool operator()(std::string_view a, std::string_view b) const noexcept {
        return CompareListOrder(a, b) < 0;
    }
};

// The file list's mask "*.wav", matched with letter case ignored.
bool MatchesWavMask(std::string_view name) noexcept;

// Folder texts compared as file names. Linux file systems report case-sensitive
// names, so the comparison is exact.
inline bool SameFileName(std::string_view a, std::string_view b) noexcept {
    return a == b;
}

// `path` without trailing separators; the root "/" stays.
std::string WithoutTrailingSeparator(std::string path);

// `folder` and `name` joined by one separator.
std::string ChildPath(const std::string& folder, const std::string& name);

// The subfolders of `folder` (symlinks to folders included), hidden (dot) names
// left out, in list order. Empty when the folder cannot be read.
std::vector<std::string> ReadSubfolders(const std::string& folder);

// The names in `folder` matching the mask that are regular files or symlinks to
// regular files, hidden (dot) names left out, in list order. Empty when the
// folder cannot be read.
std::vector<std::string> ReadWavFiles(const std::string& folder);

struct FolderScan {
    std::vector<std::string> subfolders;
    std::vector<std::string> wavFiles;
};

// ReadSubfolders and ReadWavFiles in one pass over the folder.
FolderScan ScanFolder(const std::string& folder);

}  // namespace corvane
