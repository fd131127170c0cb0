// The game rule table on dealt scenes: the worked examples of its score,
// claim priority and deal, the records a viewer gets, and hostile requests.

#include <gtest/gtest.h>

#include <random>

#include "rules/hand/hu.h"
#include "rules/hand/tests/hand_gen.h"
#include "rules/table/tests/table_scene.h"
#include "transport/log.h"

namespace rules {
namespace {

using namespace testing;

// Seat 2 waits on 7s with five chows; the others hold nothing that claims 7s.
Scene WinOnSeven() {
    Scene s;
    s.hands[0] = "7s13579m1357p2468m246p";
    s.hands[1] = "369m369m147p147p234s4s";
    s.hands[2] = "123456789m123456s7s";
    s.hands[3] = "147m258m258p36p1p1234s";
    return s;
}

std::array<int32_t, 4> Scores(const TableRecord& end) {
    std::array<int32_t, 4> s;
    for (size_t i = 0; i < 4; ++i)
        s[i] = end.Get(game_end::kScores + i);
    return s;
}

TEST(RuleTableTest, DealFromTheDiceAndTheIndicator) {
    auto tt = DealScene(WinOnSeven());
    ASSERT_TRUE(tt);
    CRuleTable& t = *tt->table;
    // Dice 3 + 4 from chair 0: 7 % 4 = 3, side (0 + 2) % 4 = 2, (14 + 36) % 144.
    EXPECT_EQ(t.DealStart(), 50);
    EXPECT_EQ(t.SpecialPos(), 48);
    EXPECT_EQ(t.JokerTile(), IdOf(29, 0));
    EXPECT_EQ(t.FrontDraws(), 65);
    EXPECT_EQ(t.FrontPos(), (65 + 50) % 144);
    EXPECT_EQ(t.HeldCount(0), 17);
    for (int s = 1; s < 4; ++s)
        EXPECT_EQ(t.HeldCount(s), 16);
    EXPECT_EQ(t.CheckWall(), 1);
    EXPECT_EQ(t.ActiveChair(), 0);
    EXPECT_TRUE(t.State() & kStateOwnAction);
}

TEST(RuleTableTest, FlowersAndAFlowerIndicatorAreReplacedFromTheTail) {
    Scene s = WinOnSeven();
    s.hands[1] = "369m369m147p147p2s1z4s5f";  // two flowers in seat 1's hand
    s.indicator = "3z";                       // a wind: a flower in this game
    s.tail = "3s2f9s1s2s";                    // tail positions 49, 46, 47, 44, 45
    auto tt = DealScene(s);
    ASSERT_TRUE(tt);
    CRuleTable& t = *tt->table;
    EXPECT_EQ(t.HeldCount(1), 16);
    EXPECT_EQ(t.Flowers(1), (std::vector<TileId>{IdOf(31, 0), IdOf(45, 0), IdOf(42, 0)}));
    // The dealer takes the wind turned up; the next tail position is turned up.
    EXPECT_EQ(t.Flowers(0), (std::vector<TileId>{IdOf(33, 0)}));
    // The tail walk passed over the indicator (48) and drew 49, 46 and 47
    // for seat 1: the next tail position, 44, is turned up, and the counter
    // stands at it (no position is passed over without a draw).
    EXPECT_EQ(t.SpecialPos(), 44);
    EXPECT_EQ(t.JokerTile() / 36 * 10 + t.JokerTile() % 9 + 1, 11) << "1s";
    EXPECT_EQ(t.TailCounter(), 4);
}

TEST(RuleTableTest, TheDealsFlowersAreReplacedPastTheReserve) {
    // Every honour and flower in the deal: their replacements and the flower
    // value they show pass the reserve of 18 plus the flower value, yet each
    // seat gets its full hand. The round then ends drawn at the next draw.
    Scene s = WinOnSeven();
    s.hands[0] = "1111z2222z3333z4444z5z";
    s.hands[1] = "555z6666z7777z12345f";
    s.hands[2] = "678f123456789m1234s";
    auto tt = DealScene(s);
    ASSERT_TRUE(tt);
    CRuleTable& t = *tt->table;
    EXPECT_EQ(Misplaced(t), "");
    EXPECT_EQ(t.HeldCount(0), 17);
    for (int seat = 1; seat < 4; ++seat)
        EXPECT_EQ(t.HeldCount(seat), 16) << seat;
    for (int seat = 0; seat < 4; ++seat)
        EXPECT_LT(t.FirstHeldFlower(seat), 0) << seat;
    EXPECT_EQ(t.TailDraws(), 36);
    EXPECT_TRUE(t.WallNearlyUsed());
    ASSERT_TRUE(t.RequestDiscard(DiscardOf(0, t.FirstHeld(0))));
    for (int seat = 1; seat < 4; ++seat)
        EXPECT_EQ(t.ClaimFlags(seat) & ~kClaimFlagHu, 0) << seat;
    for (int seat = 1; seat < 4; ++seat)
        t.RequestPass(Claim(seat, 0, t.WindowTile()));
    EXPECT_EQ(t.CloseClaims().kind, ClaimOutcome::kHandOver);
    EXPECT_EQ(t.EndCode() & kEndDraw, kEndDraw);
}

// The dealer holds 5m in place of 7s.
Scene DealerWithoutSeven(std::string front) {
    Scene s = WinOnSeven();
    s.hands[0] = "5m13579m1357p2468m246p";
    s.front = std::move(front);
    return s;
}

// The dealer discards 5m; seat 2 passes its offer of the indicator (the
// first discard lets a ready hand take it); seat 3 draws.
void PassToSeatThree(CRuleTable& t) {
    ASSERT_TRUE(t.RequestDiscard(DiscardOf(0, IdOf(5, 1))));
    EXPECT_EQ(t.ClaimFlags(2), kClaimFlagHu);
    EXPECT_EQ(t.ClaimFlags(1) | t.ClaimFlags(3), 0);
    EXPECT_TRUE(t.RequestPass(Claim(2, 0, IdOf(5, 1))));
    EXPECT_EQ(t.CloseClaims().seat, 3);
}

TEST(RuleTableTest, DiscardWinMovesTwiceTheValue) {
    auto tt = DealScene(DealerWithoutSeven("7s"));
    ASSERT_TRUE(tt);
    CRuleTable& t = *tt->table;
    PassToSeatThree(t);
    const TileId seven = IdOf(17, 1);
    ASSERT_TRUE(t.RequestDiscard(DiscardOf(3, seven)));
    EXPECT_EQ(t.ClaimFlags(2), kClaimFlagHu | kClaimFlagChow);
    EXPECT_EQ(t.ClaimFlags(0) | t.ClaimFlags(1), 0);
    ASSERT_TRUE(t.RequestHu(HuOf(2, 3, seven, kHuOnDiscard)));
    EXPECT_EQ(t.CloseClaims().kind, ClaimOutcome::kHandOver);
    const TableRecord& end = t.LastGameEnd();
    // No flowers, no jokers: only "平胡" (30), worth (30 + 1) / 2 = 15.
    const size_t result = game_end::kSeatResults + 2 * 43;
    EXPECT_EQ(end.Get(result + seat_result::kCounters + 1), 30);
    EXPECT_EQ(end.Get(result + seat_result::kValue), 15);
    EXPECT_EQ(Scores(end), (std::array<int32_t, 4>{0, 0, 30, -30}));
    EXPECT_EQ(end.Get(game_end::kWinner), 2);
    EXPECT_EQ(end.Get(game_end::kDiscarder), 3);
    EXPECT_EQ(end.Get(game_end::kWinningTile), seven);
    EXPECT_EQ(end.Get(game_end::kWon + 2), 1);
    EXPECT_EQ(end.Get(game_end::kEndCode), kEndWin);
    EXPECT_EQ(end.Get(game_end::kNextDealer), 3);
    EXPECT_EQ(end.Get(game_end::kSeatCount), 4);
    EXPECT_EQ(end.ByteSize(), 1668u + 4 * 172);
    EXPECT_EQ(end.Text(game_end::kCounterNames, 256),
              std::string("花|平胡|三金倒|金雀|金龙|天胡|抢金") + std::string(25, '|'));
}

TEST(RuleTableTest, AReadyHandTakesTheIndicatorOnTheFirstDiscard) {
    // Seat 2 is ready after the deal: the indicator, a joker, completes it
    // ("抢金"), which pays like a self-drawn win even on the dealer's discard,
    // with the extra settlement (0x80000) too. The dealer may take it on its
    // own first discard. The record's winning tile is the indicator.
    Scene dealerReady = WinOnSeven();
    dealerReady.hands[0] = "123456789m123456s7s5m";
    dealerReady.hands[2] = "13579m1357p2468m246p";
    struct Case {
        Scene scene;
        TileId discard;
        int32_t winner;
        std::array<int32_t, 4> scores;
    } cases[] = {{WinOnSeven(), IdOf(17, 0), 2, {-30, -30, 90, -30}},
                 {dealerReady, IdOf(5, 1), 0, {90, -30, -30, -30}}};
    for (const Case& c : cases) {
        for (RuleOptions extra : {0u, 0x80000u}) {
            TableConfig config;
            config.options |= extra;
            auto tt = DealScene(c.scene, config);
            ASSERT_TRUE(tt);
            CRuleTable& t = *tt->table;
            ASSERT_TRUE(t.RequestDiscard(DiscardOf(0, c.discard)));
            EXPECT_EQ(t.ClaimFlags(c.winner), kClaimFlagHu);
            for (int s = 0; s < 4; ++s) {
                if (s != c.winner && t.ClaimFlags(s)) t.RequestPass(Claim(s, 0, c.discard));
            }
            ASSERT_TRUE(t.RequestHu(HuOf(c.winner, 0, c.discard, kHuOnDiscard)));
            EXPECT_EQ(t.CloseClaims().kind, ClaimOutcome::kHandOver);
            const TableRecord& end = t.LastGameEnd();
            const size_t result = game_end::kSeatResults + size_t(c.winner) * 43;
            EXPECT_EQ(end.Get(result + seat_result::kCounters + 6), 30);
            EXPECT_EQ(end.Get(result + seat_result::kCounters + 1), 0);
            EXPECT_EQ(Scores(end), c.scores) << extra;
            EXPECT_EQ(end.Get(game_end::kWinner), c.winner);
            EXPECT_EQ(end.Get(game_end::kDiscarder), 0);
            EXPECT_EQ(end.Get(game_end::kWinningTile), t.JokerTile());
        }
    }
}

// Every seat but `keep` passes the open window's offers.
void PassOthers(CRuleTable& t, int32_t keep) {
    for (int s = 0; s < 4; ++s) {
        if (s != keep && t.ClaimFlags(s)) t.RequestPass(Claim(s, t.WindowSeat(), t.WindowTile()));
    }
}

// The seat discards, nobody claims, and the next seat draws.
void DiscardAndDraw(CRuleTable& t, int32_t seat, TileId tile) {
    ASSERT_TRUE(t.RequestDiscard(DiscardOf(seat, tile)));
    PassOthers(t, -1);
    ASSERT_EQ(t.CloseClaims().kind, ClaimOutcome::kDrew);
}

TEST(RuleTableTest, RepeatedClaimsAreChargedWithTheExtraSettlement) {
    // Seat 3 pungs the dealer's 1m, 2m and 3m. Then seat 3 wins on the
    // dealer's 5p (the winner claimed three times from the payer: 2v more),
    // or the dealer wins on seat 1's 5s (seat 3 claimed three times from the
    // winner: 5v, moved onto the discarder).
    Scene s;
    s.hands[0] = "123m123p456p777p88p234s";
    s.hands[1] = "6666m7777m222p333p6s1p";
    s.hands[2] = "4444m5555m1111s8888s";
    s.hands[3] = "112233m99m9s456s777s5p";
    for (bool dealerWins : {false, true}) {
        for (RuleOptions extra : {0u, 0x80000u}) {
            s.front = dealerWins ? "8m8m8p8m8m5s2s5s" : "8m8m8p8m8m5s2s9m5p";
            TableConfig config;
            config.options |= extra;
            auto tt = DealScene(s, config);
            ASSERT_TRUE(tt);
            CRuleTable& t = *tt->table;
            const TileId seatThreeDiscards[] = {IdOf(9, 0), IdOf(9, 1), IdOf(19, 0)};
            for (int k = 1; k <= 3; ++k) {
                ASSERT_TRUE(t.RequestDiscard(DiscardOf(0, IdOf(k, 0))));
                PassOthers(t, 3);
                ASSERT_TRUE(t.RequestClaim(Claim(3, 0, IdOf(k, 0), {IdOf(k, 1), IdOf(k, 2)}),
                                           kClaimFlagPung));
                ASSERT_EQ(t.CloseClaims().seat, 3);
                DiscardAndDraw(t, 3, seatThreeDiscards[k - 1]);
                DiscardAndDraw(t, 2, t.LastDrawn(2));
                if (k < 3) DiscardAndDraw(t, 1, t.LastDrawn(1));
            }
            EXPECT_EQ(t.ClaimCount(3, 0), 3);
            const int32_t winner = dealerWins ? 0 : 3, giver = dealerWins ? 1 : 0;
            if (!dealerWins) DiscardAndDraw(t, 1, t.LastDrawn(1));
            const TileId tile = t.LastDrawn(giver);
            ASSERT_TRUE(t.RequestDiscard(DiscardOf(giver, tile)));
            PassOthers(t, winner);
            ASSERT_TRUE(t.RequestHu(HuOf(winner, giver, tile, kHuOnDiscard)));
            ASSERT_EQ(t.CloseClaims().kind, ClaimOutcome::kHandOver);
            const TableRecord& end = t.LastGameEnd();
            const int32_t v =
                end.Get(game_end::kSeatResults + size_t(winner) * 43 + seat_result::kValue);
            EXPECT_EQ(v, 15);
            std::array<int32_t, 4> expected{};
            const int32_t paid = !extra ? 2 * v : dealerWins ? 7 * v : 4 * v;
            expected[size_t(winner)] = paid;
            expected[size_t(giver)] = -paid;
            EXPECT_EQ(Scores(end), expected) << dealerWins << " " << extra;
            EXPECT_EQ(end.Get(game_end::kCharged + 3), extra && dealerWins ? 1 : 0);
            EXPECT_EQ(end.Get(game_end::kCharged + 0), extra && !dealerWins ? 1 : 0);
        }
    }
}

TEST(RuleTableTest, WithOption40000EverySeatThatCanWinOnADiscardWins) {
    // Seats 3 and 2 both wait on 7s; with the option neither outranks the
    // other by its distance from the discarder, and both win.
    Scene two = WinOnSeven();
    two.hands[3] = "123456789m123p456p7s";
    two.hands[1] = "123456789m888p8899s";
    two.hands[0] = "7s13579m2468m1357p246p";
    TableConfig config;
    config.options |= 0x40000;
    auto tt = DealScene(two, config);
    ASSERT_TRUE(tt);
    CRuleTable& t = *tt->table;
    EXPECT_EQ(t.ClaimPriority(3, 0, kClaimFlagHu), 400);
    EXPECT_EQ(t.ClaimPriority(2, 0, kClaimFlagHu), 400);
    const TileId discard = IdOf(17, 0);
    ASSERT_TRUE(t.RequestDiscard(DiscardOf(0, discard)));
    ASSERT_TRUE(t.RequestHu(HuOf(2, 0, discard, kHuOnDiscard)));
    ASSERT_TRUE(t.RequestHu(HuOf(3, 0, discard, kHuOnDiscard)));
    EXPECT_EQ(t.CloseClaims().seat, 3);
    const TableRecord& end = t.LastGameEnd();
    EXPECT_EQ(end.Get(game_end::kWon + 2), 1);
    EXPECT_EQ(end.Get(game_end::kWon + 3), 1);
    EXPECT_GT(t.HuWord(2), 0);
    EXPECT_GT(t.HuWord(3), 0);
    EXPECT_EQ(end.Get(game_end::kWinner), 3);
}

TEST(RuleTableTest, SilverIsSettledWithTheStakeTheLossCapAndTheFee) {
    // Every seat plays for silver (flag A bit 4): the stake is 32 (the lowest
    // silver, 5000, gives 2^5) times 3. Seat 2 wins 30 from seat 3, 2880
    // silver; seat 3 holds only 2000 by the settlement, the lowest at the
    // table, so its loss and seat 2's gain are cut to 2000; the fee of mode 6
    // is (2000 / 100) * 2. The score moves by 30 times the base value, 16 for
    // the players' level at 1000.
    StartParams p;
    p.stakeFactor = 3;
    p.minSilver = 100;
    p.settlementMode = 6;
    p.feeUnit = 2;
    auto tt = DealScene(DealerWithoutSeven("7s"), {}, p, 0x4);
    ASSERT_TRUE(tt);
    CRuleTable& t = *tt->table;
    t.PlayerAt(3)->silver = 2000;
    PassToSeatThree(t);
    const TileId seven = IdOf(17, 1);
    ASSERT_TRUE(t.RequestDiscard(DiscardOf(3, seven)));
    ASSERT_TRUE(t.RequestHu(HuOf(2, 3, seven, kHuOnDiscard)));
    EXPECT_EQ(t.CloseClaims().kind, ClaimOutcome::kHandOver);
    const TableRecord& end = t.LastGameEnd();
    using namespace game_end;
    EXPECT_EQ(Scores(end), (std::array<int32_t, 4>{0, 0, 30, -30}));
    EXPECT_EQ(end.Get(kBaseValue), 16);
    EXPECT_EQ(end.Get(kSilver + 3), 2000);
    EXPECT_EQ(end.Get(kScoreChange + 2), 480);
    EXPECT_EQ(end.Get(kScoreChange + 3), -480);
    EXPECT_EQ(end.Get(kSilverChange + 2), 2000 - 40);
    EXPECT_EQ(end.Get(kSilverChange + 3), -2000);
    EXPECT_EQ(end.Get(kFee + 2), 40);
    EXPECT_EQ(end.Get(kSilverChange + 0) | end.Get(kSilverChange + 1), 0);
    // Written back to the players; the running totals count silver.
    EXPECT_EQ(t.PlayerAt(2)->silver, 5000 + 1960);
    EXPECT_EQ(t.PlayerAt(3)->silver, 0);
    EXPECT_EQ(t.PlayerAt(2)->score, 1480);
    EXPECT_EQ(t.PlayerAt(3)->score, 520);
    EXPECT_EQ(t.RunningTotals()[2], 1960);
    // Without flag A bit 4 no silver moves.
    auto plain = DealScene(DealerWithoutSeven("7s"), {}, p, 0);
    ASSERT_TRUE(plain);
    PassToSeatThree(*plain->table);
    ASSERT_TRUE(plain->table->RequestDiscard(DiscardOf(3, seven)));
    ASSERT_TRUE(plain->table->RequestHu(HuOf(2, 3, seven, kHuOnDiscard)));
    plain->table->CloseClaims();
    EXPECT_EQ(plain->table->LastGameEnd().Get(kSilverChange + 2), 0);
    EXPECT_EQ(plain->table->PlayerAt(2)->silver, 5000);
}

TEST(RuleTableTest, SelfDrawnWinTakesTwiceTheValueFromEachAndDoubles) {
    // A doubling below 1 counts as 1; one too large for the scores leaves a
    // settlement that cannot sum to zero, which is logged and zeroed.
    transport::LogOpen(nullptr, transport::kLogCrLf);
    for (int32_t doubling : {1, 2, 0, -5, 40}) {
        auto tt = DealScene(DealerWithoutSeven("9s7s"));
        ASSERT_TRUE(tt);
        CRuleTable& t = *tt->table;
        PassToSeatThree(t);
        ASSERT_TRUE(t.RequestDiscard(DiscardOf(3, IdOf(19, 0))));
        ClaimOutcome drew = t.CloseClaims();
        EXPECT_EQ(drew.seat, 2);
        EXPECT_EQ(drew.tile, IdOf(17, 1));
        t.SetDoubling(doubling);
        // The winning tile must be the one drawn, though any would complete.
        EXPECT_FALSE(t.RequestHu(HuOf(2, 2, IdOf(1, 1), kHuSelfDrawn)));
        ASSERT_TRUE(t.RequestHu(HuOf(2, 2, IdOf(17, 1), kHuSelfDrawn)));
        const TableRecord& end = t.LastGameEnd();
        EXPECT_EQ(end.Get(game_end::kEndCode), kEndWin | kEndSelfDrawn);
        const int32_t d = doubling == 40 ? 0 : std::max(doubling, 1);
        EXPECT_EQ(Scores(end), (std::array<int32_t, 4>{-30 * d, -30 * d, 90 * d, -30 * d}));
        // The winner's hand in the record holds the winning tile.
        bool found = false;
        for (size_t i = 0; i < 32; ++i)
            found |= end.Get(game_end::kHands + 2 * 32 + i) == IdOf(17, 1);
        EXPECT_TRUE(found);
    }
}

TEST(RuleTableTest, ClaimsRankHuKongPungChowAndTheNearestSeatWinsTies) {
    auto scene = DealScene(WinOnSeven());
    ASSERT_TRUE(scene);
    CRuleTable& t = *scene->table;
    // Seats 3, 2 and 1 sit 3, 2 and 1 steps after discarder 0 in play order.
    EXPECT_EQ(t.ClaimPriority(3, 0, kClaimFlagHu), 403);
    EXPECT_EQ(t.ClaimPriority(2, 0, kClaimFlagHu), 402);
    EXPECT_EQ(t.ClaimPriority(1, 0, kClaimFlagKong), 301);
    EXPECT_EQ(t.ClaimPriority(1, 0, kClaimFlagPung), 201);
    EXPECT_EQ(t.ClaimPriority(3, 0, kClaimFlagChow), 103);
    EXPECT_EQ(t.ClaimPriority(0, 0, kClaimFlagHu), 400);

    Scene s = WinOnSeven();
    s.hands[1] = "369m369m147p147p23s7s7s";
    s.hands[3] = "147m258m258p36p1p3456s";
    auto tt = DealScene(s);
    ASSERT_TRUE(tt);
    CRuleTable& u = *tt->table;
    const TileId seven = IdOf(17, 0);
    ASSERT_TRUE(u.RequestDiscard(DiscardOf(0, seven)));
    EXPECT_EQ(u.ClaimFlags(1), kClaimFlagPung);
    EXPECT_EQ(u.ClaimFlags(2), kClaimFlagHu);
    EXPECT_EQ(u.ClaimFlags(3), kClaimFlagChow);
    const Words chow = Claim(3, 0, seven, {IdOf(15, 1), IdOf(16, 1)});
    const Words pung = Claim(1, 0, seven, {IdOf(17, 1), IdOf(17, 2)});
    EXPECT_FALSE(u.RequestClaim(chow, kClaimFlagChow));  // below the pung and the hu offers
    EXPECT_FALSE(u.RequestClaim(pung, kClaimFlagPung));  // below seat 2's hu offer
    EXPECT_TRUE(u.RequestPass(Claim(2, 0, seven)));
    EXPECT_TRUE(u.RequestClaim(pung, kClaimFlagPung));
    EXPECT_FALSE(u.RequestClaim(chow, kClaimFlagChow));  // below the recorded pung
    ClaimOutcome out = u.CloseClaims();
    EXPECT_EQ(out.kind, ClaimOutcome::kMeld);
    EXPECT_EQ(out.seat, 1);
    ASSERT_EQ(u.Melds(1, kPungs).size(), 1u);
    EXPECT_EQ(u.Melds(1, kPungs)[0].tiles,
              (std::array<TileId, 4>{IdOf(17, 1), IdOf(17, 2), seven, -1}));
    EXPECT_EQ(u.Melds(1, kPungs)[0].giver, 0);
    EXPECT_TRUE(u.Discards(0).empty());
    EXPECT_EQ(u.ActiveChair(), 1);
    EXPECT_EQ(u.HeldCount(1), 14);
    EXPECT_EQ(u.BlockedKinds(1)[0], 17);
    EXPECT_EQ(u.ClaimCount(1, 0), 1);

    // Two seats win on one discard: the first after the discarder keeps it,
    // unless it passed.
    Scene two = WinOnSeven();
    two.hands[3] = "123456789m123p456p7s";
    two.hands[1] = "123456789m888p8899s";
    two.hands[0] = "7s13579m2468m1357p246p";
    for (bool nearPasses : {false, true}) {
        auto both = DealScene(two);
        ASSERT_TRUE(both);
        CRuleTable& w = *both->table;
        const TileId discard = IdOf(17, 0);
        ASSERT_TRUE(w.RequestDiscard(DiscardOf(0, discard)));
        ASSERT_TRUE(w.RequestHu(HuOf(2, 0, discard, kHuOnDiscard)));
        if (nearPasses) {
            ASSERT_TRUE(w.RequestPass(Claim(3, 0, discard)));
        } else {
            ASSERT_TRUE(w.RequestHu(HuOf(3, 0, discard, kHuOnDiscard)));
        }
        const int32_t winner = nearPasses ? 2 : 3;
        EXPECT_EQ(w.CloseClaims().seat, winner);
        EXPECT_EQ(w.HuWord(5 - winner), 0);
        EXPECT_GT(w.HuWord(winner), 0);
    }
}

TEST(RuleTableTest, AClaimTooLateLeavesNoTrace) {
    // A claim in the last second of the window is refused and leaves the
    // seat as it was: one that has not claimed, which a kong's robbing
    // check (the one check without a window of its own) still asks about.
    auto tt = DealScene(WinOnSeven());
    ASSERT_TRUE(tt);
    CRuleTable& t = *tt->table;
    const TileId seven = IdOf(17, 0);
    ASSERT_TRUE(t.RequestDiscard(DiscardOf(0, seven)));
    tt->tick += 9500;
    EXPECT_EQ(t.ClaimPeng(Claim(2, 0, seven, {IdOf(17, 1), IdOf(17, 2)})), 0);
    EXPECT_EQ(t.ClaimPriorityOf(2), 0);
    EXPECT_EQ(t.ClaimKongRob(Claim(1, 0, seven)), 1);
}

TEST(RuleTableTest, ConcealedKongTakesTheTileAndTheThreeBesideItFromTheHand) {
    Scene s = WinOnSeven();
    s.hands[0] = "1111m235789m1357p246p";
    s.hands[2] = "23456789m123456s7s5m";
    s.hands[3] = "47m9s258m258p36p1p1234s";
    s.tail = "8s";
    auto tt = DealScene(s);
    ASSERT_TRUE(tt);
    CRuleTable& t = *tt->table;
    Words kong = Claim(0, 0, IdOf(1, 2), {IdOf(1, 0), IdOf(1, 1), IdOf(1, 3)});
    Words three = kong;
    three[request::kShown + 2] = -1;
    EXPECT_FALSE(t.RequestConcealedKong(three));
    Words other = kong;
    other[request::kChair] = other[request::kOffering] = 1;
    EXPECT_FALSE(t.RequestConcealedKong(other));
    ASSERT_TRUE(t.RequestConcealedKong(kong));
    ASSERT_EQ(t.Melds(0, kConcealedKongs).size(), 1u);
    EXPECT_EQ(t.Melds(0, kConcealedKongs)[0].tiles,
              (std::array<TileId, 4>{IdOf(1, 0), IdOf(1, 1), IdOf(1, 3), IdOf(1, 2)}));
    // Four tiles left, the replacement from the tail came in: 17 - 4 + 1.
    EXPECT_EQ(t.HeldCount(0), 14);
    EXPECT_EQ(t.SeatCounts(0)[1], 0);
    EXPECT_EQ(t.LastDrawn(0), IdOf(18, 0));
    EXPECT_TRUE(t.Discards(0).empty());
    EXPECT_EQ(t.ClaimCount(0, 0), 0);
    // The tail rule passed over the indicator, which left with the drawer.
    EXPECT_EQ(t.TakenStateOf(t.JokerTile()), kTakenDiscarded);
    EXPECT_EQ(t.TakerOf(t.JokerTile()), 0);
}

// Seat 1 pungs the dealer's 1p and later draws the fourth; seat 2 waits on
// 1p or 4p. Honours drawn between are discarded at once.
std::unique_ptr<TestTable> AddedKongToRob() {
    Scene s;
    s.hands[0] = "1p13579m2468m4568p137s";
    s.hands[1] = "1p1p369m369m147s147s88s";
    s.hands[2] = "123456789m55s23p789s";
    s.hands[3] = "147m258m57p77p2356s99s";
    s.front = "1z2z3z1p";
    auto tt = DealScene(s);
    if (!tt) return nullptr;
    CRuleTable& t = *tt->table;
    const TileId discard = IdOf(21, 0);
    t.RequestDiscard(DiscardOf(0, discard));
    t.RequestPass(Claim(2, 0, discard));
    t.RequestClaim(Claim(1, 0, discard, {IdOf(21, 1), IdOf(21, 2)}), kClaimFlagPung);
    t.CloseClaims();
    t.RequestDiscard(DiscardOf(1, IdOf(18, 0)));
    for (int32_t seat : {0, 3, 2}) {
        t.CloseClaims();
        t.RequestDiscard(DiscardOf(seat, t.LastDrawn(seat)));
    }
    if (t.CloseClaims().tile != IdOf(21, 3)) return nullptr;
    return tt;
}

TEST(RuleTableTest, AnAddedKongMayBeRobbed) {
    for (bool rob : {true, false}) {
        auto tt = AddedKongToRob();
        ASSERT_TRUE(tt);
        CRuleTable& t = *tt->table;
        const TileId fourth = IdOf(21, 3);
        const Words kong = Claim(1, 1, fourth, {IdOf(21, 1), IdOf(21, 2), IdOf(21, 0)});
        ASSERT_TRUE(t.RequestAddedKong(kong));
        EXPECT_TRUE(t.Melds(1, kPungs).empty());
        ASSERT_EQ(t.Melds(1, kAddedKongs).size(), 1u);
        EXPECT_EQ(t.Melds(1, kAddedKongs)[0].tiles[3], fourth);
        EXPECT_TRUE(t.State() & kStateAddedKongWindow);
        EXPECT_EQ(t.ClaimFlags(2), kClaimFlagHu);
        EXPECT_FALSE(t.RequestDiscard(DiscardOf(1, t.FirstHeld(1))));
        if (rob) {
            ASSERT_TRUE(t.RequestHu(HuOf(2, 1, fourth, kHuRobbingKong)));
            EXPECT_EQ(t.CloseClaims().kind, ClaimOutcome::kHandOver);
            EXPECT_EQ(Scores(t.LastGameEnd()), (std::array<int32_t, 4>{0, -30, 30, 0}));
            EXPECT_EQ(t.SeatHuResult(2).shapes & 0x4, 0x4);
            // The kong is no kong: the pung stands, the robbed tile lies
            // before the konger, and the kong counts for nothing.
            EXPECT_TRUE(t.Melds(1, kAddedKongs).empty());
            ASSERT_EQ(t.Melds(1, kPungs).size(), 1u);
            EXPECT_EQ(t.Melds(1, kPungs)[0].tiles,
                      (std::array<TileId, 4>{IdOf(21, 1), IdOf(21, 2), IdOf(21, 0), -1}));
            EXPECT_EQ(t.Melds(1, kPungs)[0].giver, 0);
            EXPECT_EQ(t.Discards(1).back(), fourth);
            EXPECT_EQ(Misplaced(t), "");
            EXPECT_EQ(t.LastGameEnd().Get(game_end::kAddedKongs + 1), 0);
            EXPECT_EQ(t.FlowerValue(1), 0);
            EXPECT_EQ(t.LastGameEnd().Get(game_end::kWinningTile), fourth);
        } else {
            ASSERT_TRUE(t.RequestPass(Claim(2, 1, fourth)));
            ClaimOutcome out = t.CloseClaims();
            EXPECT_EQ(out.kind, ClaimOutcome::kMeld);
            EXPECT_EQ(out.seat, 1);
            EXPECT_EQ(t.LastDrawn(1), out.tile);
            EXPECT_TRUE(t.State() & kStateOwnAction);
            EXPECT_EQ(t.HeldCount(1), 14);
        }
    }
}

// Every record a seat can get, encoded.
std::vector<std::vector<uint8_t>> Records(CRuleTable& t) {
    std::vector<std::vector<uint8_t>> out;
    for (int32_t viewer = -1; viewer < 4; ++viewer) {
        TableRecord r;
        t.FillStateRecord(r, viewer, 0);
        out.push_back(r.Encode());
        t.FillSeatRecord(r, viewer, 0);
        out.push_back(r.Encode());
        t.FillTableInfo(r, viewer, 0);
        out.push_back(r.Encode());
    }
    return out;
}

TEST(RuleTableTest, RequestsThatDoNotStandChangeNothing) {
    auto tt = DealScene(WinOnSeven());
    ASSERT_TRUE(tt);
    CRuleTable& t = *tt->table;
    const TileId seven = IdOf(17, 0), held1 = IdOf(3, 2);
    const std::vector<TileId> badTiles = {-1, 144, 151, 152, 1000, INT32_MIN};
    std::vector<Words> discards = {DiscardOf(1, held1), DiscardOf(-1, seven), DiscardOf(4, seven),
                                   DiscardOf(0, held1)};
    for (TileId b : badTiles)
        discards.push_back(DiscardOf(0, b));
    Words two = DiscardOf(0, seven);
    two[request::kDiscardCount] = 2;
    two[request::kDiscardTiles + 1] = IdOf(1, 1);
    discards.push_back(two);
    auto before = Records(t);
    for (const Words& w : discards) {
        EXPECT_FALSE(t.RequestDiscard(w));
        EXPECT_FALSE(t.RequestHu(HuOf(w[3], 0, w[26], kHuSelfDrawn)));
        EXPECT_FALSE(t.RequestClaim(Claim(w[3], 0, w[26]), kClaimFlagPung));
        EXPECT_FALSE(t.RequestPass(w));
        TileId r;
        EXPECT_FALSE(t.RequestFlower(w, &r));
    }
    EXPECT_EQ(Records(t), before);

    ASSERT_TRUE(t.RequestDiscard(DiscardOf(0, seven)));
    before = Records(t);
    const std::vector<Words> claims = {
        HuOf(2, 0, IdOf(1, 1), kHuOnDiscard),  // a tile the window does not hold
        HuOf(2, 1, seven, kHuOnDiscard),       // from a seat that did not discard
        HuOf(2, 0, seven, 3),                  // no such kind
        HuOf(2, 0, seven, kHuSelfDrawn),       // not seat 2's turn
        HuOf(1, 0, seven, kHuOnDiscard),       // no hu for seat 1
        HuOf(7, 0, seven, kHuOnDiscard),
        HuOf(-3, 0, seven, kHuOnDiscard)};
    for (const Words& w : claims)
        EXPECT_FALSE(t.RequestHu(w));
    for (int32_t kind : {kClaimFlagPung, kClaimFlagChow, kClaimFlagKong, 0, -1})
        EXPECT_FALSE(t.RequestClaim(Claim(3, 0, seven, {IdOf(15, 1), IdOf(16, 1)}), kind));
    EXPECT_FALSE(t.RequestDiscard(DiscardOf(0, IdOf(1, 1))));
    EXPECT_FALSE(t.RequestConcealedKong(Claim(0, 0, IdOf(1, 1), {IdOf(1, 1), IdOf(1, 1)})));
    EXPECT_EQ(Records(t), before);
}

TEST(RuleTableTest, AViewerSeesNoOtherHandAndNoWallOrder) {
    // Deals that differ only in the wall's hidden order, or in hands only
    // their owners see, look alike to everybody else.
    Scene c = WinOnSeven();
    c.front = "9s8s";
    Scene d = WinOnSeven();
    d.front = "8s9s";
    auto tc = DealScene(c), td = DealScene(d);
    ASSERT_TRUE(tc && td);
    for (int32_t viewer = 0; viewer < 4; ++viewer) {
        TableRecord rc, rd;
        tc->table->FillStateRecord(rc, viewer, 0);
        td->table->FillStateRecord(rd, viewer, 0);
        EXPECT_EQ(rc, rd) << viewer;
        tc->table->FillSeatRecord(rc, viewer, 0);
        td->table->FillSeatRecord(rd, viewer, 0);
        EXPECT_EQ(rc, rd) << viewer;
    }
    Scene e = WinOnSeven(), f = WinOnSeven();
    e.hands[1] = "369m369m147p147p234s4s";
    f.hands[1] = "369m369m147p147p234s5s";
    f.hands[2] = "123456789m123446s7s";
    auto te = DealScene(e), tf = DealScene(f);
    ASSERT_TRUE(te && tf);
    TableRecord re, rf;
    te->table->FillStateRecord(re, 0, 0);
    tf->table->FillStateRecord(rf, 0, 0);
    EXPECT_EQ(re, rf);
    te->table->FillStateRecord(re, 1, 0);
    tf->table->FillStateRecord(rf, 1, 0);
    EXPECT_NE(re, rf);

    // Another seat's concealed kong shows that it exists, not its tiles.
    Scene k = WinOnSeven();
    k.hands[0] = "1111m235789m1357p246p";
    k.hands[2] = "23456789m123456s7s5m";
    k.hands[3] = "47m9s258m258p36p1p1234s";
    auto tk = DealScene(k);
    ASSERT_TRUE(tk);
    ASSERT_TRUE(tk->table->RequestConcealedKong(
        Claim(0, 0, IdOf(1, 2), {IdOf(1, 0), IdOf(1, 1), IdOf(1, 3)})));
    using namespace state_record;
    const size_t kong = kMeldTables + kConcealedKongTable * kMeldTableWords;
    for (int32_t viewer : {0, 1}) {
        TableRecord r;
        tk->table->FillStateRecord(r, viewer, 0);
        EXPECT_EQ(r.Get(kong + kMeldCounts), 1);
        EXPECT_EQ(r.Get(kong + 3), viewer == 0 ? IdOf(1, 2) : -1);
        EXPECT_EQ(r.Get(kong + 4), 0);
        EXPECT_EQ(r.Get(kTileTotals), 14);
        EXPECT_EQ(r.Get(kHeld), tk->table->FirstHeld(viewer));
        EXPECT_EQ(r.Get(kSpecialPos), kSceneSpecial);
        EXPECT_EQ(r.Get(kWallStart), kSceneStart);
        EXPECT_EQ(r.Get(kTailCounter), 2);
    }
}

// The hands of a rule table's hu: five melds and a pair, less the tiles of
// shown melds (a multiple of three), and never two kinds held four times (a
// hand of two kongs and no pair wins no hand of this table).
bool TableShaped(const TileCountArray& counts, int32_t jokers) {
    int32_t tiles = jokers, fours = 0;
    for (int32_t c : counts) {
        tiles += c;
        fours += c == 4;
    }
    return tiles % 3 == 2 && fours < 2;
}

TEST(RuleTableTest, TheCappedSearchAndTryHuWithJokersAcceptTheSameHands) {
    auto tt = DealScene(WinOnSeven());
    ASSERT_TRUE(tt);
    CRuleTable& t = *tt->table;
    const TileId joker = t.JokerTile();  // 9p
    const RuleOptions o = t.Options();
    // allowed 0: only the decomposition, which is all the table searches.
    auto tryHu = [&](const TileCountArray& counts, TileId tile) {
        HuResult r;
        return TryHuWithJokers(counts, tile, joker, -1, o, 0, r, 0) == 8;
    };
    auto checkHu = [&](const TileCountArray& counts, TileId tile) {
        HuResult r;
        return t.CheckHu(1, counts, tile, kHuSelfDrawn, r) > 0;
    };
    // The joker as the 7 of 7-8-9, with 9m to win on.
    TileCountArray edge{};
    for (TileIndex k : {1, 2, 3, 4, 5, 6, 9, 21, 22, 23, 24, 25, 26, 18, 19, 29})
        ++edge[size_t(k)];
    EXPECT_TRUE(tryHu(edge, IdOf(9, 1)));
    EXPECT_TRUE(checkHu(edge, IdOf(9, 1)));

    std::mt19937 rng(77);
    int accepted[2] = {0, 0};
    for (int i = 0; i < 6000; ++i) {
        // Winners by construction (five melds and a pair) and random suited
        // hands, with up to four jokers (the table's 9p).
        const bool built = i % 2 == 0;
        const int jokers = int(rng() % 5);
        BuiltHand h;
        if (built) {
            h = ConstructedHand(rng, 5, true, jokers, false);
        } else {
            h.counts = RandomCounts(rng, 17 - jokers, false);
            h.jokers = jokers;
        }
        TileCountArray counts = h.counts;
        if (counts[29] + h.jokers > 4 || !TableShaped(counts, h.jokers)) continue;
        counts[29] += h.jokers;
        std::vector<TileIndex> kinds;
        for (int k = 1; k < 30; ++k) {
            if (counts[size_t(k)] > 0) kinds.push_back(k);
        }
        const TileIndex win = kinds[rng() % kinds.size()];
        --counts[size_t(win)];
        const TileId tile = IdOf(win, 0);
        const bool tried = tryHu(counts, tile), checked = checkHu(counts, tile);
        EXPECT_EQ(tried, checked) << i;
        accepted[built] += checked;
    }
    EXPECT_GT(accepted[1], 1000);
    EXPECT_GT(accepted[0], 10);

    // The step limit: a search that has used its steps fails at once.
    JokerSearch s;
    s.steps = kSearchStepLimit + 1;
    EXPECT_EQ(t.DecomposeWithJokers(s, 0), 0);
}

TEST(RuleTableTest, CounterValuesDoubleAndSaturate) {
    auto tt = DealScene(WinOnSeven());
    ASSERT_TRUE(tt);
    CRuleTable& t = *tt->table;
    struct Case {
        std::vector<int32_t> counters;
        int32_t value;
    } cases[] = {{{30, 2}, 16},
                 {{-2}, 0},
                 {{10, -1}, 10},
                 {{3, -2, 30}, 21},
                 {{1, -31}, 1 << 30},
                 {{1, -200}, 1 << 30},
                 {{1, -31, -31}, 1 << 30},
                 {{INT32_MAX, INT32_MAX}, 1 << 30}};
    for (const Case& c : cases)
        EXPECT_EQ(t.CounterValue(c.counters), c.value);
}

TEST(RuleTableTest, OnlyFourSeatTablesAreBuiltAndBuildingOnlyInstallsTheHooks) {
    ResetTileHooks();
    TableConfig three;
    three.seatCount = 3;
    EXPECT_FALSE(CRuleTable::Create(three));
    EXPECT_EQ(InstalledHonourHooks(), HonourHookSet::kFlowersOnly);
    TableConfig wide;
    wide.tileCount = 153;
    EXPECT_FALSE(CRuleTable::Create(wide));
    EXPECT_TRUE(CRuleTable::Create());
    EXPECT_EQ(InstalledHonourHooks(), HonourHookSet::kHonoursAndFlowers);
    int32_t a = 3, b = 3, sa = 0, sb = 0;
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(CRuleTable::NextTailDrawPos(10, 9, 144, &a, &sa),
                  NextWallTailPos(10, 9, 144, &b, &sb));
}

TEST(RuleTableTest, EqualSeedsAndRequestsGiveEqualRecords) {
    TestTable one(42), two(42);
    TableDriver a(one, 9), b(two, 9);
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(round ? one.Next() : one.Start());
        ASSERT_TRUE(round ? two.Next() : two.Start());
        do {
            ASSERT_EQ(Records(*one.table), Records(*two.table));
        } while (a.Step() && b.Step());
        EXPECT_EQ(one.table->LastGameEnd(), two.table->LastGameEnd());
        EXPECT_EQ(one.table->GameId(), two.table->GameId());
    }
}

}  // namespace
}  // namespace rules
