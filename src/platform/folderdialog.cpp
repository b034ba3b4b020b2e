#include "platform/folderdialog.h"

#include <filesystem>
#include <system_error>

namespace corvane {

namespace {

std::string TrimTrailingSeparators(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

}  // namespace

TBrowseFolder::TBrowseFolder(Dialogs& dialogs) : dialogs_(dialogs) {}

bool TBrowseFolder::Execute(QWidget* owner) {
    std::error_code error;
    const bool exists = !directory_.empty() && std::filesystem::is_directory(directory_, error);
    const auto chosen = dialogs_.ChooseFolder(owner, title_, exists ? directory_ : std::string());
    if (!chosen || chosen->empty()) {
        return false;
    }
    directory_ = TrimTrailingSeparators(*chosen);
    return true;
}

}  // namespace corvane
