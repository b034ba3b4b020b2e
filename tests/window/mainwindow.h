#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/application.h"
#include "platform/recordingdialogs.h"
#include "platform/registry.h"
#include "settings/aacconfig.h"
#include "support/testsupport.h"
#include "window/mainaac.h"
#include "window/program.h"

namespace corvane::test {

// The twelve stored values, at their first-run values but for LastDir.
struct StoredSettings {
    std::string bitrate = "128000 ";
    std::string lastDir;
    std::string homeBoyDir = "None";
    std::string quartexDir = "None";
    std::string outputDir = "Default";
    int32_t encoder = 1;
    int32_t priority = 32;
    bool minimize = false;
    bool beepDone = true;
    bool visibility = true;
    int32_t bitrateIndex = 8;
    int32_t priorityIndex = 1;

    bool operator==(const StoredSettings&) const = default;
};

inline void WriteStore(const StoredSettings& s) {
    TRegistry registry(DefaultStorePath());
    registry.CreateKey(kSettingsKey);
    ASSERT_TRUE(registry.OpenKey(kSettingsKey));
    registry.WriteString(kBitrateValue, s.bitrate);
    registry.WriteString(kLastDirValue, s.lastDir);
    registry.WriteString(kHomeBoyDirValue, s.homeBoyDir);
    registry.WriteString(kQuartexDirValue, s.quartexDir);
    registry.WriteString(kOutputDirValue, s.outputDir);
    registry.WriteInteger(kEncoderValue, s.encoder);
    registry.WriteInteger(kPriorityValue, s.priority);
    registry.WriteBool(kMinimizeValue, s.minimize);
    registry.WriteBool(kBeepDoneValue, s.beepDone);
    registry.WriteBool(kVisibilityValue, s.visibility);
    registry.WriteInteger(kBitrateIndexValue, s.bitrateIndex);
    registry.WriteInteger(kPriorityIndexValue, s.priorityIndex);
}

inline StoredSettings ReadStore() {
    TRegistry registry(DefaultStorePath());
    StoredSettings s;
    EXPECT_TRUE(registry.OpenKey(kSettingsKey));
    s.bitrate = registry.ReadString(kBitrateValue);
    s.lastDir = registry.ReadString(kLastDirValue);
    s.homeBoyDir = registry.ReadString(kHomeBoyDirValue);
    s.quartexDir = registry.ReadString(kQuartexDirValue);
    s.outputDir = registry.ReadString(kOutputDirValue);
    s.encoder = registry.ReadInteger(kEncoderValue);
    s.priority = registry.ReadInteger(kPriorityValue);
    s.minimize = registry.ReadBool(kMinimizeValue);
    s.beepDone = registry.ReadBool(kBeepDoneValue);
    s.visibility = registry.ReadBool(kVisibilityValue);
    s.bitrateIndex = registry.ReadInteger(kBitrateIndexValue);
    s.priorityIndex = registry.ReadInteger(kPriorityIndexValue);
    return s;
}

// The real main window over a store of its own, started in a working folder
// of its own, with every box recorded instead of shown.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("XDG_CONFIG_HOME", config_.Path().c_str(), 1);
        ASSERT_EQ(::chdir(work.Path().c_str()), 0);
        application.SetTitle(kApplicationTitle);
    }

    void TearDown() override {
        window.reset();
        application.SetTitle(kApplicationTitle);
    }

    // Creates the window; shows it (running the show step) unless told not to.
    TAacMain& Start(bool show = true) {
        window = std::make_unique<TAacMain>(
            application, [this](const std::string& text, const std::string& caption) {
                prompts.push_back({text, caption});
                return promptAnswer ? promptAnswer() : SaveFailureChoice::CloseWithoutSaving;
            });
        if (show) {
            window->show();
            QApplication::processEvents();
        }
        return *window;
    }

    TAacCfg& Cfg() { return *window->SettingsRecord(); }

    ScopedCurrentDirectory restoreDirectory_;
    TempDir config_;
    TempDir work;
    RecordingDialogs dialogs;
    TApplication application{dialogs};
    std::vector<RecordingDialogs::Box> prompts;
    std::function<SaveFailureChoice()> promptAnswer;
    std::unique_ptr<TAacMain> window;
};

}  // namespace corvane::test
