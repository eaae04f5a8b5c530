#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zorvik::player {

// What the cue device can play: PCM WAV of 8 or 16 bits.
struct WavInfo {
    int channels = 0;
    int sampleRate = 0;
    int bitsPerSample = 0;
    std::int64_t dataOffset = 0;  // where the samples start in the file
    std::int64_t dataBytes = 0;
    std::int64_t durationMs() const;
};

// nullopt (with a reason in *why) when the bytes are not a playable PCM WAV.
std::optional<WavInfo> parseWav(std::string_view bytes, std::string* why = nullptr);
std::optional<WavInfo> readWavInfo(std::string_view path, std::string* why = nullptr);

}  // namespace zorvik::player
