// Pinyin initials of any text, as UTF-8 and as GBK bytes.
#include "fuzzsupport.h"
#include "search/pinyin.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zorvik;
    const std::string text(reinterpret_cast<const char*>(data), size);
    (void)search::pinyinInitials(text);
    (void)search::pinyinInitialsOfGbk(text);
    return 0;
}
