#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <numbers>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "support/testsupport.h"

extern char** environ;

namespace corvane::test {

struct Tone {
    int sampleRate = 44100;
    int channels = 1;
    double seconds = 0.5;
};

inline void PutLittleEndian(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out += static_cast<char>((value >> (8 * i)) & 0xff);
    }
}

inline std::string WavHeader(int sampleRate, int channels, uint32_t dataBytes) {
    std::string header = "RIFF";
    PutLittleEndian(header, 36 + dataBytes, 4);
    header += "WAVEfmt ";
    PutLittleEndian(header, 16, 4);
    PutLittleEndian(header, 1, 2);
    PutLittleEndian(header, channels, 2);
    PutLittleEndian(header, sampleRate, 4);
    PutLittleEndian(header, sampleRate * channels * 2, 4);
    PutLittleEndian(header, channels * 2, 2);
    PutLittleEndian(header, 16, 2);
    header += "data";
    PutLittleEndian(header, dataBytes, 4);
    return header;
}

// 16-bit PCM: a tone per channel with noise over it, so that the encoder has
// something to spend the bitrate on.
inline void WriteWav(const std::string& path, const Tone& tone) {
    const auto frames = static_cast<uint32_t>(std::lround(tone.seconds * tone.sampleRate));
    std::string samples;
    samples.reserve(frames * tone.channels * 2);
    uint32_t noise = 2463534242u;
    for (uint32_t frame = 0; frame < frames; ++frame) {
        for (int channel = 0; channel < tone.channels; ++channel) {
            noise ^= noise << 13;
            noise ^= noise >> 17;
            noise ^= noise << 5;
            const double t = static_cast<double>(frame) / tone.sampleRate;
            const double sample = 0.4 * std::sin(2 * std::numbers::pi * (440 + 220 * channel) * t) +
                                  0.3 * (noise / 4294967296.0 - 0.5);
            PutLittleEndian(samples, static_cast<uint16_t>(static_cast<int16_t>(sample * 32767)),
                            2);
        }
    }
    WriteFile(path, WavHeader(tone.sampleRate, tone.channels, samples.size()) + samples);
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
    EXPECT_GE(rate, bitrate * 0.85) << aac << " asked " << bitrate;
    EXPECT_LE(rate, bitrate * 1.15) << aac << " asked " << bitrate;
}

}  // namespace corvane::test
