#pragma once
// The own hand's tile controls: the messages their events send and the
// state of a tile being dragged.

#include <cstdint>

namespace mahjong {

// Controls 1-31, one per own hand place in use.
inline constexpr int32_t kTileControls = 31;
// A standing own tile stands this far below its area's top; raised, at it.
inline constexpr int32_t kOwnTileLift = 10;

inline constexpr uint32_t kMsgLookerHoverOn = 210009;
inline constexpr uint32_t kMsgLookerHoverOff = 210010;
inline constexpr uint32_t kMsgTileHoverOn = 210011;
inline constexpr uint32_t kMsgTileHoverOff = 210012;
inline constexpr uint32_t kMsgTileClickIdle = 210013;     // hand mode 1
inline constexpr uint32_t kMsgTileClickKong = 210014;     // hand mode 2
inline constexpr uint32_t kMsgTileClickChow = 210015;     // hand mode 3
inline constexpr uint32_t kMsgTileClickDiscard = 210016;  // hand mode 0, drawn tile in hand
inline constexpr uint32_t kMsgTileDragBegin = 210017;
inline constexpr uint32_t kMsgTileDragMove = 210018;
inline constexpr uint32_t kMsgTileDragEnd = 210019;

struct TileControl {
    uint32_t id = 0;      // the engine control
    int32_t binding = 0;  // the binding it serves; 0: not in use
};

struct TileDrag {
    int32_t control = 0;  // 0: no drag
    int32_t code = 0;     // the tile held and where it came from
    int32_t index = 0;
    int32_t depth = 0;
    int32_t x = 0, y = 0;
    bool moved = false;
};

}  // namespace mahjong
