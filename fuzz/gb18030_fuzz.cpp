// The GB18030 decoder on any bytes: UTF-8 out, and text it decoded survives
// a trip through the encoder unchanged.
#include <cstdlib>

#include "fuzzsupport.h"
#include "platform/textcodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zorvik;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string text = platform::gb18030ToUtf8(bytes);
    if (!fuzz::validUtf8(text)) std::abort();
    if (platform::gb18030ToUtf8(platform::utf8ToGb18030(text)) != text) std::abort();
    for (const auto& line : platform::splitLines(bytes))
        if (line.find('\n') != std::string::npos) std::abort();
    return 0;
}
