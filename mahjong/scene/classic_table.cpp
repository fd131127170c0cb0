// The classic level's table bitmaps, table fonts and the banker and stake
// lines of the info box.
#include "mahjong/scene/classic_table.h"

#include <algorithm>
#include <cstdio>

#include "client/game_app.h"
#include "client/skin_library.h"
#include "mahjong/scene/classic_bitmaps.h"
#include "mahjong/scene/table_scene_base.h"
#include "platform/gui/painter.h"
#include "platform/gui/sys_colors.h"

namespace mahjong {

void ClassicTableBitmaps::Load() {
    bitmaps_.clear();
    client::SkinLibrary& skin = client::SkinLibrary::Instance();
    for (const assets::SkinBitmap& b : assets::kClassicSkinBitmaps)
        if (auto bitmap = skin.GetBitmap(b.name)) bitmaps_.emplace(b.name, std::move(bitmap));
}

const platform::Surface* ClassicTableBitmaps::Get(std::string_view name) const {
    const auto it = bitmaps_.find(name);
    return it == bitmaps_.end() ? nullptr : it->second.get();
}

uint32_t ClassicTableBitmaps::KeyOf(std::string_view name) {
    for (const assets::SkinBitmap& b : assets::kClassicSkinBitmaps)
        if (name == b.name) return b.colorKey;
    return assets::kMagenta;
}

namespace {

platform::SIZE UprightExtent(const TableFont& font, std::string_view text) {
    platform::Surface probe(1, 1);
    platform::Painter p(probe);
    p.SelectFont(font.spec);
    return p.GetTextExtent(text);
}

}  // namespace

platform::SIZE TableTextSize(const TableFont& font, std::string_view text) {
    const platform::SIZE upright = UprightExtent(font, text);
    if (font.escapement == 900 || font.escapement == 2700) return {upright.cy, upright.cx};
    return upright;
}

void DrawTableText(platform::Painter& dc, const TableFont& font, int32_t x, int32_t y,
                   std::string_view text, uint32_t colour) {
    // The text's coverage, drawn upright in white on black, is laid onto the
    // table turned as the font runs: 900 reads upwards, 2700 downwards.
    const platform::SIZE size = UprightExtent(font, text);
    platform::Surface mask(std::max<int>(size.cx, 1), std::max<int>(size.cy, 1));
    mask.Fill(0xff000000);
    platform::Painter p(mask);
    p.SelectFont(font.spec);
    p.SetBkMode(platform::TRANSPARENT);
    p.SetTextColor(0xffffff);
    p.TextOut(0, 0, text);
    const int32_t w = mask.Width(), h = mask.Height();
    const bool up = font.escapement == 900, down = font.escapement == 2700;
    platform::Surface& target = dc.Target();
    const platform::POINT origin = dc.Origin();
    const uint32_t r = colour & 0xff, g = (colour >> 8) & 0xff, b = (colour >> 16) & 0xff;
    for (int32_t my = 0; my < h; ++my) {
        for (int32_t mx = 0; mx < w; ++mx) {
            const uint32_t cover = mask.At(mx, my) & 0xff;
            if (cover == 0) continue;
            const int32_t tx = x + origin.x + (up ? my : down ? h - 1 - my : mx);
            const int32_t ty = y + origin.y + (up ? w - 1 - mx : down ? mx : my);
            if (tx < 0 || ty < 0 || tx >= target.Width() || ty >= target.Height()) continue;
            const uint32_t under = target.At(tx, ty);
            auto mix = [cover](uint32_t a, uint32_t c) {
                return (a * (255 - cover) + c * cover) / 255;
            };
            target.Set(tx, ty,
                       (under & 0xff000000) | mix((under >> 16) & 0xff, r) << 16 |
                           mix((under >> 8) & 0xff, g) << 8 | mix(under & 0xff, b));
        }
    }
}

std::array<TableFont, 4> MakeTableFonts() {
    platform::FontSpec spec = platform::DefaultGuiFont();
    spec.height = -16;
    spec.weight = platform::FW_NORMAL;
    return {{{spec, 0}, {spec, 0}, {spec, 2700}, {spec, 900}}};
}

void CMJTableSceneBase::LoadTableBitmaps() {
    // The engine pane draws with the engine's pictures instead.
    if (paneKind_ == 1) tableBitmaps_.Load();
}

void CMJTableSceneBase::CreateTableFont() {
    tableFonts_ = MakeTableFonts();
}

void CMJTableSceneBase::DrawPlayerInfo(platform::Painter& dc) const {
    const CMJTableLogic* t = GetTableLogic();
    if (!t->IsRunning()) return;
    const client::CGameApp* app = client::CGameApp::Current();
    RECT box;
    GetTableCentreBox(&box);
    dc.SetBkMode(platform::TRANSPARENT);
    const platform::COLORREF previous = dc.SetTextColor(0x00ffff);
    dc.SelectFont(tableFonts_[0].spec);
    char line[160];
    const std::string banker = app ? app->GetSeatName(t->GetBankerChair()) : std::string();
    std::snprintf(line, sizeof(line), "庄:%s", banker.c_str());
    const int32_t y = box.top + (box.bottom - box.top) / 3;
    dc.TextOut(box.left, y, line);
    const bool points = t->GetMoneyMode() == 0;
    std::snprintf(line, sizeof(line), points ? "%s:%d 分" : "%s:%d 两", t->GetBaseLabel().c_str(),
                  points ? t->GetPointsValue() : t->GetSilverValue());
    dc.TextOut(box.left, y + 20, line);
    dc.SetTextColor(previous);
}

}  // namespace mahjong
