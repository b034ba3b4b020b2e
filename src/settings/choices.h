#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace corvane {

// Entries of the encoder box; the position is the value of TAacCfg::Encoder.
inline constexpr std::array<std::string_view, 2> kEncoderEntries{"Homeboy", "Tavrin/Quartex"};

inline constexpr int32_t kHomeboyEncoder = 0;
inline constexpr int32_t kQuartexEncoder = 1;

// Entries of the bitrate box, bits per second and exactly one trailing blank;
// the position is the value of TAacCfg::BitrateIndex.
inline constexpr std::array<std::string_view, 14> kBitrateEntries{
    "32000 ",  "40000 ",  "48000 ",  "56000 ",  "64000 ",  "80000 ",  "96000 ",
    "112000 ", "128000 ", "160000 ", "192000 ", "224000 ", "256000 ", "320000 "};

// Windows process priority classes, the values TAacCfg::Priority holds.
inline constexpr int32_t kIdlePriorityClass = 64;
inline constexpr int32_t kNormalPriorityClass = 32;
inline constexpr int32_t kHighPriorityClass = 128;
inline constexpr int32_t kRealtimePriorityClass = 256;

struct PriorityEntry {
    std::string_view text;
    int32_t priorityClass;
};

// Entries of the priority box; the position is the value of TAacCfg::PriorityIndex.
inline constexpr std::array<PriorityEntry, 4> kPriorityEntries{{{"Idle", kIdlePriorityClass},
                                                               {"Normal", kNormalPriorityClass},
                                                               {"High", kHighPriorityClass},
                                                               {"Realtime", kRealtimePriorityClass}}};

// The class a priority box position stands for: normal for any position outside the table.
constexpr int32_t PriorityClassForIndex(int32_t index) {
    if (index < 0 || index >= static_cast<int32_t>(kPriorityEntries.size())) {
        return kNormalPriorityClass;
    }
    return kPriorityEntries[static_cast<size_t>(index)].priorityClass;
}

}  // namespace corvane
