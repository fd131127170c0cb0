// Auto-play: the tile scoring and the discard choice against hands worked by
// hand from the scoring's steps, and the order in which a step takes what
// the table offers.

#include "mahjong/scene/auto_play.h"

#include <gtest/gtest.h>

#include <set>

#include "mahjong/tests/table_fixture.h"
#include "platform/tests/temp_dir.h"

namespace mahjong {
namespace {

using testing::Table;

// Tile code of a kind (suit x 10 + rank) and copy: suits 0-2 hold 36 codes
// from suit x 36, nine ranks apart per copy; flowers are 136 on, one each.
int32_t Tile(int kind, int copy = 0) {
    const int suit = kind / 10, rank = kind % 10;
    return suit == 4 ? 136 + rank - 1 : suit * 36 + rank - 1 + 9 * copy;
}

MJStruct& Own(CMJTableSceneBase& s, int i) {
    return *s.GetMJStruct(kAreaHand, 3, i);
}

// Stands tiles in the own hand from position 0 (the drawn place) on.
void Hold(CMJTableSceneBase& s, std::initializer_list<int32_t> tiles) {
    int i = 0;
    for (int32_t tile : tiles)
        Own(s, i++) = {.nFace = tile, .standing = 1, .present = 1};
}

KindCounts AllUnseen() {
    KindCounts u;
    u.fill(4);
    return u;
}

// Exposed melds in suits 1 and 2: no tile earns the suit bonus.
constexpr SuitCounts kTwoMeldSuits = {0, 3, 3, 0, 0};

TEST(AutoPlayScore, EachStepAddsWhatItsWeightSays) {
    struct Case {
        const char* what;
        std::vector<int32_t> kinds;
        std::vector<std::pair<int, int>> unseenSet;  // kind, unseen
        SuitCounts melds;
        int32_t skip;
        int32_t score;
    } cases[] = {
        // The eyes are worth weight_Jiang (100) whether or not they live.
        {"one live pair", {5, 5}, {}, kTwoMeldSuits, -1, 100},
        {"one dead pair", {5, 5}, {{5, 0}}, kTwoMeldSuits, -1, 100},
        // A second pair adds weight_use + weight_Jiang (105) while one lives.
        {"two live pairs", {2, 2, 7, 7}, {}, kTwoMeldSuits, -1, 205},
        {"two pairs, one live", {2, 2, 7, 7}, {{7, 0}}, kTwoMeldSuits, -1, 205},
        {"two dead pairs", {2, 2, 7, 7}, {{2, 0}, {7, 0}}, kTwoMeldSuits, -1, 100},
        // A pung: weight_PnPn (200), + weight_use (5) while its fourth tile is unseen.
        {"pung, fourth gone", {4, 4, 4}, {{4, 0}}, kTwoMeldSuits, -1, 200},
        {"pung, fourth unseen", {4, 4, 4}, {{4, 1}}, kTwoMeldSuits, -1, 205},
        // Runs: 2 x weight_Shun for three, weight_Shun for two whose third is unseen.
        {"run of three", {1, 2, 3}, {}, kTwoMeldSuits, -1, 100},
        {"4-5, a 6 unseen", {4, 5}, {{6, 1}}, kTwoMeldSuits, -1, 50},
        {"4-5, every 6 seen", {4, 5}, {{6, 0}}, kTwoMeldSuits, -1, 0},
        // 8-9 asks for rank 10, never held, so it always scores.
        {"8-9", {18, 19}, {}, kTwoMeldSuits, -1, 50},
        // Four of a kind is no pair and no pung, but it runs.
        {"four alone", {6, 6, 6, 6}, {}, kTwoMeldSuits, -1, 0},
        {"four and a run", {6, 6, 6, 6, 7, 8}, {}, kTwoMeldSuits, -1, 100},
        // A pair runs too: 2-2-3-4 is the eyes (100) and 2-3-4 (100).
        {"pair in a run", {2, 2, 3, 4}, {}, kTwoMeldSuits, -1, 200},
        // Honours do not run: the eyes 100 and a live pung 205.
        {"honours", {31, 31, 35, 35, 35}, {}, kTwoMeldSuits, -1, 305},
        // Without its second 3, 1-2-3-3 is only the run.
        {"skip", {1, 2, 3, 3}, {}, kTwoMeldSuits, 3, 100},
        {"no skip", {1, 2, 3, 3}, {}, kTwoMeldSuits, -1, 200},
        // Suit bonus: each tile earns the size of its suit (weight_shape 1)
        // with no melds (3 x 3 + 1), only in the melds' one suit (1), or
        // nothing with melds in two suits.
        {"no melds", {1, 2, 3, 11}, {}, {0, 0, 0, 0, 0}, -1, 110},
        {"melds in one suit", {1, 2, 3, 11}, {}, {0, 3, 0, 0, 0}, -1, 101},
        {"melds in two suits", {1, 2, 3, 11}, {}, kTwoMeldSuits, -1, 100},
        // -1 and kinds outside 1-48 are no tiles.
        {"empty places", {-1, 1, 0, 2, 3, 60}, {}, kTwoMeldSuits, -1, 100},
    };
    for (const Case& c : cases) {
        KindCounts unseen = AllUnseen();
        for (auto [kind, n] : c.unseenSet)
            unseen[size_t(kind)] = n;
        EXPECT_EQ(ScoreTiles(c.kinds, unseen, c.melds, c.skip, AIWeights{}), c.score) << c.what;
    }
    AIWeights heavy;
    heavy.shape = 3;
    const std::vector<int32_t> run = {1, 2, 3};
    EXPECT_EQ(ScoreTiles(run, AllUnseen(), {}, -1, heavy), 100 + 3 * 3 * 3);
}

// Example 1: the drawn 8 (suit 1), 1-2-3, a flower, a pair of 5s and the 7 of
// suit 1, no melds, nothing else in sight. Without tile p the hand scores:
//   p0 (18): bonus 5x5+1+1, eyes 100, run 100                        = 227
//   p1 (1):  bonus 4x4+2x2+1, eyes 100, 2-3 50, 17-18 50            = 221
//   p2 (2):  bonus 21, eyes 100, 17-18 50                            = 171
//   p3 (3):  bonus 21, eyes 100, 1-2 50 (two 3s unseen), 17-18 50    = 221
//   p4 (41): bonus 5x5+2x2, eyes 100, run 100, 17-18 50              = 279
//   p5, p6 (5): bonus 21, run 100, 17-18 50                          = 171
//   p7 (17): bonus 27, eyes 100, run 100                             = 227
// so the flower at 4 goes. When the flower's kind is the round's joker it
// stays: then p0 and p7 score 226 best, and the lower position wins.
TEST(AutoPlayChoice, TheTileWhoseLossHurtsLeastGoesAndJokersStay) {
    for (const bool flowerIsJoker : {false, true}) {
        Table t;
        t.Start([&](testing::Words& w) {
            if (flowerIsJoker) w[snap::kJokerA] = Tile(41);
        });
        Hold(t.scene,
             {Tile(18), Tile(1), Tile(2), Tile(3), Tile(41), Tile(5), Tile(5, 1), Tile(17)});
        EXPECT_EQ(CAutoPlay().ChooseAutoDiscard(t.scene), flowerIsJoker ? 0 : 4);
    }
    // A lone tile scores 0 without itself: position 0 is the answer, empty or not.
    Table t;
    Own(t.scene, 1) = {.nFace = Tile(1), .standing = 1, .present = 1};
    EXPECT_EQ(CAutoPlay().ChooseAutoDiscard(t.scene), 0);
}

// Example 2: 4-5 of suit 2 (positions 0, 1) and 4-5 of suit 0 (2, 3), no
// melds. Without a suit-2 tile the hand keeps bonus 1+2+2 and suit 0's 4-5
// (50) only while a 6 of suit 0 may come: 55, else 5. Without a suit-0 tile
// it keeps bonus 5 and suit 2's 4-5 (a 26 unseen): 55. So while a 6 may come
// all score 55 and position 0 goes; with every 6 in sight position 2 goes.
TEST(AutoPlayChoice, TilesInSightAreRiversLaidMeldsAndTheOwnHand) {
    Table t;
    Hold(t.scene, {Tile(24), Tile(25), Tile(4), Tile(5)});
    auto river = [&](int seat, int i) -> MJStruct& {
        return *t.scene.GetMJStruct(kAreaRiver, seat, i);
    };
    river(0, 0) = {.nFace = Tile(6, 0), .faceState = 1, .present = 1};
    river(1, 3) = {.nFace = Tile(6, 1), .faceState = 1, .present = 1};
    *t.scene.GetMJStruct(kAreaHand, 2, 20) = {.nFace = Tile(6, 2), .present = 1, .meldMark = 1};
    // A face-down tile is not in sight: one 6 may still come, all score 55.
    river(2, 0) = {.nFace = Tile(6, 3), .faceState = 0, .present = 1};
    EXPECT_EQ(CAutoPlay().ChooseAutoDiscard(t.scene), 0);
    river(2, 0).faceState = 1;
    EXPECT_EQ(CAutoPlay().ChooseAutoDiscard(t.scene), 2);
}

// With three players view seat 1 is nobody's: what stands there is not in
// sight, and no unseated chair is looked up (chair 3 had no view seat at
// own chair 0, and view seat 1 at own chair 1).
TEST(AutoPlayChoice, OnlySeatedChairsAreLookedAtWithThreePlayers) {
    for (const int own : {0, 1, 2}) {
        Table t(own, 3);
        Hold(t.scene, {Tile(24), Tile(25), Tile(4), Tile(5)});
        for (int copy = 0; copy < 4; ++copy) {
            *t.scene.GetMJStruct(kAreaRiver, 1, copy) = {
                .nFace = Tile(6, copy), .faceState = 1, .present = 1};
        }
        EXPECT_EQ(CAutoPlay().ChooseAutoDiscard(t.scene), 0) << own;
    }
}

// Records what a step asks of the scene; the kong command leaves the kinds
// held four times choosable, as the scene's does.
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
    int32_t DoConcealedKong(int32_t tile) override {
        calls.push_back("concealed " + std::to_string(tile));
        return 1;
    }
    int32_t DoAddedKong(int32_t tile) override {
        calls.push_back("added " + std::to_string(tile));
        return 1;
    }
    int32_t ReplaceFlower(int32_t p) override {
        calls.push_back("flower " + std::to_string(p));
        return 1;
    }
    int32_t DiscardTile(int32_t p) override {
        calls.push_back("discard " + std::to_string(p));
        return 1;
    }
    CMJTableSceneBase& scene;
    std::set<int32_t> offered;
    std::vector<std::string> calls;
};

TEST(AutoPlayStep, EverySecondTickTakesTheBestOfWhatIsOffered) {
    enum Hand { kNone, kExample1, kExample2, kFourSevens, kPungOfSevens };
    struct Case {
        const char* what;
        bool ownTurn;
        std::set<int32_t> offered;
        Hand hand;
        std::vector<std::string> calls;
    } cases[] = {
        {"a win beats all",
         true,
         {kHuButton, kKongButton, kPengButton, kPassButton},
         kExample1,
         {"hu"}},
        {"a kong of a discard", false, {kKongButton, kPengButton, kPassButton}, kNone, {"kong"}},
        {"a pung", false, {kPengButton, kChowButton, kPassButton}, kNone, {"peng"}},
        {"never a chow", false, {kChowButton, kPassButton}, kNone, {"pass"}},
        {"not the own turn, nothing offered", false, {}, kExample1, {}},
        {"own turn before the draw", true, {}, kNone, {}},
        {"a flower is replaced", true, {}, kExample1, {"flower 4"}},
        {"a tile is discarded", true, {}, kExample2, {"discard 0"}},
        // Four 7s: the kong of the last one, then (the hand unchanged here)
        // the discard: without a 7 the pung scores 210, without the 5 only 16.
        {"a concealed kong",
         true,
         {kKongButton},
         kFourSevens,
         {"kong", "concealed " + std::to_string(Tile(7, 3)), "discard 1"}},
        // A laid pung of 7s and the fourth drawn: the 5 goes (1 against 0).
        {"an added kong",
         true,
         {kKongButton},
         kPungOfSevens,
         {"kong", "added " + std::to_string(Tile(7, 3)), "discard 1"}},
    };
    for (const Case& c : cases) {
        Table t;
        switch (c.hand) {
            case kExample1:
                Hold(t.scene, {Tile(18), Tile(1), Tile(2), Tile(3), Tile(41), Tile(5), Tile(5, 1),
                               Tile(17)});
                break;
            case kExample2:
                Hold(t.scene, {Tile(24), Tile(25), Tile(4), Tile(5)});
                break;
            case kFourSevens:
                Hold(t.scene, {Tile(15), Tile(7, 0), Tile(7, 1), Tile(7, 2), Tile(7, 3)});
                break;
            case kPungOfSevens:
                Hold(t.scene, {Tile(7, 3), Tile(15)});
                for (int i = 0; i < 3; ++i)
                    Own(t.scene, 18 + i) = {.nFace = Tile(7, i), .present = 1, .meldMark = 1};
                break;
            case kNone:
                break;
        }
        t.scene.SetClockPosition(c.ownTurn ? 6 : 0);
        Moves moves(t.scene);
        moves.offered = c.offered;
        CAutoPlay play;
        play.AutoPlayStep(t.scene, moves);
        EXPECT_TRUE(moves.calls.empty()) << c.what << ": the first tick waits";
        play.AutoPlayStep(t.scene, moves);
        EXPECT_EQ(moves.calls, c.calls) << c.what;
        EXPECT_EQ(play.Ticks(), 0) << c.what;
    }
}

TEST(AutoPlayStep, ThePlainStepPassesOrGivesUpTheFirstTileThatIsNoJoker) {
    struct Case {
        std::set<int32_t> offered;
        std::vector<int32_t> hand;
        const char* call;
    } cases[] = {
        {{kPassButton, kPengButton}, {Tile(1)}, "pass"},
        {{}, {Tile(9), Tile(9, 1), Tile(2), Tile(3)}, "discard 2"},
        {{}, {Tile(9), Tile(41), Tile(2)}, "flower 1"},
        {{}, {Tile(9), Tile(9, 1), Tile(9, 2)}, "discard 2"},  // jokers only: the last
    };
    for (const Case& c : cases) {
        Table t;
        t.Start([](testing::Words& w) { w[snap::kJokerA] = Tile(9); });
        for (size_t i = 0; i < c.hand.size(); ++i)
            Own(t.scene, int(i)) = {.nFace = c.hand[i], .standing = 1, .present = 1};
        t.scene.SetClockPosition(6);
        Moves moves(t.scene);
        moves.offered = c.offered;
        CAutoPlay play;
        play.PlainAutoPlayStep(t.scene, moves);
        play.PlainAutoPlayStep(t.scene, moves);
        EXPECT_EQ(moves.calls, std::vector<std::string>{c.call}) << c.call;
    }
}

TEST(AutoPlayStep, ALookerNeverActsAndNoTickCountsOffTurn) {
    Table looker(0, 4, true);
    Hold(looker.scene, {Tile(1), Tile(2)});
    looker.scene.SetClockPosition(6);
    Moves moves(looker.scene);
    moves.offered = {kHuButton, kPassButton};
    CAutoPlay play;
    for (int i = 0; i < 4; ++i) {
        play.AutoPlayStep(looker.scene, moves);
        play.PlainAutoPlayStep(looker.scene, moves);
    }
    EXPECT_TRUE(moves.calls.empty());
    EXPECT_EQ(play.Ticks(), 0);
}

TEST(AutoPlaySettings, WeightsAndTheRobotSwitchComeFromTheAiSection) {
    platform::testing::TempDir dir;
    CAutoPlay play;
    play.LoadSettings(dir / "none.ini");
    play.LoadAIWeights(dir / "none.ini");
    EXPECT_FALSE(play.RobotSwitch());
    const AIWeights d;
    EXPECT_EQ(play.Weights().shun, 50u);
    EXPECT_EQ(play.Weights().gang, 205u);
    dir.Write("game.ini",
              "[AI]\r\nbn_Robot=1\r\nweight_Shun=70\r\nweight_use=9\r\nweight_7dui=-1\r\n");
    play.LoadSettings(dir / "game.ini");
    play.LoadAIWeights(dir / "game.ini");
    EXPECT_TRUE(play.RobotSwitch());
    EXPECT_EQ(play.Weights().shun, 70u);
    EXPECT_EQ(play.Weights().use, 9u);
    EXPECT_EQ(play.Weights().qidui, 0xFFFFFFFFu);  // read and kept, weighing nothing
    EXPECT_EQ(play.Weights().pnpn, d.pnpn);
    EXPECT_EQ(AutoPlayChatLine(true),
              "<c=255>[系统]<c=4953725>游戏已进入系统托管状态，点击鼠标左键解除!\r\n");
    EXPECT_EQ(AutoPlayChatLine(false), "<c=255>[系统]<c=4953725>系统托管终止!\r\n");
}

}  // namespace
}  // namespace mahjong
