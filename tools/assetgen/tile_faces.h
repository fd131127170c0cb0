#pragma once
// The faces of the tiles, drawn upright and large (kFaceWidth x kFaceHeight)
// for every cell of a tile strip; the tile pictures average them down into
// their face areas, turned as each picture needs.
//   0-8    一 to 九 over 万
//   9-17   one to nine bamboo sticks (条)
//   18-26  one to nine circles (洞)
//   27-33  东 南 西 北 中 发, and 白 as a blue frame
//   34-45  the flowers 春 夏 秋 冬 梅 兰 竹 菊 琴 棋 书 画, numbered 1-4
// A joker's face (财神) is the same face on gold with a red "财" seal in
// its corner. Cell 46 is the back, which the tile pictures draw themselves.

#include "platform/gui/surface.h"

namespace assetgen {

inline constexpr int kFaceWidth = 150;
inline constexpr int kFaceHeight = 200;

platform::Surface DrawFace(int cell, platform::COLORREF ground, bool joker);
// The face of the joker picture itself: 财 over 神.
platform::Surface DrawJokerSign(platform::COLORREF ground);

}  // namespace assetgen
