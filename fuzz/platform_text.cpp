// Text conversion and GBK stepping over arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    platform::GbkToUtf8(text);
    platform::Utf8ToGbk(text);
    for (size_t pos = 0, n; (n = platform::GbkCharLength(text, pos)) != 0; pos += n) {
        size_t length = 0;
        platform::GbkCodePointAt(text, pos, &length);
        if (length != n) __builtin_trap();
    }
    return 0;
}
