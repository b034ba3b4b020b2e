#include "encoding/commandline.h"

#include <gtest/gtest.h>

#include <random>

#include "platform/cmdline.h"

namespace corvane {
namespace {

struct Example {
    int32_t encoder;
    const char* bitrateText;
    int32_t bitratePosition;
    const char* sourceFolder;
    const char* outputFolder;
    const char* fileName;
    const char* line;
};


// The worked examples, with the backslash as separator.
const Example kBackslashExamples[] = {
    {0, "128000 ", 8, "E:\\Music\\Wav", "F:\\Aac", "track01.wav",
     "aacenc.exe -m tf -eb .aac -r 128000 -c -aac_raw -vr -eo .wav  "
     "\"E:\\Music\\Wav\\track01.wav\" -o \"F:\\Aac\\track01.aac\""},
    {1, "128000 ", 8, "E:\\Music\\Wav", "F:\\Aac", "track01.wav",
     "aacenc.exe \"E:\\Music\\Wav\\track01.wav\" \"F:\\Aac\\track01.aac\" 128"},
    {1, "64000 ", 4, "E:\\Music\\Wav", "F:\\Aac", "track01.wav",
     "aacenc.exe \"E:\\Music\\Wav\\track01.wav\" \"F:\\Aac\\track01.aac\" 64"},
    {1, "320000 ", 13, "E:\\Music\\Wav", "F:\\Aac", "track01.wav",
     "aacenc.exe \"E:\\Music\\Wav\\track01.wav\" \"F:\\Aac\\track01.aac\" 128"},
    {0, "48000 ", 2, "E:\\", "Default", "Intro.WAV",
     "aacenc.exe -m tf -eb .aac -r 48000 -c -aac_raw -vr -eo .wav  \"E:\\\\Intro.WAV\" -o "
     "\"Default\\Intro.aac\""},
    {1, "96000 ", 6, "E:\\Music\\Wav", "", "take.wave",
     "aacenc.exe \"E:\\Music\\Wav\\take.wave\" \"take..aac\" 96"},
    {0, "128000 ", 8, "E:\\Music\\Wav", "F:\\", "my song.wav",
     "aacenc.exe -m tf -eb .aac -r 128000 -c -aac_raw -vr -eo .wav  "
     "\"E:\\Music\\Wav\\my song.wav\" -o \"F:\\\\my song.aac\""},
    // No bitrate selected: "-r" and "-c" with exactly one blank between them.
    {0, "", -1, "E:\\Music\\Wav", "F:\\Aac", "track01.wav",
     "aacenc.exe -m tf -eb .aac -r -c -aac_raw -vr -eo .wav  "
     "\"E:\\Music\\Wav\\track01.wav\" -o \"F:\\Aac\\track01.aac\""},
};

// The same cases on POSIX folders with the slash.
const Example kSlashExamples[] = {
    {0, "128000 ", 8, "/music/wav", "/aac", "track01.wav",
     "aacenc.exe -m tf -eb .aac -r 128000 -c -aac_raw -vr -eo .wav  "
     "\"/music/wav/track01.wav\" -o \"/aac/track01.aac\""},
    {1, "128000 ", 8, "/music/wav", "/aac", "track01.wav",
     "aacenc.exe \"/music/wav/track01.wav\" \"/aac/track01.aac\" 128"},
    {0, "48000 ", 2, "/", "Default", "Intro.WAV",
     "aacenc.exe -m tf -eb .aac -r 48000 -c -aac_raw -vr -eo .wav  \"//Intro.WAV\" -o "
     "\"Default/Intro.aac\""},
    {1, "96000 ", 6, "/music/wav", "", "take.wave",
     "aacenc.exe \"/music/wav/take.wave\" \"take..aac\" 96"},
    {0, "128000 ", 8, "/music/wav", "/", "my song.wav",
     "aacenc.exe -m tf -eb .aac -r 128000 -c -aac_raw -vr -eo .wav  "
     "\"/music/wav/my song.wav\" -o \"//my song.aac\""},
};

CommandLineInputs InputsOf(const Example& e, char separator) {
    return {e.encoder, e.bitrateText, e.bitratePosition, e.sourceFolder, e.outputFolder, separator};
}

TEST(BuildCommandLine, WorkedExamplesHoldExactlyWithBackslash) {
    for (const auto& e : kBackslashExamples) {
        EXPECT_EQ(BuildCommandLine(InputsOf(e, '\\'), e.fileName), e.line) << e.fileName;
    }
}

TEST(BuildCommandLine, SameCasesHoldWithPosixFolders) {
    for (const auto& e : kSlashExamples) {
        EXPECT_EQ(BuildCommandLine(InputsOf(e, '/'), e.fileName), e.line) << e.fileName;
    }
}

TEST(BuildCommandLine, QuartexTokenIsOnlyLoweredForPositionsFourAndSix) {
    for (int32_t position = -1; position <= 13; ++position) {
        const CommandLineInputs inputs{1, "", position, "/w", "/o", '/'};
        const std::string line = *BuildCommandLine(inputs, "a.wav");
        const std::string expected = position == 4 ? "64" : position == 6 ? "96" : "128";
        EXPECT_EQ(line, "aacenc.exe \"/w/a.wav\" \"/o/a.aac\" " + expected) << position;
    }
}

TEST(BuildCommandLine, NoLineAndNoFolderForOtherEncoders) {
    for (int32_t encoder : {-1, 2, 5}) {
        const CommandLineInputs inputs{encoder, "128000 ", 8, "/w", "/o", '/'};
        EXPECT_FALSE(BuildCommandLine(inputs, "a.wav").has_value());
        EXPECT_FALSE(EncoderDir(encoder, "/h", "/q").has_value());
    }
    EXPECT_EQ(EncoderDir(0, "/h", "/q"), "/h");
    EXPECT_EQ(EncoderDir(1, "None", "/q"), "/q");
    EXPECT_EQ(EncoderDir(0, "None", "/q"), "None");
}

TEST(BuildCommandLine, EncoderFolderOfAnyLengthIsHeldWhole) {
    const std::string longFolder = "/" + std::string(1000, 'x');
    EXPECT_EQ(EncoderDir(1, "None", longFolder), longFolder);
}

TEST(OutputPath, NamesShorterThanTheDroppedTailStayInBounds) {
    const struct {
        const char* outputFolder;
        const char* name;
        const char* path;
    } cases[] = {
        {"", "a", ".aac"},   {"", "", ".aac"},       {"", "ab.w", ".aac"},
        {"/o", "", ".aac"},  {"/o", "x", ".aac"}, {"/out", "x", "/o.aac"},  {"", "Intro.WAV", "Intro.aac"},
        {"/o", "a.wav", "/o/a.aac"},
    };
    for (const auto& c : cases) {
        const CommandLineInputs inputs{0, "", -1, "/s", c.outputFolder, '/'};
        EXPECT_EQ(OutputPath(inputs, c.name), c.path) << "'" << c.name << "'";
    }
}

TEST(BuildCommandLine, SplittingTheLineGivesBackEveryNameByteForByte) {
    std::mt19937 random(1211);
    const std::string alphabet = std::string("ab \"\\$()`;'&|*.") + "\xff\xe9\x80";
    for (int round = 0; round < 3000; ++round) {
        auto randomText = [&](int maxLength) {
            std::string text;
            const int length = 1 + static_cast<int>(random() % static_cast<unsigned>(maxLength));
            for (int i = 0; i < length; ++i) {
                text += alphabet[random() % alphabet.size()];
            }
            return text;
        };
        const std::string name = randomText(16) + ".wav";
        const CommandLineInputs inputs{static_cast<int32_t>(round % 2),
                                       "128000 ",
                                       8,
                                       "/src/" + randomText(8),
                                       round % 3 == 0 ? "" : "/out/" + randomText(8),
                                       '/'};
        const std::vector<std::string> args = SplitCommandLine(*BuildCommandLine(inputs, name));
        const std::string source = SourcePath(inputs, name);
        const std::string output = OutputPath(inputs, name);
        if (inputs.encoder == 0) {
            const std::vector<std::string> expected{
                "aacenc.exe", "-m",   "tf",  "-eb", ".aac", "-r", "128000", "-c",
                "-aac_raw",   "-vr",  "-eo", ".wav", source, "-o", output};
            ASSERT_EQ(args, expected) << name;
        } else {
            const std::vector<std::string> expected{"aacenc.exe", source, output, "128"};
            ASSERT_EQ(args, expected) << name;
        }
    }
}

}  // namespace
}  // namespace corvane
