#include <gtest/gtest.h>

#include <tuple>

#include "mahjong/tests/table_fixture.h"
#include "platform/gui/display.h"
#include "platform/gui/wnd.h"

namespace mahjong {
namespace {

using testing::Table;

RECT Area(const CMJTableSceneBase& s, int seat) {
    RECT r;
    s.GetHandAreaRect(seat, &r);
    return r;
}

TEST(HandAreas, RectanglesAtBothPaneKindsAndOnASmallScreen) {
    Table t;  // a 744 x 710 pane
    CMJTableSceneBase classic(&t.logic);
    // Classic: 14 tiles, sides 426 long and 49 deep, the own row 600 by 70.
    EXPECT_EQ(Area(classic, 0), (RECT{10, 102, 59, 528}));
    EXPECT_EQ(Area(classic, 2), (RECT{685, 102, 734, 528}));
    EXPECT_EQ(Area(classic, 1), (RECT{159, 4, 585, 53}));
    EXPECT_EQ(Area(classic, 3), (RECT{72, 636, 672, 706}));
    EXPECT_EQ(Area(classic, 4), (RECT{0, 0, 0, 0}));

    for (int w : {42, 54}) {
        // 42 by 60 up to 1200 pixels wide, 54 by 77 above.
        t.scene.SetTileSizes(TileSizes::ForScreenWidth(w == 42 ? 1200 : 1201));
        const int own = 17 * w + 12;
        EXPECT_EQ(t.scene.GetHandAreaLength(0), 504);
        EXPECT_EQ(t.scene.GetHandAreaLength(3), own);
        EXPECT_EQ(t.scene.GetHandAreaDepth(3), (w == 42 ? 60 : 77) + 10);
        for (int border : {0, 6}) {
            t.scene.SetFrameBorder(border);
            const int e = border + 4;
            const int d3 = t.scene.GetHandAreaDepth(3);
            EXPECT_EQ(Area(t.scene, 0), (RECT{e, 63, e + 49, 567}));
            EXPECT_EQ(Area(t.scene, 2), (RECT{744 - e - 49, 63, 744 - e, 567}));
            EXPECT_EQ(Area(t.scene, 1), (RECT{120, e, 624, e + 49}));
            EXPECT_EQ(Area(t.scene, 3),
                      (RECT{372 - own / 2, 710 - e - d3, 372 - own / 2 + own, 710 - e}));
        }
    }
    EXPECT_EQ(t.scene.GetMeldRowOffset(0), 0);
    EXPECT_EQ(t.scene.GetMeldRowOffset(1), 11);
    EXPECT_EQ(t.scene.GetMeldRowOffset(2), 16);
    EXPECT_EQ(classic.GetMeldRowOffset(3), 17);
    RECT c;
    t.scene.GetTableCentreRect(&c);
    EXPECT_EQ(c, (RECT{266, 265, 478, 385}));
    // The engine's screen sets the pane's size.
    t.scene.InitScreen(800, 600);
    t.scene.OnResize();
    t.scene.GetTableCentreRect(&c);
    EXPECT_EQ(c.left, 400 - 106);
    // A small screen keeps ten pixels and lifts less.
    platform::SetDisplay(std::make_shared<platform::HeadlessDisplay>(platform::SIZE{800, 600}));
    {
        Table t;
        ASSERT_TRUE(t.scene.SmallScreen());
        t.scene.SetFrameBorder(6);
        EXPECT_EQ(Area(t.scene, 0), (RECT{10, 77, 59, 581})) << "355 - 252 - 16 - 10";
        EXPECT_EQ(Area(t.scene, 1).top, 10);
        EXPECT_EQ(Area(t.scene, 3).bottom, 700);
        RECT c;
        t.scene.GetTableCentreRect(&c);
        EXPECT_EQ(c.top, 285);
    }
    platform::SetDisplay(std::make_shared<platform::HeadlessDisplay>());
}

TEST(ShownTiles, RectanglesAndTheLastDiscardTakenBack) {
    Table t(1, 4);
    t.scene.SetTileSizes(TileSizes::ForScreenWidth(1024));
    RECT a, r;
    t.scene.GetHandAreaRect(0, &a);
    t.scene.GetShownTileRect(0, &r);
    EXPECT_EQ(r, (RECT{a.right + 24, a.top + 222, a.right + 66, a.top + 282}));
    // Chair 0 (view seat 2) moves without a drawn tile: the seat before it,
    // view seat 3, discarded last and shows that tile again.
    t.Start([](testing::Words& w) { w[snap::kTurnChair] = 0; });
    t.scene.ClearShownTiles();
    for (int i = 0; i < 3; ++i)
        *t.scene.GetMJStruct(kAreaRiver, 3, i) = {.nFace = 50 + i, .present = 1};
    t.scene.ReturnLastDiscard();
    EXPECT_TRUE(t.scene.IsShownTilePending(3));
    EXPECT_EQ(t.scene.GetMJStruct(kAreaShown, 3, 0)->nFace, 52);
    EXPECT_EQ(t.scene.LastRiverIndex(3), 1);
    t.Start([](testing::Words& w) { w[snap::kTurnChair] = 7; });
    t.scene.ReturnLastDiscard();
    EXPECT_EQ(t.scene.LastRiverIndex(3), 1) << "a turn chair without seat takes nothing back";
}

TEST(TilePictures, HandRecordsChooseTheirCells) {
    Table t;
    t.Start([](testing::Words& w) { w[snap::kJokerA] = 4; });
    t.scene.SetTileSizes(TileSizes::ForScreenWidth(1024));
    struct Case {
        int seat;
        MJStruct r;
        Picture picture;
        int sourceX, width, height;
    };
    auto rec = [](int face, int faceState, int standing, int orientation = 0) {
        return MJStruct{.nFace = face,
                        .faceState = faceState,
                        .orientation = orientation,
                        .standing = standing};
    };
    const Case cases[] = {
        {0, rec(kFaceDown, 2, 1), Picture::kSide0, 0, 19, 49},
        {1, rec(kFaceDown, 2, 1), Picture::kSide1, 0, 26, 37},
        {3, rec(10, 1, 1), Picture::kLargeFace, 1 * 42, 42, 60},
        {3, rec(4, 1, 1), Picture::kJokerLarge, 4 * 42, 42, 60},
        {0, rec(108, 1, 1), Picture::kMiddle0, 27 * 33, 33, 32},
        {2, rec(13, 1, 1), Picture::kJokerMiddle2, 4 * 33, 33, 32},
        {0, rec(9, 0, 0), Picture::kBack0, 0, 33, 32},
        {3, rec(9, 0, 0), Picture::kBack1, 0, 26, 36},
        {1, rec(1, 1, 0, 0), Picture::kMiddle2, 33, 33, 32},
        {1, rec(1, 1, 0, 1), Picture::kMiddle3, 26, 26, 36},
        {0, rec(1, 1, 0, 3), Picture::kMiddle1, 26, 26, 36},
    };
    for (const Case& c : cases) {
        TileImage image;
        ASSERT_TRUE(t.scene.HandTileImage(c.seat, c.r, &image)) << c.seat;
        EXPECT_EQ(std::tuple(image.picture, image.sourceX, image.width, image.height),
                  std::tuple(c.picture, c.sourceX, c.width, c.height))
            << c.seat << " " << c.r.nFace;
    }
    // Own tiles: locked ones dimmed, jokers tinted.
    TileImage image;
    MJStruct own = rec(4, 1, 1);
    t.scene.HandTileImage(3, own, &image);
    EXPECT_EQ(std::pair(image.backColor, image.blend), std::pair(0x120af5, 0.7));
    own.locked = 1;
    t.scene.HandTileImage(3, own, &image);
    EXPECT_EQ(std::pair(image.backColor, image.blend), std::pair(0, 0.6));
    EXPECT_FALSE(t.scene.HandTileImage(1, rec(5, 0, 1), &image))
        << "a standing tile without face or back";
    EXPECT_FALSE(t.scene.HandTileImage(5, own, &image));
    EXPECT_STREQ(NamesOf(Picture::kLargeFace, true).file, "mj_large1024.bmp");
    EXPECT_STREQ(NamesOf(Picture::kJokerMiddle3, false).title, "财神正面中图3");
}

}  // namespace
}  // namespace mahjong
