#include "player/wavinfo.h"

#include <cstring>

#include "platform/fileops.h"

namespace zorvik::player {

namespace {

std::uint32_t le32(const char* p) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return u[0] | (u[1] << 8) | (u[2] << 16) | (static_cast<std::uint32_t>(u[3]) << 24);
}
std::uint16_t le16(const char* p) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return static_cast<std::uint16_t>(u[0] | (u[1] << 8));
}

std::optional<WavInfo> refuse(std::string* why, const char* reason) {
    if (why) *why = reason;
    return std::nullopt;
}

}  // namespace

std::int64_t WavInfo::durationMs() const {
    std::int64_t bytesPerSecond = static_cast<std::int64_t>(sampleRate) * channels * (bitsPerSample / 8);
    return bytesPerSecond > 0 ? dataBytes * 1000 / bytesPerSecond : 0;
}

std::optional<WavInfo> parseWav(std::string_view bytes, std::string* why) {
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
        std::memcmp(bytes.data() + 8, "WAVE", 4) != 0)
        return refuse(why, "not a RIFF WAVE file");
    WavInfo info;
    bool haveFormat = false;
    size_t pos = 12;
    while (pos + 8 <= bytes.size()) {
        const char* chunk = bytes.data() + pos;
        std::uint32_t size = le32(chunk + 4);
        size_t body = pos + 8;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (size < 16 || body + 16 > bytes.size()) return refuse(why, "truncated format chunk");
            if (le16(bytes.data() + body) != 1) return refuse(why, "not PCM audio");
            info.channels = le16(bytes.data() + body + 2);
            info.sampleRate = static_cast<int>(le32(bytes.data() + body + 4));
            info.bitsPerSample = le16(bytes.data() + body + 14);
            if (info.channels < 1 || info.channels > 2 || info.sampleRate <= 0 ||
                (info.bitsPerSample != 8 && info.bitsPerSample != 16))
                return refuse(why, "unsupported PCM format");
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat) return refuse(why, "data before format");
            info.dataOffset = static_cast<std::int64_t>(body);
            info.dataBytes = std::min<std::int64_t>(size, static_cast<std::int64_t>(bytes.size() - body));
            if (info.dataBytes <= 0) return refuse(why, "no audio data");
            return info;
        }
        pos = body + size + (size & 1);
    }
    return refuse(why, haveFormat ? "no audio data" : "no format chunk");
}

std::optional<WavInfo> readWavInfo(std::string_view path, std::string* why) {
    auto bytes = platform::readWholeFile(path);
    if (!bytes) return refuse(why, "cannot be read");
    return parseWav(*bytes, why);
}

}  // namespace zorvik::player
