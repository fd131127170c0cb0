#pragma once
// The bitmaps the classic pane draws the table with. The classic level takes
// them from the skin by their names in its [BitmapResource] section; each
// skin names the pictures of one tile style (and the common ones), so that
// tools/assetgen writes those entries from this table. The pictures only the
// classic pane draws are made beside their style's and the common pictures.

#include <cstdint>

#include "mahjong/scene/asset_names.h"

namespace mahjong::assets {

// skins/<style>/: own tiles that may not be chosen (the large faces, dimmed).
inline constexpr Picture kClassicStylePictures[] = {
    {"mj_locked800.bmp", "", kMagenta, 42, 60, kTileCells, 1},
};
// skins/Common/: the win mark over a shown tile, and the banker's mark.
inline constexpr Picture kClassicCommonPictures[] = {
    {"mj_hu.bmp", "", kMagenta, 42, 60, 1, 1},
    {"mj_zhuang.bmp", "", kMagenta, 20, 20, 1, 1},
};

struct SkinBitmap {
    const char* name;  // the [BitmapResource] key
    const char* file;
    bool common;        // in skins/Common, else in the skin's style folder
    uint32_t colorKey;  // the transparent colour it is drawn with
};
inline constexpr SkinBitmap kClassicSkinBitmaps[] = {
    {"CLOCK", "clock.bmp", false, kMagenta},
    {"CLOCK_HAND", "clock_hand.bmp", false, kMagenta},
    {"CLOCK_DIGIT", "clock_digit.bmp", true, kPureGreen},
    {"MJ_SMALLBACK0", "mj_smallback0.bmp", false, kMagenta},
    {"MJ_SMALLBACK1", "mj_smallback1.bmp", false, kMagenta},
    {"MJ_BACK0", "mj_back0.bmp", false, kMagenta},
    {"MJ_BACK1", "mj_back1.bmp", false, kMagenta},
    {"MJ_SIDE0", "mj_side0.bmp", false, kMagenta},
    {"MJ_SIDE1", "mj_side1.bmp", false, kMagenta},
    {"MJ_SIDE2", "mj_side2.bmp", false, kMagenta},
    {"MJ_SMALL0", "mj_small0.bmp", false, kMagenta},
    {"MJ_SMALL1", "mj_small1.bmp", false, kMagenta},
    {"MJ_LARGE1", "mj_large800.bmp", false, kMagenta},
    {"MJ_LARGE2", "mj_locked800.bmp", false, kMagenta},
    {"MJ_MIDDLE0", "mj_middle0.bmp", false, kMagenta},
    {"MJ_MIDDLE1", "mj_middle1.bmp", false, kMagenta},
    {"MJ_MIDDLE2", "mj_middle2.bmp", false, kMagenta},
    {"MJ_MIDDLE3", "mj_middle3.bmp", false, kMagenta},
    {"MJ_JOKER", "mj_joker.bmp", false, kMagenta},
    {"MJ_HU", "mj_hu.bmp", true, kMagenta},
    {"DICE1", "dice1.bmp", true, kPureBlue},
    {"DICE2", "dice2.bmp", true, kPureBlue},
    {"DICE3", "dice3.bmp", true, kPureBlue},
    {"DICE4", "dice4.bmp", true, kPureBlue},
    {"DICE5", "dice5.bmp", true, kPureBlue},
    {"DICE6", "dice6.bmp", true, kPureBlue},
    {"DICE7", "dice7.bmp", true, kPureBlue},
    {"DICE8", "dice8.bmp", true, kPureBlue},
    {"DICE9", "dice9.bmp", true, kPureBlue},
    {"DICE10", "dice10.bmp", true, kPureBlue},
    {"DICE11", "dice11.bmp", true, kPureBlue},
    {"DICE12", "dice12.bmp", true, kPureBlue},
};
// The seat panel's banker mark.
inline constexpr SkinBitmap kBankerMarkBitmap = {"MJ_ZHUANG", "mj_zhuang.bmp", true, kMagenta};

}  // namespace mahjong::assets
