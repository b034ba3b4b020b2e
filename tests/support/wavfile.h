#pragma once

#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>

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

// The 44-byte header of 16-bit PCM.
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

// A whole 16-bit PCM file: a tone per channel with noise over it, so that the
// encoder has something to spend the higher bitrates on.
inline std::string WavBytes(const Tone& tone) {
    const auto frames = static_cast<uint32_t>(std::lround(tone.seconds * tone.sampleRate));
    std::string samples;
    samples.reserve(frames * static_cast<uint32_t>(tone.channels) * 2);
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
    return WavHeader(tone.sampleRate, tone.channels, static_cast<uint32_t>(samples.size())) +
           samples;
}

}  // namespace corvane::test
