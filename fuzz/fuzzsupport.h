#pragma once

// Shared by the fuzz targets: a Qt application object for the QObject
// readers, and a scratch folder in memory for the readers that take a file.
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <cstdio>
#include <string>
#include <string_view>

namespace zorvik::fuzz {

inline void startQt() {
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
}

// A folder of this process in /dev/shm (writes there cost no disk flush).
inline const std::string& scratch() {
    static const std::string folder = [] {
        std::string f = "/dev/shm/zorvik-fuzz-" + std::to_string(::getpid()) + "/";
        ::mkdir(f.c_str(), 0700);
        return f;
    }();
    return folder;
}

inline std::string writeInput(const std::string& name, const uint8_t* data, size_t size) {
    std::string path = scratch() + name;
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        if (size) std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    return path;
}

inline bool validUtf8(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > s.size()) return false;
        for (size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += n;
    }
    return true;
}

}  // namespace zorvik::fuzz
