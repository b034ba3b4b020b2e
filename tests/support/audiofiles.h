#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "support/testsupport.h"
#include "support/wavfile.h"

extern char** environ;

namespace corvane::test {

inline void WriteWav(const std::string& path, const Tone& tone) {
    WriteFile(path, WavBytes(tone));
}

// Silence held as a sparse file, long enough that ffmpeg is still busy with it
// whenever a test stops it.
inline void WriteLongWav(const std::string& path) {
    const uint32_t dataBytes = 3600u * 48000u * 2u * 2u;
    WriteFile(path, WavHeader(48000, 2, dataBytes));
    ASSERT_EQ(::truncate(path.c_str(), 44 + static_cast<off_t>(dataBytes)), 0);
}

// Runs a program found on PATH with its output into `outputFile`; its exit
// code, or -1 when it could not be started or did not exit normally.
inline int RunProgram(std::vector<std::string> args, const std::string& outputFile) {
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    const int error = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        return -1;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct Probe {
    std::string format;
    std::string codec;
    int sampleRate = 0;
    int channels = 0;
    long packets = 0;
};

inline std::optional<Probe> ProbeFile(const std::string& path) {
    const TempDir scratch;
    const std::string output = scratch.Child("probe.txt");
    if (RunProgram(
            {"ffprobe", "-v", "error", "-count_packets", "-select_streams", "a:0", "-show_entries",
             "format=format_name:stream=codec_name,sample_rate,channels,nb_read_packets", "-of",
             "default=noprint_wrappers=1", "file:" + path},
            output) != 0) {
        return std::nullopt;
    }
    Probe probe;
    std::istringstream lines(ReadFile(output));
    for (std::string line; std::getline(lines, line);) {
        const size_t eq = line.find('=');
        const std::string key = line.substr(0, eq);
        const std::string value = eq == std::string::npos ? "" : line.substr(eq + 1);
        if (key == "format_name") {
            probe.format = value;
        } else if (key == "codec_name") {
            probe.codec = value;
        } else if (key == "sample_rate") {
            probe.sampleRate = std::stoi(value);
        } else if (key == "channels") {
            probe.channels = std::stoi(value);
        } else if (key == "nb_read_packets") {
            probe.packets = std::stol(value);
        }
    }
    return probe;
}

// An ADTS AAC file of the tone's format and length, near the bitrate asked for.
inline void ExpectEncoding(const std::string& aac, const Tone& tone, long bitrate) {
    const std::optional<Probe> probe = ProbeFile(aac);
    ASSERT_TRUE(probe) << "ffprobe cannot read " << aac;
    EXPECT_EQ(probe->format, "aac") << aac;
    EXPECT_EQ(probe->codec, "aac") << aac;
    EXPECT_EQ(probe->sampleRate, tone.sampleRate) << aac;
    EXPECT_EQ(probe->channels, tone.channels) << aac;
    ASSERT_GT(probe->packets, 1) << aac;
    // One frame of 1024 samples of encoder priming comes before the audio.
    const double seconds = (probe->packets - 1) * 1024.0 / probe->sampleRate;
    EXPECT_NEAR(seconds, tone.seconds, 0.050) << aac;
    const double rate = static_cast<double>(std::filesystem::file_size(aac)) * 8 / seconds;
    // At the highest rates the native encoder spends less than asked on a tone.
    const double low = bitrate >= 256000 ? 0.7 : 0.85;
    EXPECT_GE(rate, bitrate * low) << aac << " asked " << bitrate;
    EXPECT_LE(rate, bitrate * 1.15) << aac << " asked " << bitrate;
}

}  // namespace corvane::test
