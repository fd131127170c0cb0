#include "script/text_scan.h"

#include "platform/text.h"

namespace script {

size_t CharLen(std::string_view text, size_t pos) {
    return platform::GbkCharLength(text, pos);
}

size_t SkipBlanks(std::string_view text, size_t pos) {
    while (pos < text.size() && IsBlank(text[pos]))
        ++pos;
    return pos;
}

size_t FindUnquoted(std::string_view text, char c, size_t pos) {
    bool quoted = false;
    while (pos < text.size()) {
        size_t length = CharLen(text, pos);
        if (length == 1) {
            if (text[pos] == c && !quoted) return pos;
            if (text[pos] == '"') quoted = !quoted;
        }
        pos += length;
    }
    return kNotFound;
}

size_t FindText(std::string_view text, std::string_view needle, size_t pos) {
    if (needle.empty()) return pos <= text.size() ? pos : kNotFound;
    while (pos < text.size()) {
        // Jump to the next candidate byte, then make sure it is on a boundary
        // by stepping characters up to it.
        size_t hit = text.find(needle, pos);
        if (hit == std::string_view::npos) return kNotFound;
        while (pos < hit)
            pos += CharLen(text, pos);
        if (pos == hit) return hit;
        // `hit` was the middle of a character; search again from here.
    }
    return kNotFound;
}

}  // namespace script
