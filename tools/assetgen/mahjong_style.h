#pragma once
// The looks of the mahjong table's styles (mahjong::assets::kStyles, in
// that order): tile colours, the cloth and the bars. Everything a style
// does not change is drawn the same for all.

#include <span>

#include "platform/gui/geometry.h"

namespace assetgen {

struct TableLook {
    const char* style;            // the folder, one of mahjong::assets::kStyles
    platform::COLORREF face;      // tile face
    platform::COLORREF faceEdge;  // the face layer seen from the side
    platform::COLORREF back;      // tile back
    platform::COLORREF backEdge;  // the back layer seen from the side
    platform::COLORREF outline;
    platform::COLORREF cloth, clothEdge;
    platform::COLORREF barLight, barDark;  // the operation and system bars
    int musicKey;                          // the music's key, semitones above A3
};

std::span<const TableLook> TableLooks();

// The gold and white of the marks, buttons and captions of every style.
inline constexpr platform::COLORREF kGold = platform::RGB(250, 214, 100);
inline constexpr platform::COLORREF kWhite = platform::RGB(255, 255, 255);

}  // namespace assetgen
