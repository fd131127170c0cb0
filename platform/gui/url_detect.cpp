#include "platform/gui/url_detect.h"

#include <array>

#include "platform/text.h"

namespace platform {
namespace {

constexpr std::array<std::string_view, 3> kPrefixes = {"http://", "https://", "www."};

bool IsWordChar(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsAddressChar(char c) {
    return c > ' ' && c < 0x7F && c != '<' && c != '>' && c != '"';
}

bool IsTrailingPunctuation(char c) {
    return c == '.' || c == ',' || c == ';' || c == ':' || c == '!' || c == '?' || c == '\'' ||
           c == ')' || c == ']';
}

size_t PrefixAt(std::string_view text, size_t pos) {
    for (std::string_view prefix : kPrefixes) {
        if (text.size() - pos < prefix.size()) continue;
        size_t i = 0;
        while (i < prefix.size() && AsciiToLower(text[pos + i]) == prefix[i])
            ++i;
        if (i == prefix.size()) return prefix.size();
    }
    return 0;
}

}  // namespace

std::vector<UrlRange> FindUrls(std::string_view text) {
    std::vector<UrlRange> found;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t prefix = (pos == 0 || !IsWordChar(text[pos - 1])) ? PrefixAt(text, pos) : 0;
        if (prefix == 0) {
            ++pos;
            continue;
        }
        size_t end = pos + prefix;
        while (end < text.size() && IsAddressChar(text[end]))
            ++end;
        const size_t stop = end;
        while (end > pos + prefix && IsTrailingPunctuation(text[end - 1]))
            --end;
        if (end > pos + prefix) found.push_back({pos, end});
        pos = stop;
    }
    return found;
}

}  // namespace platform
