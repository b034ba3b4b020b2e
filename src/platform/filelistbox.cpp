#include "platform/filelistbox.h"

#include "platform/folderlisting.h"
#include "platform/paths.h"

namespace corvane {

TFileListBox::TFileListBox(QWidget* parent, VolumeState& volumes)
    : NameListBox(parent), volumes_(volumes), directory_(CurrentDirectory().value_or("")) {
    setAccessibleName(QStringLiteral("Files"));
    if (!directory_.empty()) {
        std::vector<std::string> names = ReadWavFiles(directory_);
        RebuildEntries([&names](std::vector<std::string>& entries, const std::vector<char>&, int) {
            entries = std::move(names);
            return Rebuilt{};
        });
    }
}

void TFileListBox::SetDrive(const std::string& drive) {
    if (drive != volumes_.DriveOf(directory_)) {
        ApplyFilePath(volumes_.CurrentFolderOn(drive));
    }
}

void TFileListBox::ApplyFilePath(const std::string& path) {
    if (path.empty() || SameFileName(path, directory_)) {
        return;
    }
    std::string folder = volumes_.Enter(WithoutTrailingSeparator(path));
    std::optional<std::vector<std::string>> offered = volumes_.TakeWavFiles(folder);
    std::vector<std::string> names = offered ? std::move(*offered) : ReadWavFiles(folder);
    directory_ = std::move(folder);
    RebuildEntries([&names](std::vector<std::string>& entries, const std::vector<char>&, int) {
        entries = std::move(names);
        return Rebuilt{};
    });
}

}  // namespace corvane
