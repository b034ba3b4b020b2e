#include "platform/cmdline.h"

#include <gtest/gtest.h>

#include <random>

namespace corvane {
namespace {

using Args = std::vector<std::string>;

TEST(SplitCommandLine, FollowsTheRunTimeRules) {
    const struct {
        const char* line;
        Args args;
    } cases[] = {
        {"", {}},
        {"aacenc.exe", {"aacenc.exe"}},
        {"aacenc.exe a  b\tc", {"aacenc.exe", "a", "b", "c"}},
        {"aacenc.exe \"a b\" c", {"aacenc.exe", "a b", "c"}},
        {"aacenc.exe a\\\\\\\"b", {"aacenc.exe", "a\\\"b"}},    // 3 backslashes, quote
        {"aacenc.exe \"a\\\\\" b", {"aacenc.exe", "a\\", "b"}},  // 2 backslashes, quote
        {"aacenc.exe a\\b\\\\c", {"aacenc.exe", "a\\b\\\\c"}},   // lone backslashes literal
        {"aacenc.exe \"a\"\"b\"", {"aacenc.exe", "a\"b"}},       // "" inside quotes
        {"aacenc.exe \"\"", {"aacenc.exe", ""}},
        {"\"my enc.exe\" x", {"my enc.exe", "x"}},
        {"aacenc.exe  trailing  ", {"aacenc.exe", "trailing"}},
        {"aacenc.exe \"E:\\\\Intro.WAV\"", {"aacenc.exe", "E:\\\\Intro.WAV"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SplitCommandLine(c.line), c.args) << c.line;
    }
}

TEST(EscapeQuoted, LeavesTextWithoutQuotesOrTrailingBackslashesUnchanged) {
    for (const char* text : {"E:\\Music\\Wav\\track01.wav", "E:\\\\Intro.WAV", "/a b/c.wav", ""}) {
        EXPECT_EQ(EscapeQuoted(text), text);
    }
    EXPECT_EQ(EscapeQuoted("a\"b"), "a\\\"b");
    EXPECT_EQ(EscapeQuoted("a\\\"b"), "a\\\\\\\"b");
    EXPECT_EQ(EscapeQuoted("end\\"), "end\\\\");
}

TEST(EscapeQuoted, SplittingAQuotedEscapeGivesEveryByteBack) {
    std::mt19937 random(20261211);
    const std::string alphabet = std::string("ab \t\"\\$()`;'&|*?~.wav\n") + "\xff\xc3\x28\x80";
    for (int round = 0; round < 5000; ++round) {
        std::string text;
        const int length = static_cast<int>(random() % 24);
        for (int i = 0; i < length; ++i) {
            text += (random() % 5 == 0) ? static_cast<char>(1 + random() % 255)
                                         : alphabet[random() % alphabet.size()];
        }
        const std::string line = "prog \"" + EscapeQuoted(text) + "\" tail";
        const Args expected{"prog", text, "tail"};
        ASSERT_EQ(SplitCommandLine(line), expected) << line;
    }
}

}  // namespace
}  // namespace corvane
