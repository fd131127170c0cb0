#include <gtest/gtest.h>

#include <climits>

#include "mahjong/tests/table_fixture.h"

namespace mahjong {
namespace {

using testing::Table;

MJStruct& H(CMJTableSceneBase& s, int seat, int i) {
    return *s.GetMJStruct(kAreaHand, seat, i);
}

// Stands `faces` in records 1.. of a seat, and `drawn` (when not -1) in 0.
void Hold(CMJTableSceneBase& s, int seat, const std::vector<int32_t>& faces, int32_t drawn = -1) {
    for (size_t i = 0; i < faces.size(); ++i)
        H(s, seat, int(i + 1)) = {.nFace = faces[i], .standing = 1, .present = 1};
    if (drawn != -1) H(s, seat, 0) = {.nFace = drawn, .standing = 1, .present = 1};
}

std::vector<int32_t> Faces(CMJTableSceneBase& s, int seat, int first, int last) {
    std::vector<int32_t> out;
    for (int i = first; i <= last; ++i)
        out.push_back(H(s, seat, i).present ? H(s, seat, i).nFace : -1);
    return out;
}

TEST(Hands, ResetPlacesEveryRecordAtBothPaneKinds) {
    Table t;
    CMJTableSceneBase classic(&t.logic);
    classic.ResetHands();
    t.scene.ResetHands();
    const int w = t.scene.Sizes().ownWidth;
    // Concealed tiles fill the own row from the right, index 1 rightmost;
    // the drawn place stands 12 pixels right of them. This game lowers the
    // left hand by 15.
    for (int i : {1, 16}) {
        EXPECT_EQ(H(t.scene, 3, i).x, (16 - i) * w);
        EXPECT_EQ(H(t.scene, 0, i).y, 504 - 46 - 26 * i);
        EXPECT_EQ(H(t.scene, 2, i).x, 30);
        EXPECT_EQ(H(t.scene, 2, i).y, 12 + 26 * i);
    }
    const int drawn[4][2] = {{0, 504 - 34}, {0, 0}, {30, 0}, {16 * w + 12, 10}};
    for (int seat = 0; seat < 4; ++seat) {
        EXPECT_EQ(H(t.scene, seat, 0).x, drawn[seat][0]);
        EXPECT_EQ(H(t.scene, seat, 0).y, drawn[seat][1]);
        EXPECT_EQ(H(t.scene, seat, 5).faceState, seat == 3 ? 1 : 2);
        EXPECT_EQ(H(t.scene, seat, 17).standing, 0) << "only hand-tile places stand";
        EXPECT_EQ(H(t.scene, seat, 21).seat, seat);
    }
    EXPECT_EQ(H(t.scene, 0, 21).drawOrder, 2400 - 21);
    EXPECT_EQ(H(t.scene, 1, 21).drawOrder, 2400 + 21);
    EXPECT_EQ(H(t.scene, 3, 21).drawOrder, 2800 - 21);
    // The classic level: 14 tiles, the 42-pixel own tile, no drawing order.
    EXPECT_EQ(H(classic, 0, 1).y, 26 * 14 + 62 - 61 - 26);
    EXPECT_EQ(H(classic, 3, 0).x, 13 * 42 + 12);
    EXPECT_EQ(H(classic, 3, 3).drawOrder, 0);
    EXPECT_EQ(H(classic, 3, 14).standing, 0);
}

TEST(Hands, RemovingATileKeepsTheRowsRightEdge) {
    struct Case {
        std::vector<int32_t> hand;
        int32_t drawn, face;
        std::vector<int32_t> after;  // records 0-5
    };
    const Case cases[] = {
        {{1, 2, 3, 4, 5}, 9, 9, {-1, 1, 2, 3, 4, 5}},    // only the drawn tile shows it
        {{1, 9, 3, 4, 5}, 9, 9, {9, 1, 3, 4, 5, -1}},    // a concealed copy goes instead
        {{1, 7, 3, 7, 5}, -1, 7, {-1, 1, 7, 3, 5, -1}},  // the higher of two goes
        {{1, 2, 3, 4, 5}, -1, 8, {-1, 1, 2, 3, 4, 5}},   // not held: nothing
    };
    for (const Case& c : cases) {
        Table t;
        Hold(t.scene, 3, c.hand, c.drawn);
        H(t.scene, 3, 5).locked = 1;
        t.scene.RemoveHandTile(3, c.face);
        EXPECT_EQ(Faces(t.scene, 3, 0, 5), c.after) << c.face;
        const bool shifted = c.after[5] == -1 && c.hand.back() == 5;
        EXPECT_EQ(H(t.scene, 3, 4).locked, shifted ? 1 : 0) << "the lock moves with its face";
    }
}

TEST(Hands, LockingForFlowersAndKongs) {
    Table t;
    // Honours count as flowers in this game's tile hooks.
    Hold(t.scene, 3, {0, 108, 5, 137}, 20);
    H(t.scene, 3, 1).raised = 1;
    EXPECT_EQ(t.scene.LockAllButFlowers(), 2);
    EXPECT_EQ(Faces(t.scene, 3, 0, 4), (std::vector<int32_t>{20, 0, 108, 5, 137}));
    const int locked[5] = {1, 1, 0, 1, 0};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(H(t.scene, 3, i).locked, locked[i]) << i;
    EXPECT_EQ(H(t.scene, 3, 1).raised, 0);

    Table plain;
    Hold(plain.scene, 3, {0, 1, 2});
    H(plain.scene, 3, 2).locked = 1;
    EXPECT_EQ(plain.scene.LockAllButFlowers(), 0);
    EXPECT_EQ(H(plain.scene, 3, 2).locked, 0) << "without flowers it only unlocks";

    // Four of a kind (5 of suit 0 in four copies) may be konged; a kind whose
    // fourth copy lies in a laid kong may not.
    Table kong;
    Hold(kong.scene, 3, {4, 13, 22, 31, 0, 9, 18});
    H(kong.scene, 3, 21) = {.nFace = 27, .present = 1, .meldMark = 2};
    kong.scene.UnlockKongFaces();
    for (int i = 1; i <= 7; ++i)
        EXPECT_EQ(H(kong.scene, 3, i).locked, i <= 4 ? 0 : 1) << i;

    ClaimOption& chow = kong.scene.Option(kChowButton);
    chow.count = 2;
    chow.candidates = {0, 18, 4};  // 4 lies past the count
    kong.scene.UnlockChowFaces();
    for (int i = 1; i <= 7; ++i)
        EXPECT_EQ(H(kong.scene, 3, i).locked, i == 5 || i == 7 ? 0 : 1);
    kong.scene.ClearHandSelection();
    EXPECT_EQ(H(kong.scene, 3, 1).locked, 0);
}

TEST(Hands, OwnHandFromTheSnapshotWithHostileCounts) {
    struct Case {
        int32_t count, turnChair;
        bool drawn, looker;
        int standing;  // own records standing from the start
        int start;
    };
    const Case cases[] = {
        {16, 1, false, false, 16, 1},    {17, 0, true, false, 17, 0},
        {18, 0, true, false, 17, 0},     {17, 1, false, false, 16, 1},
        {-1, 1, true, false, 0, 1},      {INT_MAX, -1, true, false, 16, 1},
        {INT_MIN, 9, true, false, 0, 1}, {13, 0, false, true, 13, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.count << " turn " << c.turnChair);
        Table t(0, 4, c.looker);
        t.Start([&](testing::Words& w) {
            w[snap::kTableFlags] = c.drawn ? snap::kFlagDrawn : 0;
            w[snap::kTurnChair] = c.turnChair;
            w[49] = c.count;  // the own chair's hand count
            for (int i = 0; i < 32; ++i)
                w[53 + i] = 60 + i;
        });
        t.scene.ResetHands();
        H(t.scene, 1, 0).present = 1;
        t.scene.LoadOwnHandFromSnapshot(1);
        int standing = 0;
        for (int i = 0; i < 32; ++i)
            standing += H(t.scene, 3, i).standing && H(t.scene, 3, i).present;
        EXPECT_EQ(standing, c.standing + (c.start == 0 && c.standing == 0 ? 1 : 0));
        EXPECT_EQ(H(t.scene, 1, 0).present, 0);
        if (c.standing > 0) {
            EXPECT_EQ(H(t.scene, 3, c.start).nFace, c.looker ? kFaceDown : 60);
        }
    }
}

}  // namespace
}  // namespace mahjong
