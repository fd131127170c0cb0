#pragma once
// The classic pane's picture of the table, drawn from the scene's records
// and words with the table bitmaps of the skin: the banker and stake lines,
// the wall, each seat's flowers, river, hand and shown tile, the turn
// clock, the turned-up wall tile while it is shown full size, and the dice
// while they are on the table.

#include <cstdint>
#include <string_view>

#include "platform/gui/painter.h"

namespace mahjong {

class CMJTableScene;
struct TileImage;

class ClassicTablePainter {
  public:
    ClassicTablePainter(const CMJTableScene& scene, platform::Painter& dc)
        : scene_(scene), dc_(dc) {}
    void Paint();

  private:
    // Cell `source` of a table bitmap at `dest`, its colour key transparent.
    void Blt(std::string_view bitmap, const platform::RECT& dest, const platform::RECT& source);
    void PaintRecord(int32_t area, int32_t seat, int32_t index);
    void PaintOwnHand();
    void PaintClock();
    void PaintDice();
    void PaintTurnedUpTile();

    const CMJTableScene& scene_;
    platform::Painter& dc_;
};

}  // namespace mahjong
