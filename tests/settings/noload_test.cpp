#include <gtest/gtest.h>

#include <filesystem>

#include "settings/aacconfig.h"
#include "settings/recordingdoubles.h"
#include "support/testsupport.h"

namespace corvane {
namespace {

// The record of a window whose store could not be loaded: first-run values,
// the controls untouched, nothing written until Save, which stores all twelve.
TEST(TAacCfgNoLoad, HoldsTheFirstRunValuesAndTouchesNothingUntilSave) {
    test::TempDir store;
    const std::string path = store.Child("registry.sqlite3");
    test::RecordingControls controls;
    test::RecordingErrorDisplay display;
    TAacCfg cfg(TAacCfg::NoLoad{}, controls, display, std::make_unique<TRegistry>(path),
                "/opt/corvane/corvane");

    EXPECT_EQ(cfg.Bitrate, "128000 ");
    EXPECT_EQ(cfg.LastDir, "/opt/corvane/");
    EXPECT_EQ(cfg.Encoder, 1);
    EXPECT_EQ(cfg.Priority, 32);
    EXPECT_EQ(cfg.BitrateIndex, 8);
    EXPECT_EQ(cfg.PriorityIndex, 1);
    EXPECT_FALSE(cfg.AbortRequested);
    EXPECT_TRUE(controls.changes.empty());
    EXPECT_TRUE(display.shown.empty());
    EXPECT_FALSE(std::filesystem::exists(path));

    cfg.Registry->CreateKey(kSettingsKey);
    controls.homeDir = "/enc/homeboy";
    cfg.Save();
    TRegistry reader(path);
    ASSERT_TRUE(reader.OpenKey(kSettingsKey));
    EXPECT_EQ(reader.ReadString(kBitrateValue), "128000 ");
    EXPECT_EQ(reader.ReadString(kHomeBoyDirValue), "/enc/homeboy");
    EXPECT_EQ(reader.ReadInteger(kPriorityIndexValue), 1);
}

}  // namespace
}  // namespace corvane
