#include "settings/aacconfig.h"

#include <gtest/gtest.h>

#include <type_traits>

#include "settings/choices.h"
#include "settings/recordingdoubles.h"
#include "support/testsupport.h"

namespace corvane {
namespace {

TEST(ChoiceTables, EntriesInTheirOrder) {
    EXPECT_EQ(kEncoderEntries[0], "Homeboy");
    EXPECT_EQ(kEncoderEntries[1], "Tavrin/Quartex");
    const char* bitrates[] = {"32000 ",  "40000 ",  "48000 ",  "56000 ",  "64000 ",
                              "80000 ",  "96000 ",  "112000 ", "128000 ", "160000 ",
                              "192000 ", "224000 ", "256000 ", "320000 "};
    ASSERT_EQ(kBitrateEntries.size(), std::size(bitrates));
    for (size_t i = 0; i < kBitrateEntries.size(); ++i) {
        EXPECT_EQ(kBitrateEntries[i], bitrates[i]);
    }
}

TEST(ChoiceTables, PriorityClassForEveryPosition) {
    const struct {
        int32_t index;
        int32_t priorityClass;
    } cases[] = {{0, 64}, {1, 32}, {2, 128}, {3, 256}, {-1, 32}, {4, 32}, {-100, 32}, {1000, 32}};
    for (const auto& c : cases) {
        EXPECT_EQ(PriorityClassForIndex(c.index), c.priorityClass) << c.index;
    }
    EXPECT_EQ(kPriorityEntries[0].text, "Idle");
    EXPECT_EQ(kPriorityEntries[3].text, "Realtime");
}

TEST(TAacCfg, FieldTypes) {
    test::TempDir store;
    test::RecordingControls controls;
    test::RecordingErrorDisplay display;
    TAacCfg cfg(controls, display, std::make_unique<TRegistry>(store.Child("registry.sqlite3")));
    static_assert(std::is_same_v<decltype(cfg.BitrateIndex), int32_t>);
    static_assert(std::is_same_v<decltype(cfg.PriorityIndex), int32_t>);
    static_assert(std::is_same_v<decltype(cfg.AbortRequested), bool>);
    static_assert(sizeof(cfg.AbortRequested) == 1);
    static_assert(std::is_same_v<decltype(cfg.Encoder), int32_t>);
    static_assert(std::is_same_v<decltype(cfg.Priority), int32_t>);
    EXPECT_FALSE(cfg.AbortRequested);
}

TEST(TAacCfg, FirstRunDefaults) {
    test::TempDir store;
    test::RecordingControls controls;
    test::RecordingErrorDisplay display;
    TAacCfg cfg(controls, display, std::make_unique<TRegistry>(store.Child("registry.sqlite3")));
    cfg.SetFirstRunDefaults("/opt/corvane/bin/corvane");
    EXPECT_EQ(cfg.BitrateIndex, 8);
    EXPECT_EQ(cfg.PriorityIndex, 1);
    EXPECT_EQ(cfg.Bitrate, "128000 ");
    EXPECT_EQ(cfg.Priority, 32);
    EXPECT_EQ(cfg.Encoder, 1);
    EXPECT_EQ(cfg.LastDir, "/opt/corvane/bin/");
}

TEST(FolderWithSeparator, AlwaysEndsInTheSeparator) {
    EXPECT_EQ(FolderWithSeparator("/corvane"), "/");
    EXPECT_EQ(FolderWithSeparator("/a b/c/corvane"), "/a b/c/");
    EXPECT_EQ(FolderWithSeparator("corvane"), "");
}

}  // namespace
}  // namespace corvane
