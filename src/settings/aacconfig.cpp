#include "settings/aacconfig.h"

#include "settings/choices.h"

namespace corvane {

TAacCfg::TAacCfg(SettingsControls& controls, ErrorDisplay& errorDisplay,
                 std::unique_ptr<TRegistry> registry, const std::string& executablePath)
    : controls_(controls), errorDisplay_(errorDisplay) {
    LastDir.clear();
    Bitrate.clear();
    Registry = registry != nullptr ? std::move(registry) : std::make_unique<TRegistry>();
    AbortRequested = false;
    if (Load() != 0) {
        SetFirstRunDefaults(executablePath);
        Save();
    }
}

TAacCfg::TAacCfg(NoLoad, SettingsControls& controls, ErrorDisplay& errorDisplay,
                 std::unique_ptr<TRegistry> registry, const std::string& executablePath)
    : Registry(registry != nullptr ? std::move(registry) : std::make_unique<TRegistry>()),
      controls_(controls),
      errorDisplay_(errorDisplay) {
    SetFirstRunDefaults(executablePath);
}

int TAacCfg::Load() {
    try {
        if (!Registry->KeyExists(kSettingsKey)) {
            Registry->CreateKey(kSettingsKey);
            return 1;
        }
        // Not tested: when the open fails, the reads fail as for missing values.
        Registry->OpenKey(kSettingsKey, false);
        Bitrate = Registry->ReadString(kBitrateValue);
        LastDir = Registry->ReadString(kLastDirValue);
        controls_.SetHomeDirCaption(Registry->ReadString(kHomeBoyDirValue));
        controls_.SetQuarDirCaption(Registry->ReadString(kQuartexDirValue));
        controls_.SetOutputDirCaption(Registry->ReadString(kOutputDirValue));
        Encoder = Registry->ReadInteger(kEncoderValue);
        Priority = Registry->ReadInteger(kPriorityValue);
        controls_.SetCheckMinimizeChecked(Registry->ReadBool(kMinimizeValue));
        controls_.SetCheckBeepChecked(Registry->ReadBool(kBeepDoneValue));
        controls_.SetCheckHideEncChecked(Registry->ReadBool(kVisibilityValue));
        BitrateIndex = Registry->ReadInteger(kBitrateIndexValue);
        PriorityIndex = Registry->ReadInteger(kPriorityIndexValue);
        return 0;
    } catch (const Exception& error) {
        errorDisplay_.ShowError(error);
        throw;
    }
}

void TAacCfg::Save() {
    // Not tested: when the open fails, the writes go to the key Load left open.
    Registry->OpenKey(kSettingsKey, false);
    Registry->WriteString(kBitrateValue, Bitrate);
    Registry->WriteString(kLastDirValue, LastDir);
    Registry->WriteString(kHomeBoyDirValue, controls_.HomeDirCaption());
    Registry->WriteString(kQuartexDirValue, controls_.QuarDirCaption());
    Registry->WriteString(kOutputDirValue, controls_.OutputDirCaption());
    Registry->WriteInteger(kEncoderValue, Encoder);
    Registry->WriteInteger(kPriorityValue, Priority);
    Registry->WriteBool(kMinimizeValue, controls_.CheckMinimizeChecked());
    Registry->WriteBool(kBeepDoneValue, controls_.CheckBeepChecked());
    Registry->WriteBool(kVisibilityValue, controls_.CheckHideEncChecked());
    Registry->WriteInteger(kBitrateIndexValue, BitrateIndex);
    Registry->WriteInteger(kPriorityIndexValue, PriorityIndex);
    Registry->CloseKey();
}

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
