// The table drawn by the engine, pixel for pixel on the headless display: a
// round just dealt, a round in play seen from each chair, and a settlement.
// Both desktops are 1024 pixels wide: the own tiles are 42 x 60 and the own
// row fits the table.
// QEVO_UPDATE_GOLDEN=1 writes the pictures anew from the headless frames.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "mahjong/scene/table_scene.h"
#include "platform/clock.h"
#include "platform/gui/display.h"
#include "platform/gui/tests/pixel_compare.h"
#include "platform/tests/source_path.h"
#include "tools/table-gallery/table_gallery.h"

namespace table_gallery {
namespace {

using mahjong::CTableScene;
using platform::testing_support::Mismatch;

std::string GoldenPath(const std::string& name) {
    return platform::testing_support::SourcePath("tools/table-gallery/tests/golden/" + name);
}

// The tiles on the table: present records of the wall, the hands (melds
// included), the rivers and the flower areas.
int TilesOnTable(CTableScene& s) {
    int n = 0;
    for (int32_t area :
         {mahjong::kAreaWall, mahjong::kAreaHand, mahjong::kAreaFlower, mahjong::kAreaRiver})
        for (int32_t seat = 0; seat < (area == mahjong::kAreaWall ? 1 : 4); ++seat)
            for (int32_t i = 0; i < mahjong::kWallRecords; ++i)
                if (const mahjong::MJStruct* r = s.GetMJStruct(area, seat, i); r && r->present) ++n;
    return n;
}

struct Case {
    const char* golden;
    int chair;
    Show show;
};
constexpr Case kPictures[] = {
    {"dealt.png", 0, Show::kDealt},           {"in_play_chair0.png", 0, Show::kInPlay},
    {"in_play_chair1.png", 1, Show::kInPlay}, {"in_play_chair2.png", 2, Show::kInPlay},
    {"in_play_chair3.png", 3, Show::kInPlay}, {"settlement.png", 0, Show::kSettlement},
};

TEST(TableGallery, EachChairSeesTheWholeTableFromItsOwnSide) {
    platform::ManualClock clock(1'000'000);
    platform::ScopedClock scoped(clock);
    platform::SetDisplay(std::make_shared<platform::HeadlessDisplay>(platform::SIZE{1024, 768}));
    for (const Case& c : kPictures) {
        SCOPED_TRACE(c.golden);
        TableGallery g(c.chair, QEVO_ASSET_DIR);
        ASSERT_TRUE(g.Open(0, 0, c.show));
        CTableScene& s = g.Scene();
        if (c.show != Show::kSettlement) {
            EXPECT_EQ(TilesOnTable(s), 144);
            // The own hand stands at the bottom with its faces known, the
            // others' are hidden; chair 0 holds its drawn tile.
            EXPECT_TRUE(s.IsHandFaceKnown(3));
            EXPECT_FALSE(s.IsHandFaceKnown(0) || s.IsHandFaceKnown(1) || s.IsHandFaceKnown(2));
            EXPECT_TRUE(s.HasDrawnTile(s.ChairToViewSeat(0)));
        }
        s.Frame();
        if (std::getenv("QEVO_UPDATE_GOLDEN")) s.Output().SavePng(GoldenPath(c.golden));
        EXPECT_EQ(Mismatch(s.Output(), platform::Surface::LoadPng(GoldenPath(c.golden)), 0), 0.0);
    }
    platform::SetDisplay(nullptr);
}

}  // namespace
}  // namespace table_gallery
