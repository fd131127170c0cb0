#pragma once
// GBK is the system's text. These convert it at the operating-system edges
// (file names, window titles, glyph look-up, files written for people) and
// step through it without splitting a double-byte character.

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// A byte that starts a double-byte GBK character (0x81-0xFE).
inline bool IsGbkLeadByte(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}

// Length in bytes of the character at text[pos]: 2 for a lead byte followed
// by a trail byte (0x40-0xFE except 0x7F), else 1; 0 at the end.
size_t GbkCharLength(std::string_view text, size_t pos);

// ASCII letters folded to lower case; every other byte as it is.
inline char AsciiToLower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// Equal ignoring the case of ASCII letters; a double-byte character is
// compared exactly, since its trail byte may be a letter.
bool GbkEqualsIgnoreCase(std::string_view a, std::string_view b);
// Byte order with ASCII letters folded to lower case: how names are listed.
bool LessIgnoringAsciiCase(std::string_view a, std::string_view b);

// Invalid or unmappable sequences become U+FFFD in UTF-8 and '?' in GBK.
std::string GbkToUtf8(std::string_view gbk);
std::string Utf8ToGbk(std::string_view utf8);
// Wide text of resources (UTF-16, little-endian bytes) and back.
std::string Utf16LeToGbk(std::string_view utf16le);
std::string GbkToUtf16Le(std::string_view gbk);

// The code point of the GBK character at text[pos] (U+FFFD when invalid) and
// its length in bytes through `length`.
char32_t GbkCodePointAt(std::string_view text, size_t pos, size_t* length);

// The longest prefix of `text` of at most `maxBytes` bytes that does not cut
// a double-byte character in two: for fixed-size buffers of GBK text.
std::string_view GbkPrefix(std::string_view text, size_t maxBytes);

}  // namespace platform
