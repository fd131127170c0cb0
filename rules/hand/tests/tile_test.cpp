#include "rules/hand/tile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/text.h"

namespace rules {
namespace {

// Restores the default hooks after each test that installs others.
class TileTest : public ::testing::Test {
  protected:
    void TearDown() override { ResetTileHooks(); }
};

TEST_F(TileTest, IdsMapToSuitRankAndIndex) {
    struct Case {
        TileId id;
        int32_t suit, rank;
        TileIndex index;
    };
    const Case cases[] = {
        {0, 0, 1, 1},       {8, 0, 9, 9},          {9, 0, 1, 1},     {35, 0, 9, 9},
        {36, 1, 1, 11},     {71, 1, 9, 19},        {72, 2, 1, 21},   {107, 2, 9, 29},
        {108, 3, 1, 31},    {114, 3, 7, 37},       {115, 3, 1, 31},  {135, 3, 7, 37},
        {136, 4, 1, 41},    {151, 4, 16, 56},      {-1, -1, 0, -10}, {152, -1, 0, -10},
        {-500, -1, 0, -10}, {1 << 30, -1, 0, -10},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TileIdToSuit(c.id, 0), c.suit) << c.id;
        EXPECT_EQ(TileIdToRank(c.id, 0), c.rank) << c.id;
        EXPECT_EQ(TileIdToIndex(c.id, 0), c.index) << c.id;
    }
}

TEST_F(TileTest, FourCopiesOfEachKind) {
    for (TileIndex kind = 1; kind < 64; ++kind) {
        int copies = 0;
        for (TileId id = 0; id < kTileIdCount; ++id)
            copies += TileIdToIndex(id, 0) == kind;
        int expected = (kind % 10 != 0 && kind < 30) || (kind >= 31 && kind <= 37) ? 4
                       : kind >= 41 && kind <= 56                                  ? 1
                                                                                   : 0;
        EXPECT_EQ(copies, expected) << kind;
    }
}

TEST_F(TileTest, MakeTileIndexAndFirstId) {
    EXPECT_EQ(MakeTileIndex(2, 5), 25);
    EXPECT_EQ(MakeTileIndex(-1, 5), 0);
    EXPECT_EQ(MakeTileIndex(1, 0), 0);
    EXPECT_EQ(IndexToFirstTileId(37, 0), 114);
    EXPECT_EQ(IndexToFirstTileId(1, 0), 0);
    EXPECT_EQ(IndexToFirstTileId(19, 0), 44);
    EXPECT_EQ(IndexToFirstTileId(0, 0), -1);
    EXPECT_EQ(IndexToFirstTileId(-10, 0), 152);  // the first id past the tile set
    EXPECT_EQ(IndexToFirstTileId(-9, 0), -1);
    EXPECT_EQ(IndexToFirstTileId(30, 0), -1);
}

TEST_F(TileTest, JokerIndexGates) {
    const RuleOptions on = kOptJokers;
    // Joker A is 五万 (id 4), joker B is 三条 (id 38).
    EXPECT_TRUE(IsJokerTile(13, 4, -1, on));   // another 五万
    EXPECT_FALSE(IsJokerTile(38, 4, -1, on));  // B is none
    EXPECT_TRUE(IsJokerTile(38, 4, 38, on));
    EXPECT_FALSE(IsJokerTile(13, 4, 38, 0));    // jokers off
    EXPECT_FALSE(IsJokerTile(38, -1, 38, on));  // A none: no joker at all
    EXPECT_FALSE(IsJokerTile(-1, 4, 38, on));
    EXPECT_FALSE(IsJokerTile(500, 4, 38, on));
    // A flower of rank 10 or more is never matched to a flower joker.
    EXPECT_FALSE(IsJokerIndex(50, 145, -1, on));
    EXPECT_TRUE(IsJokerIndex(41, 136, -1, on));
}

TEST_F(TileTest, JokerIdsToIndicesLeavesUnsetOutputs) {
    TileIndex a = 99, b = 99;
    EXPECT_EQ(JokerIdsToIndices(4, -1, 0, &a, &b), 1);
    EXPECT_EQ(a, 5);
    EXPECT_EQ(b, 99);
    EXPECT_EQ(JokerIdsToIndices(-1, 108, 0, &a, &b), 1);
    EXPECT_EQ(b, 31);
}

TEST_F(TileTest, HonourAndFlowerClassesFollowTheInstalledHooks) {
    // Before a table is built only flowers count.
    EXPECT_FALSE(IsHonourOrFlowerTile(108, -1, -1, 0));
    EXPECT_TRUE(IsHonourOrFlowerTile(136, -1, -1, 0));
    InstallTileHooks(TableTileHooks());
    EXPECT_TRUE(IsHonourOrFlowerTile(108, -1, -1, 0));
    EXPECT_TRUE(IsHonourOrFlowerTile(136, -1, -1, 0));
    EXPECT_FALSE(IsHonourOrFlowerTile(0, -1, -1, 0));
    ResetTileHooks();
    EXPECT_FALSE(IsHonourOrFlowerTile(108, -1, -1, 0));
}

TEST_F(TileTest, InstalledHooksClassifyEveryTile) {
    // A variant that puts every tile in suit 0 with rank 1.
    TileHooks hooks = DefaultTileHooks();
    hooks.suit = [](TileId, RuleOptions) { return 0; };
    hooks.rank = [](TileId, RuleOptions) { return 1; };
    InstallTileHooks(hooks);
    EXPECT_EQ(TileIdToIndex(100, 0), 1);
    EXPECT_TRUE(IsSameKind(0, 135, 0));
}

TEST_F(TileTest, WindDragonFlowerAnd258) {
    EXPECT_EQ(IsWindIndex(31), 31);
    EXPECT_EQ(IsWindIndex(35), 0);
    EXPECT_EQ(IsDragonIndex(37), 37);
    EXPECT_TRUE(IsHonourIndex(34, -1, -1, 0));
    EXPECT_FALSE(IsHonourIndex(38, -1, -1, 0));
    EXPECT_TRUE(IsFlowerIndex(41));
    EXPECT_FALSE(IsFlowerIndex(-10));
    const std::vector<int> eyes = {2, 5, 8, 12, 15, 18, 22, 25, 28};
    for (int i = -20; i < 70; ++i) {
        bool expected = std::find(eyes.begin(), eyes.end(), i) != eyes.end();
        EXPECT_EQ(IsEyesTile258(i) != 0, expected) << i;
    }
}

TEST_F(TileTest, SubstituteIsWhiteDragon) {
    EXPECT_EQ(SubstituteIndex(5, 13, 0), 37);
    EXPECT_EQ(SubstituteIndexOfTiles(4, -1, 0), 37);
    EXPECT_TRUE(IsSubstituteTile(114, 4, -1, 0));
    EXPECT_FALSE(IsSubstituteTile(113, 4, -1, 0));
    EXPECT_EQ(MatchSubstituteIndex(37, 4, -1, 0), 37);
    EXPECT_EQ(MatchSubstituteIndex(36, 4, -1, 0), 0);
}

TEST_F(TileTest, CollectSameKindKeepsListOrderAndMax) {
    const TileId list[] = {-1, 4, 7, 13, 22, 31, 4 + 36};  // 4, 13, 22 and 31 are 五万
    TileId out[4] = {-1, -1, -1, -1};
    EXPECT_EQ(CollectSameKind(list, 31, out, 2, 0), 2);  // three 五万 in the list
    EXPECT_EQ(out[0], 4);
    EXPECT_EQ(out[1], 13);
    EXPECT_EQ(out[2], -1);
    EXPECT_EQ(CollectByIndex(list, 5, out, 10, 0), 4);  // bounded by the out list
    EXPECT_EQ(out[3], 31);
    TileId small[1];
    EXPECT_EQ(CollectByIndex(list, 5, small, 10, 0), 1);
}

std::string Utf8(const char8_t* s) {
    return reinterpret_cast<const char*>(s);
}

TEST_F(TileTest, KindNamesAreGbkAndFitTheirField) {
    for (TileIndex k = 0; k < 64; ++k)
        EXPECT_LT(std::strlen(TileKindName(k)), 16u) << k;
    EXPECT_EQ(platform::GbkToUtf8(TileKindName(1)), Utf8(u8"一万"));
    EXPECT_EQ(platform::GbkToUtf8(TileKindName(29)), Utf8(u8"九洞"));
    EXPECT_EQ(platform::GbkToUtf8(TileKindName(37)), Utf8(u8"白板"));
    EXPECT_EQ(platform::GbkToUtf8(TileKindName(48)), Utf8(u8"菊"));
    EXPECT_STREQ(TileKindName(49), "");
    EXPECT_STREQ(TileKindName(10), "");
}

}  // namespace
}  // namespace rules
