#include "platform/text.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <memory>

namespace platform {
namespace {

struct IconvCloser {
    void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};

// Converts with iconv, replacing each undecodable input unit with
// `replacement` and skipping `skipInvalid(in)` bytes of it.
template <typename Skip>
std::string Convert(const char* to, const char* from, std::string_view input,
                    std::string_view replacement, Skip skipInvalid) {
    iconv_t raw = iconv_open(to, from);
    if (raw == reinterpret_cast<iconv_t>(-1)) return std::string(input);
    std::unique_ptr<void, IconvCloser> cd(raw);

    std::string out;
    out.reserve(input.size() * 3 / 2 + 4);
    char* in = const_cast<char*>(input.data());
    size_t inLeft = input.size();
    char buffer[1024];
    while (inLeft > 0) {
        char* dst = buffer;
        size_t dstLeft = sizeof buffer;
        size_t r = iconv(raw, &in, &inLeft, &dst, &dstLeft);
        out.append(buffer, dst - buffer);
        if (r != size_t(-1)) continue;
        if (errno == E2BIG) continue;
        // EILSEQ or EINVAL (truncated at the end): replace and resynchronise.
        size_t skip = skipInvalid(std::string_view(in, inLeft));
        if (skip == 0 || skip > inLeft) skip = 1;
        in += skip;
        inLeft -= skip;
        out.append(replacement);
        iconv(raw, nullptr, nullptr, nullptr, nullptr);
    }
    return out;
}

size_t Utf8SequenceLength(std::string_view s) {
    unsigned char c = s[0];
    size_t n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    if (c >= 0x80 && c < 0xC0) return 1;
    size_t i = 1;
    while (i < n && i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80)
        ++i;
    return i;
}

}  // namespace

size_t GbkCharLength(std::string_view text, size_t pos) {
    if (pos >= text.size()) return 0;
    unsigned char lead = text[pos];
    if (IsGbkLeadByte(lead) && pos + 1 < text.size()) {
        unsigned char trail = text[pos + 1];
        if (trail >= 0x40 && trail <= 0xFE && trail != 0x7F) return 2;
    }
    return 1;
}

bool LessIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return uint8_t(AsciiToLower(x)) < uint8_t(AsciiToLower(y));
    });
}

std::string GbkToUtf8(std::string_view gbk) {
    return Convert("UTF-8", "GBK", gbk, "\xEF\xBF\xBD",
                   [](std::string_view s) { return GbkCharLength(s, 0); });
}

std::string Utf8ToGbk(std::string_view utf8) {
    return Convert("GBK", "UTF-8", utf8, "?", Utf8SequenceLength);
}

std::string Utf16LeToGbk(std::string_view utf16le) {
    return Convert("GBK", "UTF-16LE", utf16le, "?", [](std::string_view) { return size_t(2); });
}

std::string GbkToUtf16Le(std::string_view gbk) {
    return Convert("UTF-16LE", "GBK", gbk, std::string_view("\xFD\xFF", 2),
                   [](std::string_view s) { return GbkCharLength(s, 0); });
}

char32_t GbkCodePointAt(std::string_view text, size_t pos, size_t* length) {
    size_t n = GbkCharLength(text, pos);
    if (length) *length = n;
    if (n == 0) return 0;
    unsigned char c = text[pos];
    if (n == 1) return c < 0x80 ? c : 0xFFFD;
    std::string utf8 = GbkToUtf8(text.substr(pos, 2));
    const auto* u = reinterpret_cast<const unsigned char*>(utf8.data());
    if (utf8.size() == 2) return char32_t((u[0] & 0x1F) << 6 | (u[1] & 0x3F));
    if (utf8.size() == 3) return char32_t((u[0] & 0x0F) << 12 | (u[1] & 0x3F) << 6 | (u[2] & 0x3F));
    return 0xFFFD;
}

bool GbkEqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size();) {
        const size_t n = GbkCharLength(a, i);
        if (n == 1) {
            if (AsciiToLower(a[i]) != AsciiToLower(b[i])) return false;
        } else if (a.substr(i, n) != b.substr(i, n)) {
            return false;
        }
        i += n;
    }
    return true;
}

std::string_view GbkPrefix(std::string_view text, size_t maxBytes) {
    size_t n = 0;
    while (n < text.size()) {
        const size_t len = GbkCharLength(text, n);
        if (n + len > maxBytes) break;
        n += len;
    }
    return text.substr(0, n);
}

}  // namespace platform
