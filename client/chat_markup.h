#pragma once
// The chat's markup: text interleaved with tags in angle brackets that set
// the colour, size, face and effects of the text after them and insert face
// pictures. A string is cut at every "<"; a piece that starts with a tag
// ("<" up to the first ">") takes the whole format the tag describes, any
// other piece the control's default. In a tag, each key is found anywhere
// ("s=" size in twips, "c=" colour, "f=" face up to the next ",", "e=" the
// letters u, b, i, l up to the tag's end, "z=" a face picture of up to three
// digits); "<>" thus means black, 180 twips, "宋体", plain. The search steps
// over double-byte characters, whose trail byte may look like a key.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gui/geometry.h"

namespace client {

inline constexpr int kChatTwips = 180;
inline constexpr std::string_view kChatFace = "宋体";

struct ChatStyle {
    platform::COLORREF color = 0;
    int twips = kChatTwips;
    std::string face = std::string(kChatFace);  // at most 31 bytes, whole characters
    bool underline = false;
    bool bold = false;
    bool italic = false;
    bool link = false;
    bool operator==(const ChatStyle&) const = default;
};

struct ChatSegment {
    bool tagged = false;      // false: the text shows in the control's default format
    ChatStyle style;          // the tag's format
    std::optional<int> face;  // "z=": the face picture the tag inserts
    std::string_view text;    // what follows the tag
};

// The text before the first "<" (possibly empty), then one piece per "<".
std::vector<std::string_view> SplitMarkup(std::string_view markup);

// Reads one piece. Sizes above `maxTwips` are cut to it; the "l" effect
// makes a link only while `linksAllowed`. Numbers read as atoi does, held
// to the int range.
ChatSegment ParseChatSegment(std::string_view segment, int maxTwips, bool linksAllowed);

// The words of a chat notice: the text 48 bytes into the payload, up to its
// NUL or the payload's end, without CR and LF (a peer must not fake lines).
std::string ReceivedChatWords(std::span<const uint8_t> payload);

}  // namespace client
