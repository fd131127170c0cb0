#pragma once
// What the classic level draws the table with besides the tile records:
// the table bitmaps of the current skin (the classic pane's tiles, clock and
// dice, by their names in the skin's [BitmapResource] section) and the
// table fonts, which the platform keeps as descriptions with the angle the
// text runs at.

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "platform/font/font.h"
#include "platform/gui/geometry.h"
#include "platform/gui/surface.h"

namespace platform {
class Painter;
}

namespace mahjong {

class ClassicTableBitmaps {
  public:
    // Every bitmap of the classic table from the current skin; a name the
    // skin lacks has none (nothing is drawn for it).
    void Load();
    const platform::Surface* Get(std::string_view name) const;
    // The colour a bitmap is drawn transparent with.
    static uint32_t KeyOf(std::string_view name);

  private:
    std::map<std::string, std::shared_ptr<const platform::Surface>, std::less<>> bitmaps_;
};

struct TableFont {
    platform::FontSpec spec;
    int32_t escapement = 0;  // tenths of a degree the text runs at
};
// The size of a text in a table font as it stands on the table (a text at
// 900 or 2700 runs vertically), and the text drawn there in `colour` with
// its top-left corner at (x, y), over what is drawn (transparent).
platform::SIZE TableTextSize(const TableFont& font, std::string_view text);
void DrawTableText(platform::Painter& dc, const TableFont& font, int32_t x, int32_t y,
                   std::string_view text, uint32_t colour);

// The four table fonts: two upright, then one rotated by 270 and one by 90
// degrees, all from the stock GUI font at height -16, weight 400.
std::array<TableFont, 4> MakeTableFonts();

}  // namespace mahjong
