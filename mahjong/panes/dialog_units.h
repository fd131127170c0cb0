#pragma once
// Places of the dialog templates, given in dialog units of a 9-point "宋体"
// dialog: its base units are 6 x 12 pixels, so a unit is 1.5 pixels each way.

#include <cstdint>

#include "platform/gui/geometry.h"

namespace mahjong {

inline int DluX(int v) {
    return (v * 6 + 2) / 4;
}
inline int DluY(int v) {
    return (v * 12 + 4) / 8;
}
inline platform::RECT DluRect(int x, int y, int width, int height) {
    return {DluX(x), DluY(y), DluX(x + width), DluY(y + height)};
}
inline platform::SIZE DluSize(int width, int height) {
    return {DluX(width), DluY(height)};
}

// The click of a link in the client's small dialogs.
inline constexpr uint32_t kSoundLinkClick = 29010;

}  // namespace mahjong
