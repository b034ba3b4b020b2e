#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/errordisplay.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "settings/settingscontrols.h"

namespace corvane {

// The settings record: the user's encoding choices, the folder last shown, the
// running batch's stop flag and the store accessor. Fields are public and read
// and written directly by the window's handlers.
class TAacCfg {
public:
    // Loads the stored settings into the record and `controls`, or, when none
    // are stored, sets the first-run defaults and stores them at once. Raises
    // what Load or Save raised; Load has shown it on `errorDisplay` already.
    // No `registry` means the user's own store.
    TAacCfg(SettingsControls& controls, ErrorDisplay& errorDisplay,
            std::unique_ptr<TRegistry> registry = nullptr,
            const std::string& executablePath = ExecutablePath());
    // Selects the constructor that neither loads nor stores.
    struct NoLoad {};
    // The first-run values over the user's store (or `registry`), with nothing
    // read or written: the record of a window whose stored settings could not
    // be loaded, so that its closing stores all twelve values again.
    TAacCfg(NoLoad, SettingsControls& controls, ErrorDisplay& errorDisplay,
            std::unique_ptr<TRegistry> registry = nullptr,
            const std::string& executablePath = ExecutablePath());
    TAacCfg(const TAacCfg&) = delete;
    TAacCfg& operator=(const TAacCfg&) = delete;

    std::unique_ptr<TRegistry> Registry;
    int32_t BitrateIndex = 0;
    int32_t PriorityIndex = 0;
    bool AbortRequested = false;
    int32_t Encoder = 0;
    int32_t Priority = 0;
    std::string LastDir;
    std::string Bitrate;

    // 1 when the settings key did not exist and has just been created (nothing
    // read), 0 when all twelve values have been read and applied. An error is
    // shown and raised again.
    int Load();
    // Writes all twelve values; the first refusal is raised, not shown.
    void Save();

    // First-run values; `executablePath` is the running program's full path.
    void SetFirstRunDefaults(const std::string& executablePath);

private:
    SettingsControls& controls_;
    ErrorDisplay& errorDisplay_;
};

// The store key and the value names, in the order Load reads and Save writes them.
inline constexpr const char* kSettingsKey = "\\Software\\Corvane";
inline constexpr const char* kBitrateValue = "Bitrate";
inline constexpr const char* kLastDirValue = "LastDir";
inline constexpr const char* kHomeBoyDirValue = "HomeBoyDir";
inline constexpr const char* kQuartexDirValue = "QuartexDir";
inline constexpr const char* kOutputDirValue = "OutputDir";
inline constexpr const char* kEncoderValue = "Encoder";
inline constexpr const char* kPriorityValue = "Priority";
inline constexpr const char* kMinimizeValue = "Minimize";
inline constexpr const char* kBeepDoneValue = "BeepDone";
inline constexpr const char* kVisibilityValue = "Visibility";
inline constexpr const char* kBitrateIndexValue = "BitrateIndex";
inline constexpr const char* kPriorityIndexValue = "PriorityIndex";

// The folder holding `executablePath`, ending in its separator: the path cut
// after its last separator; empty when it has none.
std::string FolderWithSeparator(const std::string& executablePath);

// Texts that the six settings held by the window's controls start with.
inline constexpr const char* kDefaultEncoderDir = "None";
inline constexpr const char* kDefaultOutputDir = "Default";

}  // namespace corvane
