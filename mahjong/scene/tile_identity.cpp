#include "mahjong/scene/tile_identity.h"

#include <algorithm>

namespace mahjong {

int32_t TileImageIndex(int32_t tile) {
    if (tile == kFaceDown) return 46;
    if (tile < 0 || tile >= 152) return 0;
    if (tile < 108) return tile % 9 + 9 * (tile / 36);
    if (tile < 136) return (tile - 108) % 7 + 27;
    if (tile < 144) return (tile - 136) % 8 + 34;
    if (tile < 148) return (tile - 144) % 4 + 42;
    return 46;
}

int32_t TileSuit(int32_t tile) {
    if (tile < 0 || tile >= 152) return -1;
    if (tile < 108) return tile / 36;
    if (tile < 136) return 3;
    return tile < 144 ? 4 : 5;
}

int32_t TileRank(int32_t tile) {
    if (tile < 0 || tile >= 152) return 0;
    if (tile < 108) return tile % 9 + 1;
    if (tile < 136) return (tile - 108) % 7 + 1;
    if (tile < 144) return (tile - 136) % 8 + 1;
    return (tile - 144) % 8 + 1;
}

int32_t SameKindTiles(int32_t tile, int32_t out[4]) {
    const int32_t suit = TileSuit(tile);
    if (suit < 0) return 0;
    if (suit > 3) {
        out[0] = tile;  // a flower is unique
        return 1;
    }
    const int32_t step = suit == 3 ? 7 : 9;
    out[0] = suit * 36 + TileRank(tile) - 1;
    for (int i = 1; i < 4; ++i)
        out[i] = out[0] + step * i;
    return 4;
}

void OtherCopies(int32_t tile, int32_t out[3]) {
    int32_t all[4];
    std::fill(out, out + 3, -1);
    if (SameKindTiles(tile, all) != 4) return;
    int n = 0;
    for (int32_t copy : all)
        if (copy != tile && n < 3) out[n++] = copy;
}

int32_t CountFaces(std::span<const int32_t> list) {
    return int32_t(std::count_if(list.begin(), list.end(), [](int32_t f) { return f != -1; }));
}

int32_t ClearFaces(std::span<int32_t> list) {
    std::fill(list.begin(), list.end(), -1);
    return -1;
}

void RemoveFace(std::span<int32_t> list, int32_t face) {
    std::replace(list.begin(), list.end(), face, -1);
}

}  // namespace mahjong
