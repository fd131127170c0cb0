#include "client/chat_markup.h"

#include <algorithm>
#include <climits>

#include "platform/text.h"

namespace client {
namespace {

constexpr size_t kWordsOffset = 48;
constexpr size_t kMaxFaceBytes = 31;
constexpr size_t kFaceDigits = 3;

// The position of `key` as a whole character sequence in `tag`, or npos.
size_t FindKey(std::string_view tag, std::string_view key) {
    for (size_t pos = 0; pos < tag.size(); pos += platform::GbkCharLength(tag, pos)) {
        if (tag.substr(pos, key.size()) == key) return pos;
    }
    return std::string_view::npos;
}

// atoi: blanks, a sign, digits; held to the int range instead of overflowing.
int ReadInt(std::string_view text) {
    size_t pos = 0;
    while (pos < text.size() && (text[pos] == ' ' || (text[pos] >= '\t' && text[pos] <= '\r')))
        ++pos;
    const bool negative = pos < text.size() && text[pos] == '-';
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) ++pos;
    long long value = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos)
        value = std::min(value * 10 + (text[pos] - '0'), 1LL << 32);
    value = negative ? -value : value;
    return int(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

// Whether the letter `c` stands in `text` as a character of its own.
bool HasLetter(std::string_view text, char c) {
    for (size_t pos = 0; pos < text.size(); pos += platform::GbkCharLength(text, pos)) {
        if (text[pos] == c) return true;
    }
    return false;
}

}  // namespace

std::vector<std::string_view> SplitMarkup(std::string_view markup) {
    // "<" is never the trail byte of a double-byte character.
    std::vector<std::string_view> pieces;
    size_t start = 0;
    for (size_t next; (next = markup.find('<', start + 1)) != std::string_view::npos;) {
        pieces.push_back(markup.substr(start, next - start));
        start = next;
    }
    pieces.push_back(markup.substr(start));
    return pieces;
}

ChatSegment ParseChatSegment(std::string_view segment, int maxTwips, bool linksAllowed) {
    ChatSegment out;
    const size_t close = segment.find('>');
    if (segment.empty() || segment[0] != '<' || close == std::string_view::npos) {
        out.text = segment;
        return out;
    }
    const std::string_view tag = segment.substr(0, close + 1);
    out.tagged = true;
    out.text = segment.substr(close + 1);
    ChatStyle& style = out.style;
    if (const size_t at = FindKey(tag, "s="); at != std::string_view::npos) {
        style.twips = std::min(ReadInt(tag.substr(at + 2)), maxTwips);
    }
    if (const size_t at = FindKey(tag, "c="); at != std::string_view::npos) {
        style.color = platform::COLORREF(ReadInt(tag.substr(at + 2)));
    }
    if (const size_t at = FindKey(tag, "f="); at != std::string_view::npos) {
        const size_t comma = tag.find(',', at + 2);
        style.face = comma == std::string_view::npos
                         ? std::string()
                         : std::string(platform::GbkPrefix(tag.substr(at + 2, comma - at - 2),
                                                           kMaxFaceBytes));
    }
    if (const size_t at = FindKey(tag, "e="); at != std::string_view::npos) {
        const std::string_view effects = tag.substr(at);
        style.underline = HasLetter(effects, 'u');
        style.bold = HasLetter(effects, 'b');
        style.italic = HasLetter(effects, 'i');
        style.link = linksAllowed && HasLetter(effects, 'l');
    }
    if (const size_t at = FindKey(tag, "z="); at != std::string_view::npos) {
        out.face = ReadInt(tag.substr(at + 2, kFaceDigits));
    }
    return out;
}

std::string ReceivedChatWords(std::span<const uint8_t> payload) {
    std::string words;
    for (size_t i = kWordsOffset; i < payload.size() && payload[i] != 0; ++i) {
        if (payload[i] != '\r' && payload[i] != '\n') words += char(payload[i]);
    }
    return words;
}

}  // namespace client
