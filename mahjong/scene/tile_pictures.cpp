#include "mahjong/scene/tile_pictures.h"

namespace mahjong {

TileSizes TileSizes::ForScreenWidth(int32_t screenWidth) {
    TileSizes sizes;
    if (screenWidth > 1200) {
        sizes.ownWidth = 54;
        sizes.ownHeight = 77;
    }
    return sizes;
}

PictureNames NamesOf(Picture picture, bool largeScreen) {
    switch (picture) {
        case Picture::kLargeFace:
            return {"正面大图", largeScreen ? "mj_large1024.bmp" : "mj_large800.bmp", "MJ_LARGE1"};
        case Picture::kMiddle0:
            return {"正面中图0", "mj_middle0.bmp", "MJ_MIDDLE0"};
        case Picture::kMiddle1:
            return {"正面中图1", "mj_middle1.bmp", "MJ_MIDDLE1"};
        case Picture::kMiddle2:
            return {"正面中图2", "mj_middle2.bmp", "MJ_MIDDLE2"};
        case Picture::kMiddle3:
            return {"正面中图3", "mj_middle3.bmp", "MJ_MIDDLE3"};
        case Picture::kSide0:
            return {"侧面0", "mj_side0.bmp", "MJ_SIDE0"};
        case Picture::kSide1:
            return {"侧面1", "mj_side1.bmp", "MJ_SIDE1"};
        case Picture::kSide2:
            return {"侧面2", "mj_side2.bmp", "MJ_SIDE2"};
        case Picture::kBack0:
            return {"背面0", "mj_back0.bmp", "MJ_BACK0"};
        case Picture::kBack1:
            return {"背面1", "mj_back1.bmp", "MJ_BACK1"};
        case Picture::kJokerLarge:
            return {"财神正面大图", largeScreen ? "joker_large1024.bmp" : "joker_large800.bmp",
                    nullptr};
        case Picture::kJokerMiddle0:
            return {"财神正面中图0", "joker_middle0.bmp", nullptr};
        case Picture::kJokerMiddle1:
            return {"财神正面中图1", "joker_middle1.bmp", nullptr};
        case Picture::kJokerMiddle2:
            return {"财神正面中图2", "joker_middle2.bmp", nullptr};
        case Picture::kJokerMiddle3:
            return {"财神正面中图3", "joker_middle3.bmp", nullptr};
        case Picture::kWallBack0:
            return {"牌墙背面0", "mj_smallback0.bmp", "MJ_SMALLBACK0"};
        case Picture::kWallBack1:
            return {"牌墙背面1", "mj_smallback1.bmp", "MJ_SMALLBACK1"};
        case Picture::kWallFace0:
            return {"牌墙正面0", "mj_small0.bmp", "MJ_SMALL0"};
        case Picture::kWallFace1:
            return {"牌墙正面1", "mj_small1.bmp", "MJ_SMALL1"};
        case Picture::kHu:
            return {nullptr, nullptr, "MJ_HU"};
    }
    return {nullptr, nullptr, nullptr};
}

Picture LyingFacePicture(int32_t orientation, bool joker) {
    // Orientation 0 lies as middle face 2, 1 as 3, 2 as 0, 3 as 1.
    static constexpr Picture kPlain[4] = {Picture::kMiddle2, Picture::kMiddle3, Picture::kMiddle0,
                                          Picture::kMiddle1};
    static constexpr Picture kJoker[4] = {Picture::kJokerMiddle2, Picture::kJokerMiddle3,
                                          Picture::kJokerMiddle0, Picture::kJokerMiddle1};
    const int32_t o = ((orientation % 4) + 4) % 4;
    return joker ? kJoker[o] : kPlain[o];
}

}  // namespace mahjong
