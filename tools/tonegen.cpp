// Writes the seven default cue sounds: short 16-bit PCM mono tones.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 22050;
constexpr double kPi = 3.14159265358979323846;

struct Note {
    double hz;
    double seconds;
};

std::vector<std::int16_t> render(const std::vector<Note>& notes) {
    std::vector<std::int16_t> samples;
    for (const auto& note : notes) {
        int count = static_cast<int>(note.seconds * kRate);
        for (int i = 0; i < count; ++i) {
            double t = static_cast<double>(i) / kRate;
            // Short fades keep the notes from clicking.
            double envelope = std::min({1.0, i / (0.005 * kRate), (count - i) / (0.02 * kRate)});
            double v = note.hz > 0 ? std::sin(2 * kPi * note.hz * t) * 0.5 * envelope : 0.0;
            samples.push_back(static_cast<std::int16_t>(v * 32767));
        }
    }
    return samples;
}

void put32(std::ofstream& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.put(static_cast<char>((v >> (8 * i)) & 0xff));
}
void put16(std::ofstream& out, std::uint16_t v) {
    out.put(static_cast<char>(v & 0xff));
    out.put(static_cast<char>(v >> 8));
}

bool writeWav(const std::string& path, const std::vector<std::int16_t>& samples) {
    std::ofstream out(path, std::ios::binary);
    std::uint32_t dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    out.write("RIFF", 4);
    put32(out, 36 + dataBytes);
    out.write("WAVEfmt ", 8);
    put32(out, 16);
    put16(out, 1);  // PCM
    put16(out, 1);  // mono
    put32(out, kRate);
    put32(out, kRate * 2);
    put16(out, 2);
    put16(out, 16);
    out.write("data", 4);
    put32(out, dataBytes);
    for (auto s : samples) put16(out, static_cast<std::uint16_t>(s));
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tonegen FOLDER\n");
        return 2;
    }
    std::string folder = argv[1];
    const std::vector<std::pair<std::string, std::vector<Note>>> cues{
        {"启动.wav", {{523.3, 0.12}, {659.3, 0.12}, {784.0, 0.22}}},
        {"选定.wav", {{1318.5, 0.06}}},
        {"查找.wav", {{880.0, 0.08}, {1174.7, 0.12}}},
        {"复制.wav", {{987.8, 0.07}, {0, 0.03}, {987.8, 0.09}}},
        {"错误.wav", {{233.1, 0.14}, {0, 0.04}, {220.0, 0.22}}},
        {"退出.wav", {{784.0, 0.14}, {659.3, 0.14}, {523.3, 0.30}}},
        {"删除.wav", {{698.5, 0.06}, {466.2, 0.10}}},
    };
    for (const auto& [name, notes] : cues) {
        if (!writeWav(folder + "/" + name, render(notes))) {
            std::fprintf(stderr, "tonegen: cannot write %s/%s\n", folder.c_str(), name.c_str());
            return 1;
        }
    }
    return 0;
}
