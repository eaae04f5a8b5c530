// The settings file's reader and line editor on any file: a read after a
// write gives the value written, and the write changes nothing else.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>

#include "core/settings.h"
#include "platform/textcodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zorvik::core;
    FuzzedDataProvider in(data, size);
    const std::string section = in.ConsumeRandomLengthString(16);
    const std::string key = in.ConsumeRandomLengthString(16);
    const std::string value = in.ConsumeRandomLengthString(16);
    const std::string file = in.ConsumeRemainingBytesAsString();

    std::vector<std::string> lines = zorvik::platform::splitLines(zorvik::platform::gb18030ToUtf8(file));
    (void)profile::readSection(lines, section);
    (void)profile::readValue(lines, section, key);

    // Names and values the station writes: no line breaks, brackets or '=' in names, no blanks around.
    auto plain = [](std::string_view s, bool name) {
        s = profile::trim(s);
        for (char c : s)
            if (c == '\r' || c == '\n' || c == '\0' || (name && (c == '[' || c == ']' || c == '=' || c == ';')))
                return false;
        return !(name && s.empty());
    };
    if (!plain(section, true) || !plain(key, true) || !plain(value, false) || profile::trim(section) != section ||
        profile::trim(key) != key || profile::trim(value) != value)
        return 0;
    const auto before = lines;
    profile::writeValue(lines, section, key, value);
    if (profile::readValue(lines, section, key) != value) std::abort();
    if (lines.size() > before.size() + 2) std::abort();
    return 0;
}
