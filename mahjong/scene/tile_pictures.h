#pragma once
// Tile sizes and pictures. Each picture is a horizontal strip of cells; a
// face cell starts at TileImageIndex(face) x the cell width, a back is cell
// 0, and 0xff00ff is transparent. The engine pane loads a picture under its
// resource title from its file; the classic pane takes the skin bitmap.

#include <cstdint>

namespace mahjong {

// The size table (pixels).
struct TileSizes {
    int32_t ownWidth = 42, ownHeight = 60;            // own standing tiles, shown tiles
    int32_t sideBackWidth = 19, sideBackHeight = 49;  // standing backs of view seats 0, 2
    int32_t topBackWidth = 26, topBackHeight = 37;    // standing backs of view seat 1
    int32_t acrossWidth = 33, acrossHeight = 32;      // lying across (pictures 0 and 2)
    int32_t alongWidth = 26, alongHeight = 36;        // lying along (pictures 1 and 3)
    int32_t sideStep = 26;                            // step of a side seat's hand

    // The large own tiles on screens wider than 1200 pixels.
    static TileSizes ForScreenWidth(int32_t screenWidth);
    bool Large() const { return ownWidth != 42; }
};

enum class Picture : int32_t {
    kLargeFace,
    kMiddle0,  // faces in orientation 2
    kMiddle1,  // orientation 3
    kMiddle2,  // orientation 0
    kMiddle3,  // orientation 1
    kSide0,    // standing backs of view seats 0, 1, 2
    kSide1,
    kSide2,
    kBack0,  // lying backs of view seats 0 and 2
    kBack1,  // lying backs of view seats 1 and 3
    kJokerLarge,
    kJokerMiddle0,
    kJokerMiddle1,
    kJokerMiddle2,
    kJokerMiddle3,
    kWallBack0,  // wall, sides 0 and 2
    kWallBack1,  // wall, sides 1 and 3
    kWallFace0,
    kWallFace1,
    kHu,  // the win picture of a shown tile (classic pane)
};

struct PictureNames {
    const char* title;  // engine resource title; null where the pane has none
    const char* file;
    const char* skinName;  // classic skin bitmap; null where none
};
// `largeScreen`: the 1024 files of the large faces.
PictureNames NamesOf(Picture picture, bool largeScreen);

// A picture cell as an entity shows it.
struct TileImage {
    Picture picture = Picture::kLargeFace;
    int32_t sourceX = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t backColor = -1;  // blend colour of own tiles (-1 none)
    double blend = 1.0;
};

// The middle face of a lying face in `orientation`, the joker's when `joker`.
Picture LyingFacePicture(int32_t orientation, bool joker);

}  // namespace mahjong
