#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/registry.h"

namespace corvane {

// The settings record: the user's encoding choices, the folder last shown, the
// running batch's stop flag and the store accessor. Fields are public and read
// and written directly by the window's handlers.
class TAacCfg {
public:
    std::unique_ptr<TRegistry> Registry;
    int32_t BitrateIndex = 0;
    int32_t PriorityIndex = 0;
    bool AbortRequested = false;
    int32_t Encoder = 0;
    int32_t Priority = 0;
    std::string LastDir;
    std::string Bitrate;

    // First-run values; `executablePath` is the running program's full path.
    void SetFirstRunDefaults(const std::string& executablePath);
};

// The folder holding `executablePath`, ending in its separator: the path cut
// after its last separator; empty when it has none.
std::string FolderWithSeparator(const std::string& executablePath);

// Texts that the six settings held by the window's controls start with.
inline constexpr const char* kDefaultEncoderDir = "None";
inline constexpr const char* kDefaultOutputDir = "Default";

}  // namespace corvane
