#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <vector>

#include "mahjong/tests/table_fixture.h"

namespace mahjong {
namespace {

struct Kind {
    int suit, rank, image;
};

// Every tile code enumerated the way a set is made: copies of kinds.
std::map<int, Kind> TileSet() {
    std::map<int, Kind> set;
    for (int suit = 0; suit < 3; ++suit)
        for (int copy = 0; copy < 4; ++copy)
            for (int rank = 1; rank <= 9; ++rank)
                set[suit * 36 + copy * 9 + rank - 1] = {suit, rank, suit * 9 + rank - 1};
    for (int copy = 0; copy < 4; ++copy)
        for (int rank = 1; rank <= 7; ++rank)
            set[108 + copy * 7 + rank - 1] = {3, rank, 26 + rank};
    for (int f = 0; f < 8; ++f)
        set[136 + f] = {4, f + 1, 34 + f};
    for (int f = 0; f < 8; ++f)
        set[144 + f] = {5, f + 1, f < 4 ? 42 + f : 46};
    return set;
}

TEST(TileIdentity, EveryTileCodeAgainstTheSet) {
    const auto set = TileSet();
    ASSERT_EQ(set.size(), 152u);
    for (const auto& [id, kind] : set) {
        SCOPED_TRACE(id);
        EXPECT_EQ(TileSuit(id), kind.suit);
        EXPECT_EQ(TileRank(id), kind.rank);
        EXPECT_EQ(TileImageIndex(id), kind.image);
        std::vector<int> copies;
        for (const auto& [other, k] : set)
            if (k.suit == kind.suit && k.rank == kind.rank) copies.push_back(other);
        int32_t same[4] = {-9, -9, -9, -9};
        int32_t others[3];
        const int n = SameKindTiles(id, same);
        OtherCopies(id, others);
        if (kind.suit > 3) {
            EXPECT_EQ(n, 1);
            EXPECT_EQ(same[0], id) << "a flower is its own only copy";
            EXPECT_EQ(others[0], -1);
            continue;
        }
        ASSERT_EQ(n, 4);
        EXPECT_EQ(std::vector<int>(same, same + 4), copies);
        copies.erase(std::find(copies.begin(), copies.end(), id));
        EXPECT_EQ(std::vector<int>(others, others + 3), copies);
    }
    for (int id : {-1, 152, 199, 201}) {
        EXPECT_EQ(TileSuit(id), -1);
        EXPECT_EQ(TileRank(id), 0);
        EXPECT_EQ(TileImageIndex(id), 0);
        int32_t same[4];
        EXPECT_EQ(SameKindTiles(id, same), 0);
    }
    EXPECT_EQ(TileImageIndex(kFaceDown), 46);
}

// Sorts the own records 1..n holding `faces` and returns them.
std::vector<int32_t> Sorted(testing::Table& t, const std::vector<int32_t>& faces) {
    for (size_t i = 0; i < faces.size(); ++i)
        t.scene.GetMJStruct(kAreaHand, 3, int(i + 1))->nFace = faces[i];
    t.scene.SortHand(3, 1, int(faces.size()));
    std::vector<int32_t> out;
    for (size_t i = 0; i < faces.size(); ++i)
        out.push_back(t.scene.GetMJStruct(kAreaHand, 3, int(i + 1))->nFace);
    return out;
}

TEST(SortHand, JokersSortBetweenSuitOneAndSuitZeroInTheirOrder) {
    // Jokers: the 5 of suit 0 (ids 4, 13, 22, 31).
    const std::vector<int32_t> jokers = {22, 4, 31, 13};
    const std::vector<int32_t> others = {0, 108, 40, 2, 80, 45, 137};
    for (size_t k = 0; k <= 4; ++k) {
        testing::Table t;
        t.Start([](testing::Words& w) { w.Set(snap::kJokerA, 4).Set(snap::kSubstituteAsTile, 1); });
        std::vector<int32_t> hand = others;
        for (size_t j = 0; j < k; ++j)
            hand.insert(hand.begin() + ptrdiff_t(2 * j), jokers[j]);
        const auto got = Sorted(t, hand);
        std::vector<int32_t> want = {137, 108, 80, 40, 45};  // flower, wind, suit 2, suit 1
        want.insert(want.end(), jokers.begin(), jokers.begin() + ptrdiff_t(k));
        want.insert(want.end(), {2, 0});  // suit 0 last
        EXPECT_EQ(got, want) << k << " jokers";
    }
}

TEST(SortHand, FiveFacesOfOneKeyKeepTheirMarksAndRoundWordsPlaceSubstitutes) {
    testing::Table t;
    // Jokers: the 5s of suits 0 and 1.
    t.Start([](testing::Words& w) {
        w.Set(snap::kJokerA, 4).Set(snap::kJokerB, 49).Set(snap::kSubstituteAsTile, 1);
    });
    for (int i = 1; i <= 7; ++i)
        t.scene.GetMJStruct(kAreaHand, 3, i)->locked = i == 2;
    t.scene.GetMJStruct(kAreaHand, 3, 6)->jokerMark = 1;
    const auto got = Sorted(t, {13, 1, 40, 22, 49, 4, 70});
    EXPECT_EQ(got, (std::vector<int32_t>{70, 13, 40, 22, 49, 4, 1}));
    EXPECT_EQ(t.scene.GetMJStruct(kAreaHand, 3, 7)->locked, 1) << "the lock moved with face 1";
    EXPECT_EQ(t.scene.GetMJStruct(kAreaHand, 3, 6)->jokerMark, 1) << "face 4 stayed at 6";
    EXPECT_EQ(Sorted(t, std::vector<int32_t>(6, kFaceDown)), std::vector<int32_t>(6, kFaceDown));
    // The round's words: jokers keep their own key.
    testing::Table r;
    r.Start([](testing::Words& w) { w.Set(snap::kJokerA, 4).Set(snap::kJokersInRow, 1); });
    // 白板 (114) stands in for the joker: it sorts with the joker's key, 5.
    EXPECT_EQ(r.scene.TileSortKey(114), 5);
    EXPECT_EQ(Sorted(r, {114, 0, 6, 13}), (std::vector<int32_t>{6, 114, 13, 0}));
    EXPECT_EQ(Sorted(r, {40}), std::vector<int32_t>{40});
}

}  // namespace
}  // namespace mahjong
