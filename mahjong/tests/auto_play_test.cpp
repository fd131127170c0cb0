// Auto-play: the scoring and the discard choice against hands worked by hand
// from the scoring's steps, and what a step takes of what the table offers.

#include "mahjong/scene/auto_play.h"

#include <gtest/gtest.h>

#include <set>

#include "mahjong/tests/table_fixture.h"
#include "platform/tests/temp_dir.h"

namespace mahjong {
namespace {

using testing::Table;

// The code of a kind (suit x 10 + rank) and copy: suits hold 36 codes from
// suit x 36, nine ranks a copy; flowers are 136 on, one each.
int32_t Tile(int kind, int copy = 0) {
    return kind / 10 == 4 ? 136 + kind % 10 - 1 : kind / 10 * 36 + kind % 10 - 1 + 9 * copy;
}
MJStruct& Rec(CMJTableSceneBase& s, int area, int seat, int i) {
    return *s.GetMJStruct(area, seat, i);
}
// Stands tiles in the own hand from position 0 (the drawn place) on.
void Hold(CMJTableSceneBase& s, const std::vector<int32_t>& tiles) {
    int i = 0;
    for (int32_t tile : tiles)
        Rec(s, kAreaHand, 3, i++) = {.nFace = tile, .standing = 1, .present = 1};
}
const std::vector<int32_t> kExample1 = {Tile(18), Tile(1),    Tile(2),    Tile(3),
                                        Tile(41), Tile(5, 0), Tile(5, 1), Tile(17)};
const std::vector<int32_t> kExample2 = {Tile(24), Tile(25), Tile(4), Tile(5)};

TEST(AutoPlayScore, EachStepAddsWhatItsWeightSays) {
    const SuitCounts none{}, oneSuit{0, 3}, twoSuits{0, 3, 3};  // exposed melds
    struct Case {
        std::vector<int32_t> kinds;
        std::vector<std::pair<int, int>> unseen;  // kind, count (else 4)
        SuitCounts melds;
        int32_t skip, score;
    } cases[] = {
        // The eyes 100, live or not; a second pair 105 while either lives.
        {{5, 5}, {{5, 0}}, twoSuits, -1, 100},
        {{2, 2, 7, 7}, {{7, 0}}, twoSuits, -1, 205},
        {{2, 2, 7, 7}, {{2, 0}, {7, 0}}, twoSuits, -1, 100},
        // A pung 200, and 5 more while its fourth is unseen.
        {{4, 4, 4}, {{4, 0}}, twoSuits, -1, 200},
        {{4, 4, 4}, {{4, 1}}, twoSuits, -1, 205},
        // Runs of three 100, of two 50 while the third is unseen (8-9 asks for
        // rank 10, never held); four of a kind runs too.
        {{4, 5}, {{6, 1}}, twoSuits, -1, 50},
        {{4, 5}, {{6, 0}}, twoSuits, -1, 0},
        {{18, 19}, {}, twoSuits, -1, 50},
        {{6, 6, 6, 6, 7, 8}, {}, twoSuits, -1, 100},
        // The skipped place, -1 and kinds outside 1-48 hold no tile.
        {{-1, 1, 0, 2, 3, 60, 3}, {}, twoSuits, 6, 100},
        // Each tile earns its suit's size: without melds, in their one suit.
        {{1, 2, 3, 11}, {}, none, -1, 110},
        {{1, 2, 3, 11}, {}, oneSuit, -1, 101},
        {{1, 2, 3, 11}, {}, twoSuits, -1, 100},
    };
    for (const Case& c : cases) {
        KindCounts unseen;
        unseen.fill(4);
        for (auto [kind, n] : c.unseen)
            unseen[size_t(kind)] = n;
        EXPECT_EQ(ScoreTiles(c.kinds, unseen, c.melds, c.skip, AIWeights{}), c.score)
            << ::testing::PrintToString(c.kinds);
    }
}

// Example 1: the drawn 8 of suit 1, 1-2-3, a flower, two 5s, the 7 of suit 1;
// no melds, nothing else in sight. Without the tile at p the hand scores:
//   p0 (18): bonus 5x5+1+1, eyes 100, run 100                       = 227
//   p1 (1):  bonus 4x4+2x2+1, eyes 100, 2-3 50, 17-18 50           = 221
//   p2 (2):  bonus 21, eyes 100, 17-18 50                           = 171
//   p3 (3):  bonus 21, eyes 100, 1-2 50, 17-18 50                   = 221
//   p4 (41): bonus 5x5+2x2, eyes 100, run 100, 17-18 50             = 279
//   p5, p6:  bonus 21, run 100, 17-18 50                            = 171
//   p7 (17): bonus 27, eyes 100, run 100                            = 227
// so the flower goes. Made the round's joker it stays; without it in the
// hand p0 and p7 score 226 best, and the lower position wins.
TEST(AutoPlayChoice, TheTileWhoseLossHurtsLeastGoesButNoJokerAndOnlySeenTilesCount) {
    for (const bool joker : {false, true}) {
        Table t;
        t.Start([&](testing::Words& w) { w[snap::kJokerA] = joker ? Tile(41) : -1; });
        Hold(t.scene, kExample1);
        EXPECT_EQ(CAutoPlay().ChooseAutoDiscard(t.scene), joker ? 0 : 4);
    }
    // Example 2: 4-5 of suit 2 (p0, p1) and 4-5 of suit 0 (p2, p3). Without a
    // suit-2 tile the hand keeps bonus 1+2+2, and 50 for suit 0's 4-5 while a 6
    // of suit 0 may come: 55 or 5. Without a suit-0 tile: bonus 5 and suit 2's
    // 4-5, 55. So p0 goes while a 6 may come, p2 once all four are in sight.
    // With three players view seat 1 is nobody's and nothing there is in sight,
    // whichever chair is the own one.
    Table t;
    Hold(t.scene, kExample2);
    Rec(t.scene, kAreaRiver, 0, 0) = {.nFace = Tile(6, 0), .faceState = 1, .present = 1};
    Rec(t.scene, kAreaRiver, 1, 3) = {.nFace = Tile(6, 1), .faceState = 1, .present = 1};
    Rec(t.scene, kAreaHand, 2, 20) = {.nFace = Tile(6, 2), .present = 1, .meldMark = 1};
    MJStruct& faceDown = Rec(t.scene, kAreaRiver, 2, 0);
    faceDown = {.nFace = Tile(6, 3), .faceState = 0, .present = 1};
    EXPECT_EQ(CAutoPlay().ChooseAutoDiscard(t.scene), 0);
    faceDown.faceState = 1;
    EXPECT_EQ(CAutoPlay().ChooseAutoDiscard(t.scene), 2);
    for (const int own : {0, 1, 2}) {
        Table three(own, 3);
        Hold(three.scene, kExample2);
        for (int copy = 0; copy < 4; ++copy)
            Rec(three.scene, kAreaRiver, 1, copy) = {
                .nFace = Tile(6, copy), .faceState = 1, .present = 1};
        EXPECT_EQ(CAutoPlay().ChooseAutoDiscard(three.scene), 0) << own;
    }
}

// Records what a step asks; the kong command leaves the kinds held four
// times choosable, as the scene's does.
struct Moves : AutoPlayMoves {
    explicit Moves(CMJTableSceneBase& s) : scene(s) {}
    bool IsOffered(int32_t button) const override { return offered.count(button) != 0; }
    void OnHu() override { calls.push_back("hu"); }
    void OnKong() override {
        calls.push_back("kong");
        scene.UnlockFourOfAKind();
    }
    void OnPeng() override { calls.push_back("peng"); }
    void OnPass() override { calls.push_back("pass"); }
    int32_t Call(const char* what, int32_t n) {
        calls.push_back(what + std::to_string(n));
        return 1;
    }
    int32_t DoConcealedKong(int32_t tile) override { return Call("concealed ", tile) && kongMade; }
    int32_t DoAddedKong(int32_t tile) override { return Call("added ", tile) && kongMade; }
    int32_t ReplaceFlower(int32_t p) override { return Call("flower ", p); }
    int32_t DiscardTile(int32_t p) override { return Call("discard ", p); }
    CMJTableSceneBase& scene;
    std::set<int32_t> offered;
    bool kongMade = true;
    std::vector<std::string> calls;
};

TEST(AutoPlayStep, EverySecondTickTakesTheBestOfWhatIsOfferedWeighedFromTheAiSection) {
    const std::vector<int32_t> kFourSevens = {Tile(15), Tile(7, 0), Tile(7, 1), Tile(7, 2),
                                              Tile(7, 3)};
    const std::vector<int32_t> kFourthSeven = {Tile(7, 3), Tile(15)};
    struct Case {
        bool ownTurn, looker, laidPung;
        std::set<int32_t> offered;
        std::vector<int32_t> hand;
        std::vector<std::string> calls;
        bool kongMade = true;
    } cases[] = {
        {true, false, false, {kHuButton, kKongButton, kPengButton, kPassButton}, kExample1, {"hu"}},
        {false, false, false, {kKongButton, kPengButton, kPassButton}, {}, {"kong"}},
        {false, false, false, {kPengButton, kChowButton, kPassButton}, {}, {"peng"}},
        {false, false, false, {kChowButton, kPassButton}, {}, {"pass"}},  // never a chow
        {false, false, false, {}, kExample1, {}},  // not the own turn, nothing to pass
        {true, true, false, {kHuButton, kPassButton}, kExample1, {}},  // a looker
        {true, false, false, {}, kExample1, {"flower 4"}},
        {true, false, false, {}, kExample2, {"discard 0"}},
        // A kong made ends the step: the next tick acts on the replacement.
        {true, false, false, {kKongButton}, kFourSevens, {"kong", "concealed 33"}},
        {true, false, true, {kKongButton}, kFourthSeven, {"kong", "added 33"}},
        // Four 7s whose kong is refused, then (the hand unchanged) the
        // discard: without a 7 the pung scores 210, without the 5 of suit 1
        // only 16.
        {true,
         false,
         false,
         {kKongButton},
         kFourSevens,
         {"kong", "concealed 33", "discard 1"},
         false},
        // The fourth 7 drawn to a laid pung, refused: without the 5 the 7
        // earns its meld suit's bonus (1), without the 7 nothing is left (0).
        {true, false, true, {kKongButton}, kFourthSeven, {"kong", "added 33", "discard 1"}, false},
    };
    for (const Case& c : cases) {
        Table t(0, 4, c.looker);
        Hold(t.scene, c.hand);
        for (int i = 0; c.laidPung && i < 3; ++i)
            Rec(t.scene, kAreaHand, 3, 18 + i) = {.nFace = Tile(7, i), .present = 1, .meldMark = 1};
        t.scene.SetClockPosition(c.ownTurn ? 6 : 0);
        Moves moves(t.scene);
        moves.offered = c.offered;
        moves.kongMade = c.kongMade;
        CAutoPlay play;
        play.AutoPlayStep(t.scene, moves);
        EXPECT_TRUE(moves.calls.empty()) << "the first tick waits";
        play.AutoPlayStep(t.scene, moves);
        EXPECT_EQ(moves.calls, c.calls) << ::testing::PrintToString(c.offered);
    }
    // The weights and the robot switch come from the AI section.
    platform::testing::TempDir dir;
    dir.Write("game.ini", "[AI]\r\nbn_Robot=1\r\nweight_Shun=70\r\nweight_7dui=-1\r\n");
    CAutoPlay play;
    play.LoadSettings(dir / "game.ini");
    play.LoadAIWeights(dir / "game.ini");
    EXPECT_TRUE(play.RobotSwitch());
    const AIWeights& w = play.Weights();  // 7dui kept, though it weighs nothing
    EXPECT_EQ(std::vector({w.shun, w.qidui, w.gang, w.use}),
              (std::vector<uint32_t>{70, 0xFFFFFFFF, 205, 5}));
}

}  // namespace
}  // namespace mahjong
