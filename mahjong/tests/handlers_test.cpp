#include <gtest/gtest.h>

#include <climits>

#include "mahjong/tests/table_fixture.h"

namespace mahjong {
namespace {

using testing::Table;
using testing::Words;

// Every tile place of the scene.
std::vector<MJStruct> Places(CTableScene& s) {
    std::vector<MJStruct> out;
    for (int i = 0; i < kWallRecords; ++i)
        out.push_back(*s.GetMJStruct(kAreaWall, 0, i));
    for (int area : {kAreaHand, kAreaFlower, kAreaRiver})
        for (int seat = 0; seat < 4; ++seat)
            for (int i = 0; i < (area == kAreaHand ? kHandRecords : kStripRecords); ++i)
                out.push_back(*s.GetMJStruct(area, seat, i));
    for (int seat = 0; seat < 4; ++seat)
        out.push_back(*s.GetMJStruct(kAreaShown, seat, 0));
    return out;
}

// A dealt table of three players: wall laid, every hand standing.
void Dealt(Table& t) {
    t.Start([](Words& w) {
        w.Set(snap::kWallHead, 49).Set(snap::kTurnedUpPos, 142).Set(snap::kTurnTimeout, 15);
        for (int c = 0; c < 4; ++c)
            w.Set(size_t(49 + c), c == 0 ? 17 : 16);  // the banker, chair 0, holds 17
    });
    t.scene.OnRoundStart(Words(snap::kRoundStartWords).Bytes());
    t.scene.RevealDealtHands();
}

TEST(Handlers, HostileChairsIndexesAndShortPayloadsAreDropped) {
    struct Case {
        uint32_t id;
        int words, field;
        bool appliesRest;  // a bad wall index: the rest of the notification applies
    };
    const Case cases[] = {
        {229160, 3, 0, false},  {229160, 3, 2, true},   {221170, 22, 1, false},
        {229170, 4, 3, false},  {229175, 4, 3, false},  {229180, 8, 0, false},
        {229180, 8, 1, false},  {229185, 9, 3, false},  {229185, 9, 4, false},
        {229190, 9, 3, false},  {229190, 9, 4, false},  {229195, 12, 3, false},
        {229195, 12, 4, false}, {229195, 12, 11, true}, {229197, 12, 3, false},
        {229197, 12, 11, true}, {229199, 12, 3, false}, {229199, 12, 11, true},
        {229210, 7, 3, false},  {229210, 7, 6, true},   {229500, 5, 3, false},
    };
    for (const Case& c : cases) {
        // Chair 3 is not seated at a table of three; 144 is past the wall.
        for (int32_t bad : {-1, 3, 144, INT_MIN, INT_MAX}) {
            if (c.appliesRest && bad == 3) continue;
            SCOPED_TRACE(::testing::Message() << c.id << " word " << c.field << " = " << bad);
            Table t(0, 3);
            Dealt(t);
            // Chairs 1 and 2, a tile, a wall index; then the bad word.
            Words w = Words(12).Set(0, 1).Set(1, 1).Set(3, 1).Set(4, 2).Set(5, 40);
            w.Set(2, 60).Set(6, 60).Set(11, 60).Set(c.field, bad).Resize(c.words);
            const auto before = Places(t.scene);
            t.scene.HandleNotification(c.id, w.Bytes());
            const auto after = Places(t.scene);
            if (c.appliesRest) {
                EXPECT_FALSE(before == after);
                for (int i = 0; i < kWallRecords; ++i)
                    EXPECT_TRUE(before[i] == after[i]) << i;
            } else {
                EXPECT_TRUE(before == after);
                EXPECT_TRUE(t.app->chat.empty());
            }
            // One word short drops even a good payload.
            Words good(size_t(c.words) - 1);
            t.scene.HandleNotification(c.id, good.Bytes());
            EXPECT_TRUE(Places(t.scene) == after);
        }
    }
}

TEST(Handlers, OwnHandCountsStayInTheHandAndALookerSeesItHiddenAgain) {
    for (int32_t n : {-1, 0, 16, 17, 18, 32, INT_MAX}) {
        Table t(1);
        Dealt(t);
        const MJStruct next = *t.scene.GetMJStruct(kAreaHand, 2, 0);
        t.scene.OnOwnHand(Words(35, 7).Set(1, 1).Set(2, n).Bytes());
        int placed = 0;
        for (int i = 0; i < kHandRecords; ++i)
            placed += t.scene.GetMJStruct(kAreaHand, 3, i)->nFace == 7;
        EXPECT_EQ(placed, std::clamp(n, 0, 16)) << n;
        EXPECT_TRUE(*t.scene.GetMJStruct(kAreaHand, 2, 0) == next) << "the next seat is untouched";
        // Another chair's hand is not ours.
        t.scene.OnOwnHand(Words(5).Set(1, 2).Set(2, 2).Set(3, 9).Set(4, 9).Bytes());
        EXPECT_NE(t.scene.GetMJStruct(kAreaHand, 3, 1)->nFace, 9);
    }
    Table l(2, 4, true);  // a looker sees the watched hand hidden again
    Dealt(l);
    l.scene.GetMJStruct(kAreaHand, 3, 1)->nFace = 9;
    l.scene.OnHandHidden(Words(6).Set(3, 2).Set(4, testing::kLookerId).Set(5, 1).Bytes());
    EXPECT_TRUE(l.scene.IsHandFaceKnown(3)) << "word 5 not 0: still shown";
    l.scene.OnHandHidden(Words(6).Set(3, 2).Set(4, testing::kLookerId).Bytes());
    EXPECT_FALSE(l.scene.IsHandFaceKnown(3));
    EXPECT_EQ(l.app->sounds.back(), (std::pair<uint32_t, uint32_t>{29102, 5}));
}

TEST(Handlers, SnapshotStripCountsAreClampedAndDiceChecked) {
    for (int32_t count : {-1, 5, 36, 37, INT_MAX}) {
        Table t;
        auto set = [&](int n, int32_t v) { platform::StoreLE32(&t.logic.TableData()[n * 4], v); };
        for (int i = 0; i < 36; ++i)
            set(snap::kRiverLists + i, i == 20 ? -1 : i);
        for (int i = 0; i < 36; ++i)
            set(snap::kFlowerLists + 36 + i, 136 + i % 8);
        set(snap::kRiverCounts, count);
        set(snap::kFlowerCounts + 1, count);
        t.scene.LayoutRiver();
        t.scene.LayoutFlowers();
        t.scene.FillRiversFromSnapshot();
        t.scene.FillFlowersFromSnapshot();
        const int want = std::clamp(count, 0, 36);
        EXPECT_EQ(t.scene.LastRiverIndex(t.scene.ChairToViewSeat(0)), std::min(want, 20) - 1)
            << "stops at -1";
        EXPECT_EQ(t.scene.CountFlowers(t.scene.ChairToViewSeat(1)), want);
    }
    for (auto [a, b] : {std::pair{0, 3}, {7, 1}, {3, -1}, {6, 6}}) {
        Table t;
        t.Start([&](Words& w) { w.Set(snap::kDieA, a).Set(snap::kDieB, b); });
        EXPECT_EQ(t.scene.ThrowDice(), a == 6);
    }
}

TEST(Handlers, DiscardOffersTheOwnClaimsAndClosesEarly) {
    Table t(0, 4);
    Dealt(t);
    // The own hand holds two 5s of suit 1 and 3-4 of suit 2.
    FaceList hand;
    ClearFaces(hand);
    std::copy_n(std::array{40, 49, 74, 75, 0, 1}.begin(), 6, hand.begin());
    t.scene.PlaceHandFaces(3, hand);
    // Chair 1 (view seat 0) discards a 5 of suit 1: the own chair may pung.
    t.scene.OnDiscard(Words(22).Set(1, 1).Set(21, 58).Set(6, 0x1 | 0x20).Bytes());
    const ClaimOption& peng = t.scene.Option(kPengButton);
    EXPECT_EQ(
        std::vector<int>({peng.offerChair, peng.count, peng.candidates[0], peng.candidates[1]}),
        std::vector<int>({1, 2, 40, 49}));
    EXPECT_EQ(t.scene.GetClaimWindow(), 1);
    EXPECT_EQ(t.scene.GetClockPosition(), 6) << "the turn passes to the own seat";
    std::vector<bool> buttons;  // buttons 1-5: enabled or not
    for (int32_t n = kPengButton; n <= kPassButton; ++n)
        buttons.push_back(t.scene.IsButtonEnabled(n));
    EXPECT_EQ(buttons, (std::vector<bool>{true, false, false, false, true}));
    // With the early close on and no claim anywhere, the own turn starts at once.
    Table three(0, 3);
    three.Start([](Words& sw) { sw[snap::kEarlyClose] = 1; });
    three.scene.OnDiscard(Words(22).Set(1, 1).Set(21, 58).Bytes());
    EXPECT_EQ(three.scene.GetClaimWindow(), 0);
    EXPECT_EQ(three.scene.GetTurnSeconds(), 1);
}

TEST(Handlers, PresenceLinesAndTheRoundsEnd) {
    Table t(0, 4);
    for (int kind : {1, 2, 6, 3})
        t.scene.OnPresence(Words(5).Set(3, 2).Set(4, kind).Bytes());
    const std::string name = std::string("<c=255>[系统]<c=4953725>") + testing::kNames[2];
    EXPECT_EQ(t.app->chat,
              (std::vector<std::string>{name + "重新回到了游戏!\r\n", name + "离开了游戏!\r\n",
                                        "<c=255>闲家跟庄成功!\r\n"}));
    EXPECT_EQ(t.app->sounds, (std::vector<std::pair<uint32_t, uint32_t>>{{29012, 17}}));
    // A winner that is not seated gets no voice, and the round still ends.
    Dealt(t);
    Words end = Words(snap::kResultWords).Set(snap::kResultWinner, 9).Set(snap::kResultQuiet, 1);
    t.logic.StoreRoundResult(end.Bytes());
    t.scene.OnRoundEnd(end.Bytes());
    EXPECT_EQ(t.scene.InRound(), 0);
    EXPECT_EQ(t.scene.ClockTimerId(), 0u);
}

TEST(TurnClock, HandPathsPositionsDigitsAndTheCountdown) {
    Table t;
    struct Move {
        int from, to;
        std::vector<int32_t> path;
    };
    const Move moves[] = {
        {6, 0, {7, 0}}, {2, 6, {1, 0, 7, 6}}, {0, 2, {1, 2}}, {4, 2, {3, 2}}, {4, 4, {}}};
    for (const Move& m : moves) {
        t.scene.ResetStateBlock();
        t.scene.TC_MoveClockHand(m.from, m.to);
        std::vector<int32_t> path;
        for (int32_t p : t.scene.ClockPath())
            if (p >= 0) path.push_back(p);
        EXPECT_EQ(path, m.path) << m.from << " -> " << m.to;
        EXPECT_EQ(t.scene.TC_GetPointTo(), m.to) << "the position is set when the move starts";
    }
    // A second move while the first path plays: the position is the last
    // target, and the path's steps turn only the hand's picture.
    t.scene.TC_MoveClockHand(0, 4);
    t.scene.TC_Moveing();
    t.scene.TC_MoveClockHand(4, 6);
    t.scene.TC_Moveing();
    EXPECT_EQ(t.scene.TC_GetPointTo(), 6);
    EXPECT_EQ(t.scene.StateWord(CMJTableSceneBase::kHandFrame), 5);
    t.scene.TC_Moveing();
    EXPECT_EQ(t.scene.StateWord(CMJTableSceneBase::kHandFrame), 6);

    EXPECT_EQ(t.scene.ResetStateBlock(), 4);
    EXPECT_EQ(t.scene.StateWord(8), 24);
    t.Start([](Words& w) { w.Set(snap::kTurnChair, 3).Set(snap::kClaimTimeout, 7); });
    t.scene.StartTurnClock();
    EXPECT_EQ(t.scene.GetClockFace(), (CMJTableSceneBase::ClockFace{true, 56 * 4, 0, 56}));
    t.scene.StartClockTimer();
    t.scene.OnTimer(CMJTableSceneBase::kClockTimerId + 1);  // another timer
    EXPECT_EQ(t.scene.GetTurnSeconds(), 7);
    t.scene.EnableOperationButton(kPassButton, 1);
    for (int i = 0; i < 9; ++i) {
        t.scene.OnTimer(CMJTableSceneBase::kClockTimerId);
        EXPECT_TRUE(i != 5 || t.scene.GetClockFace().unitsX == 8) << "one second left";
    }
    EXPECT_EQ(t.scene.GetTurnSeconds(), 0);
    EXPECT_EQ(t.app->sounds, (std::vector<std::pair<uint32_t, uint32_t>>{
                                 {29005, 0}, {29004, 0}, {29003, 0}, {29002, 0}, {29001, 0}}));
    EXPECT_FALSE(t.scene.AnyButtonEnabled()) << "the clock ran out: the own turn's follow-ups ran";
    t.scene.SetTurnSeconds(125);
    t.scene.DrawTurnClock();
    EXPECT_EQ(t.scene.GetClockFace().tensX, 16);
    EXPECT_EQ(t.scene.GetClockFace().unitsX, 40);
    // Own chair 0: chair c is view seat (c + 3) % 4; the hand's cell is two per seat.
    for (int32_t chair = 0; chair < 3; ++chair) {
        Table c;
        c.Start([&](Words& w) { w.Set(snap::kTurnChair, chair).Set(snap::kClaimTimeout, 7); });
        c.scene.StartTurnClock();
        const int32_t seat = (chair + 3) % 4;
        EXPECT_EQ(c.scene.TC_GetPointTo(), 2 * seat) << chair;
        EXPECT_EQ(c.scene.GetClockFace(), (CMJTableSceneBase::ClockFace{true, 112 * seat, 0, 56}));
    }
}

TEST(Melds, BlocksFromTheRowsEndTurnedTowardsTheGiver) {
    Table t(0, 4);
    CMJTableScene engineLevel(&t.logic);
    for (CMJTableSceneBase* s : {static_cast<CMJTableSceneBase*>(&t.scene),
                                 static_cast<CMJTableSceneBase*>(&engineLevel)}) {
        s->ResetHands();
        s->RevealDealtHands();
        const int shift = s == &t.scene ? 15 : 0;
        // View seat 0 (chair 1) pungs from the opposite chair: nothing turned,
        // the claimed tile in the middle.
        for (int b = 0; b < 6; ++b)
            s->LayPung(0, MeldWords{1, 3, 40 + b, 60 + b, 70 + b});
        // Blocks from record P - 1 down in steps of 4 (21, 17, 13, 9, 5 in
        // this game), 67 pixels apart.
        const int p = s->HandPositions();
        EXPECT_EQ(s->GetMJStruct(kAreaHand, 0, p - 1)->y, shift);
        EXPECT_EQ(s->GetMJStruct(kAreaHand, 0, p - 5)->y, 67 + shift);
        EXPECT_EQ(s->GetMJStruct(kAreaHand, 0, p - 2)->nFace, 40)
            << "the claimed tile in the middle";
        EXPECT_EQ(s->GetMJStruct(kAreaHand, 0, p - 2)->orientation, 2);
        for (int i = p - 1; i >= 4; i -= 4)
            EXPECT_EQ(s->GetMJStruct(kAreaHand, 0, i)->meldMark, 1);
        EXPECT_EQ(s->GetMJStruct(kAreaHand, 0, 1)->meldMark, 0) << "no block below record 4";
    }
    // A pung of the own seat from the right, then the kong added to it.
    MeldWords m{0, 1, 40, 49, 58, -1, -1};
    t.scene.LayPung(3, m);
    EXPECT_EQ(t.scene.GetMJStruct(kAreaHand, 3, 21)->orientation, 0) << "turned to the giver";
    EXPECT_EQ(t.scene.GetMJStruct(kAreaHand, 3, 21)->y, t.scene.GetMeldRowOffset(3) + 4);
    m.claimed = 67;
    t.scene.LayAddedKong(3, m);
    EXPECT_EQ(t.scene.GetMJStruct(kAreaHand, 3, 18)->nFace, 67);
    EXPECT_EQ(t.scene.GetMJStruct(kAreaHand, 3, 18)->x, t.scene.GetMJStruct(kAreaHand, 3, 20)->x);
    m.claimed = 5;  // no pung of that kind
    const auto before = Places(t.scene);
    t.scene.LayAddedKong(3, m);
    EXPECT_TRUE(Places(t.scene) == before);
}

}  // namespace
}  // namespace mahjong
