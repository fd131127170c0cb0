#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <set>

#include "mahjong/tests/table_fixture.h"

namespace mahjong {
namespace {

using testing::Table;

TEST(Wall, SegmentSizesAndTheOwnSegmentAlwaysAtTheBottom) {
    const int three[3][4] = {{0, 2, 1, 3}, {1, 2, 3, 0}, {3, 2, 0, 1}};
    for (int players : {3, 4}) {
        for (int own = 0; own < players; ++own) {
            Table t(own, players);
            for (int side = 0; side < 4; ++side) {
                const int segment = players == 4 ? (own + side) % 4 : three[own][side];
                const int stacks = players == 4 ? 18 : segment == 2 ? 0 : 24;
                const int start = players == 4 ? 36 * segment : 48 * std::min(segment, 2);
                EXPECT_EQ(t.scene.GetWallSideStacks(side), stacks);
                EXPECT_EQ(t.scene.GetWallSideStart(side), start) << own << " " << side;
            }
        }
    }
    // The segment sizes of both scene kinds.
    Table t;
    CMJTableSceneBase base(&t.logic);  // 152 tiles
    const int want[4][4] = {{18, 18, 18, 18}, {24, 24, 0, 24}, {19, 19, 19, 19}, {26, 25, 0, 25}};
    for (int k = 0; k < 4; ++k) {
        CMJTableSceneBase& s = k < 2 ? static_cast<CMJTableSceneBase&>(t.scene) : base;
        s.SetWallPlayerCount(k % 2 ? 3 : 4);
        int32_t sizes[4];
        s.GetWallSegmentSizes(sizes);
        EXPECT_EQ(std::vector<int>(sizes, sizes + 4), std::vector<int>(want[k], want[k] + 4)) << k;
    }
}

TEST(Wall, LayoutPutsEveryTileOnceInsideItsSide) {
    for (int players : {3, 4}) {
        Table t(1, players);
        t.scene.LayOutWall();
        RECT centre, sides[4];
        t.scene.GetTableCentreRect(&centre);
        for (int s = 0; s < 4; ++s)
            t.scene.GetWallSideRect(s, &sides[s]);
        int onSide[4] = {};
        for (int i = 0; i < 144; ++i) {
            const MJStruct& r = *t.scene.GetMJStruct(kAreaWall, 0, i);
            RECT tile;
            t.scene.GetWallTileRect(i, &tile);
            const RECT& side = sides[r.seat];
            EXPECT_TRUE(tile.left >= side.left && tile.right <= side.right &&
                        tile.top >= side.top && tile.bottom <= side.bottom)
                << "record " << i;
            ++onSide[r.seat];
            if (i % 2 == 1) {
                // The lower tile of a stack lies below the upper one.
                const MJStruct& up = *t.scene.GetMJStruct(kAreaWall, 0, i - 1);
                EXPECT_EQ(r.x, up.x);
                EXPECT_EQ(r.y - up.y, r.seat == 0 ? 9 : 10);
            }
        }
        const std::vector<int> want =
            players == 4 ? std::vector<int>(4, 36) : std::vector<int>{48, 0, 48, 48};
        EXPECT_EQ(std::vector<int>(onSide, onSide + 4), want);
        // The bottom side lies centred under the centre.
        EXPECT_EQ(sides[3].left + sides[3].right, centre.left + centre.right);
        // Wall order runs clockwise: along the bottom from right to left.
        const int bottom = t.scene.GetWallSideStart(3);
        EXPECT_GT(t.scene.GetMJStruct(kAreaWall, 0, bottom)->x,
                  t.scene.GetMJStruct(kAreaWall, 0, bottom + 2)->x);
    }
}

// The wall words of a round: start, next head position, tail steps,
// turned-up place and face.
void SetWall(testing::Words& w, int s, int head, int tail, int j, int face) {
    const std::pair<int, int> words[] = {{snap::kWallStart, s},
                                         {snap::kWallHead, head},
                                         {snap::kTailCounter, tail},
                                         {snap::kTurnedUpPos, j},
                                         {snap::kJokerA, face}};
    for (auto [n, v] : words)
        w[n] = v;
}

// The tail rule as the table draws: start - 2, start - 1, start - 4, ...,
// each position a step of the counter, the turned-up tile passed over.
std::set<int> TailPositions(int s, int j, int t) {
    std::set<int> taken;
    for (int k = 0; k < t; ++k) {
        const int pos = ((s - 2 - 2 * (k / 2) + k % 2) % 144 + 144) % 144;
        if (pos != j) taken.insert(pos);
    }
    return taken;
}

TEST(Wall, SyncTakesHeadAndTailDrawsForEveryStart) {
    for (int s = 0; s < 144; ++s) {
        for (auto [head, tail] : {std::pair{0, 0}, {65, 0}, {65, 3}, {90, 20}, {100, 44}}) {
            Table t;
            const int j = (s + 142) % 144;
            t.Start([&](testing::Words& w) { SetWall(w, s, (s + head) % 144, tail, j, 77); });
            t.scene.LayOutWallFromSnapshot();
            const std::set<int> fromTail = TailPositions(s, j, tail);
            for (int i = 0; i < 144; ++i) {
                const bool want = (i - s + 144) % 144 >= head && !fromTail.count(i);
                ASSERT_EQ(t.scene.GetMJStruct(kAreaWall, 0, i)->present, want) << s << " " << i;
            }
            const MJStruct& turned = *t.scene.GetMJStruct(kAreaWall, 0, j);
            EXPECT_EQ(turned.faceState, 1);
            EXPECT_EQ(turned.nFace, 77);
            EXPECT_EQ(turned.present, 1) << "the tail walk passes over the turned-up tile";
        }
    }
}

TEST(Wall, HostileWallWordsLeaveTheWallAsItIs) {
    const int32_t bad[] = {-1, 144, INT_MIN, INT_MAX};
    for (int field : {snap::kWallStart, snap::kWallHead, snap::kTurnedUpPos, snap::kTailCounter}) {
        for (int32_t v : bad) {
            if (field == snap::kTailCounter && v == 144) continue;  // 144 tail steps are possible
            Table t;
            t.Start([&](testing::Words& w) { SetWall(w, 10, 20, 3, 8, 5), w[field] = v; });
            t.scene.LayOutWall();
            t.scene.ShowWall(1);
            EXPECT_FALSE(t.scene.SyncWallFromSnapshot()) << field << " = " << v;
            for (int i = 0; i < 144; ++i) {
                ASSERT_EQ(t.scene.GetMJStruct(kAreaWall, 0, i)->present, 1);
                ASSERT_EQ(t.scene.GetMJStruct(kAreaWall, 0, i)->faceState, 0);
            }
        }
    }
    // Without a turned-up tile J is not read; a full tail walk stays in the wall.
    Table t;
    t.Start([](testing::Words& w) { SetWall(w, 0, 0, 144, -5, -1); });
    t.scene.LayOutWall();
    t.scene.ShowWall(1);
    EXPECT_TRUE(t.scene.SyncWallFromSnapshot());
    for (int i = 0; i < 144; ++i)
        EXPECT_EQ(t.scene.GetMJStruct(kAreaWall, 0, i)->present, 0);
}

TEST(Wall, TheTurnedUpTileAndWallPictures) {
    Table t;
    t.scene.SetTileSizes(TileSizes::ForScreenWidth(1024));
    t.Start([](testing::Words& w) { SetWall(w, 0, 0, 0, 142, 30); });
    t.scene.LayOutWallFromSnapshot();
    RECT pos, tile, draw;
    t.scene.GetWallTileRect(142, &tile);
    t.scene.GetDrawPosRect(&pos);
    t.scene.GetDrawTileRect(&draw);
    EXPECT_EQ(pos, tile);
    EXPECT_EQ(draw.right - draw.left, 42);
    EXPECT_EQ(draw.bottom - draw.top, 60);
    EXPECT_LE(std::abs(draw.left + draw.right - tile.left - tile.right), 1) << "centred on it";
    TileImage image;
    t.scene.WallTileImage(142, &image);
    const bool row = t.scene.GetMJStruct(kAreaWall, 0, 142)->seat % 2 == 1;
    EXPECT_EQ(image.picture, row ? Picture::kWallFace1 : Picture::kWallFace0);
    EXPECT_EQ(image.sourceX, TileImageIndex(30) * (row ? 17 : 22));
    t.scene.WallTileImage(0, &image);
    EXPECT_EQ(image.sourceX, 0);
    t.scene.GetMJStruct(kAreaWall, 0, 142)->present = 0;
    t.scene.GetDrawPosRect(&pos);
    EXPECT_EQ(pos, RECT{});
}

}  // namespace
}  // namespace mahjong
