#pragma once
// A tile binding: one of the table's tile entities lent to a record of the
// scene, with copies of the record's words it was drawn from, so that a
// record that changed under it is found and its entity set free.

#include <cstdint>

#include "mahjong/scene/mj_struct.h"

namespace mahjong {

struct TileBinding {
    uint32_t entity = 0;  // made once, reused
    int32_t area = 0;     // the record's area; 0: free. Hand records: 2 standing, 3 laid open
    int32_t seat = 0;     // where the record is: its area's seat and index
    int32_t index = 0;
    int32_t seatWord = 0;  // copies of the record's words

    int32_t x = 0, y = 0;
    int32_t code = kFaceDown;  // the tile shown
    int32_t locked = 0;
    int32_t control = 0;  // the own-hand tile control (1-31), 0 none
    int32_t raised = 0;

    bool Free() const { return area == 0; }
};

// Bindings are numbered 1-336 (a record's nObject); 0 is none.
inline constexpr int32_t kTileBindings = 336;
inline constexpr int32_t kTileEntityLayer = 2;

}  // namespace mahjong
