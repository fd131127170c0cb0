#pragma once
// GBK-aware scanning of script text. A double-byte character is always
// stepped over whole, so its trail byte never passes for '{', '|', '}' or '@'.

#include <cstddef>
#include <string_view>

namespace script {

inline constexpr size_t kNotFound = std::string_view::npos;

// Blanks between tokens: space, CR and LF.
inline bool IsBlank(char c) {
    return c == ' ' || c == '\r' || c == '\n';
}

// Bytes of the character at `pos` (1 or 2; 0 at the end).
size_t CharLen(std::string_view text, size_t pos);

size_t SkipBlanks(std::string_view text, size_t pos);

// First `c` at or after `pos` outside double quotes (a quote toggles the state
// after its test); kNotFound when none.
size_t FindUnquoted(std::string_view text, char c, size_t pos);

// First occurrence of `needle` starting on a character boundary at or after
// `pos`; kNotFound when none.
size_t FindText(std::string_view text, std::string_view needle, size_t pos);

}  // namespace script
