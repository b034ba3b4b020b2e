#include "settings/aacconfig.h"

#include "platform/paths.h"
#include "settings/choices.h"

namespace corvane {

void TAacCfg::SetFirstRunDefaults(const std::string& executablePath) {
    BitrateIndex = 8;
    PriorityIndex = 1;
    Bitrate = std::string(kBitrateEntries[8]);
    Priority = kNormalPriorityClass;
    Encoder = kQuartexEncoder;
    LastDir = FolderWithSeparator(executablePath);
}

std::string FolderWithSeparator(const std::string& executablePath) {
    const auto cut = executablePath.rfind(kPathSeparator);
    if (cut == std::string::npos) {
        return {};
    }
    return executablePath.substr(0, cut + 1);
}

}  // namespace corvane
