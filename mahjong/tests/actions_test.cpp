// The own player's actions against a scripted server: claims that wait and
// are completed when the claims close, the three kongs, chow, win, the own
// turn's moves and what the turn clock does by itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <filesystem>

#include "engine/entity.h"
#include "mahjong/scene/asset_names.h"
#include "mahjong/tests/client_fixture.h"

namespace mahjong {
namespace {

using testing::ClientFixture;
using testing::Reply;
using testing::T;
using testing::Words;
using Tiles = std::vector<int32_t>;

constexpr int32_t kTurnTime = 15, kClaimTime = 8, kWatch = 3;

gameserver::Bytes Reply8(int32_t chair, int32_t tile, int32_t wall) {
    return Words(8).Set(0, chair).Set(1, tile).Set(2, wall).Bytes();
}

class ActionTest : public ClientFixture {
  protected:
    void SetUp() override { Seat(0); }

    // A round whose turn is `turn`'s; the own chair 0 holds `own`, filled up
    // with tiles of suit 2, ranks 6-9, to 16 (17 on turn). The deal's display
    // has ended.
    void Deal(int32_t turn, Tiles own) {
        for (int32_t t = T(2, 6, 0); own.size() < (turn == 0 ? 17u : 16u); ++t)
            if (t % 9 >= 5 && std::find(own.begin(), own.end(), t) == own.end()) own.push_back(t);
        Words w = testing::RoundStart(turn, own);
        w.Set(snap::kJokersInRow, 1).Set(snap::kSubstituteAsTile, 1).Set(snap::kJokerA, -1);
        w.Set(snap::kJokerB, -1);
        ASSERT_TRUE(ClientFixture::Deal(w));
    }
    void Discard(int32_t chair, int32_t tile, int32_t ownFlags = 0) {
        ASSERT_TRUE(Notify(221170, Words(22).Set(1, chair).Set(21, tile).Set(6, ownFlags)));
    }
    const MJStruct& H(int i) { return *Scene().GetMJStruct(kAreaHand, 3, i); }
    int32_t At(int32_t tile) { return Scene().FindHandTile(3, tile); }
    // The own tiles laid open, by meld mark.
    Tiles Laid(int32_t mark) {
        Tiles out;
        for (int i = 0; i < 22; ++i)
            if (H(i).present && !H(i).standing && H(i).meldMark == mark) out.push_back(H(i).nFace);
        std::sort(out.begin(), out.end());
        return out;
    }
};

TEST_F(ActionTest, APungThatWaitsIsCarriedOutWhenTheClaimsCloseAndMarksItsKind) {
    Deal(1, {T(0, 5, 0), T(0, 5, 1), T(0, 5, 3)});
    Discard(1, T(0, 5, 2), 0x1 | 0x20);
    EXPECT_TRUE(Scene().IsButtonEnabled(kPengButton));
    server_.SetReply(229025, Reply::With(kReplyWait));
    Scene().OnPeng();
    ASSERT_TRUE(Next(229010));
    ASSERT_TRUE(Next(229025));
    EXPECT_EQ(Scene().GetPending(), 1);
    EXPECT_EQ(Scene().GetPhase(), CMJTableSceneBase::kPhasePeng);

    // The claims close: the pung is sent again and taken this time.
    server_.SetReply(229025, Reply::With(kReplyOk));
    ASSERT_TRUE(Notify(229165, Words(0)));
    const auto sent = SentWords(229025);
    EXPECT_EQ(Laid(1), (Tiles{sent[6], sent[7], T(0, 5, 2)}));
    EXPECT_EQ(Scene().GetPending() + Scene().TC_GetPointTo() + Scene().IsShownTilePending(0), 6);
    EXPECT_EQ(Scene().GetTurnSeconds(), kTurnTime);

    // The time runs out: the tile discarded is not of the kind just taken.
    Scene().SetTurnSeconds(1);
    Scene().OnTimer(Scene().ClockTimerId());
    const auto discard = SentWords(221080);
    const int32_t tile = discard[discard::kTiles];
    EXPECT_NE(TileSuit(tile) * 10 + TileRank(tile), 5) << tile;
}

TEST_F(ActionTest, KongsOnADiscardFromTheHandAndAddedToAPung) {
    // Exposed: three in the hand, the fourth discarded.
    Deal(1, {T(1, 3, 0), T(1, 3, 1), T(1, 3, 2), T(1, 6, 0), T(1, 6, 1), T(1, 6, 3), T(1, 4, 0),
             T(1, 4, 1), T(1, 4, 2), T(1, 4, 3)});
    ASSERT_TRUE(Scene().GetMJStruct(kAreaWall, 0, 140)->present);
    Discard(1, T(1, 3, 3), 0x2 | 0x20);
    server_.SetReply(229045, Reply::With(kReplyOk, Reply8(0, T(0, 7, 0), 140)));
    Scene().OnKong();
    ASSERT_TRUE(Next(229015));
    ASSERT_TRUE(Next(229045));
    EXPECT_EQ(Laid(2), (Tiles{T(1, 3, 0), T(1, 3, 1), T(1, 3, 2), T(1, 3, 3)}));
    EXPECT_EQ(H(0).nFace, T(0, 7, 0));
    EXPECT_TRUE(H(0).present);
    EXPECT_FALSE(Scene().GetMJStruct(kAreaWall, 0, 140)->present);
    EXPECT_EQ(Scene().TC_GetPointTo(), 6);

    // Concealed, chosen from the kong button's choice; a refusal leaves the
    // choice, a success adds three seconds.
    Scene().OnKong();
    EXPECT_EQ(Scene().GetHandMode(), 2);
    server_.SetReply(229047, Reply::With(1010));
    Scene().SelectHandTile(At(T(1, 4, 2)), 1);
    EXPECT_EQ(Scene().GetHandMode(), 0);
    EXPECT_EQ(Scene().GetPhase(), 0);
    server_.SetReply(229047, Reply::With(kReplyOk, Reply8(0, T(0, 7, 1), 141)));
    const int32_t seconds = Scene().GetTurnSeconds();
    Scene().OnKong();
    Scene().SelectHandTile(At(T(1, 4, 2)), 1);
    Next(229047);
    const auto words = SentWords(229047);
    EXPECT_EQ(words[5], T(1, 4, 2));
    EXPECT_EQ((Tiles{words[6], words[7], words[8]}), (Tiles{T(1, 4, 0), T(1, 4, 1), T(1, 4, 3)}));
    EXPECT_EQ(Laid(2).size(), 8u);
    EXPECT_EQ(Scene().GetTurnSeconds(), seconds + 3);
    EXPECT_EQ(H(0).nFace, T(0, 7, 1));

    // Added to a pung: announced (229015 kind 2), then kept waiting while
    // others may rob it; when the claims close only 229049 goes again.
    Scene().LayPung(3, MeldWords{0, 2, T(1, 6, 2), T(1, 6, 0), T(1, 6, 1)});
    Scene().CheckOwnKong();
    ASSERT_TRUE(Scene().IsButtonEnabled(kKongButton));
    server_.SetReply(229049, Reply::With(kReplyWait));
    Scene().OnKong();
    Scene().SelectHandTile(At(T(1, 6, 3)), 1);
    const auto announced = SentWords(229015);
    EXPECT_EQ(announced[9], 2);
    ASSERT_TRUE(Next(229049));
    EXPECT_EQ(Scene().GetPending(), 1);
    EXPECT_EQ(Scene().GetTurnSeconds(), kClaimTime);
    server_.SetReply(229049, Reply::With(kReplyOk, Reply8(0, T(0, 7, 2), 142)));
    ASSERT_TRUE(Notify(229165, Words(0)));
    ASSERT_TRUE(Next(229049));
    EXPECT_FALSE(SentBeforeMarker(229015));
    EXPECT_EQ(Laid(2).size(), 12u);
    EXPECT_EQ(Scene().GetPending(), 0);
    EXPECT_EQ(H(0).nFace, T(0, 7, 2));
}

TEST_F(ActionTest, ChowOfTheNextDiscardAndWinsThatWait) {
    Deal(1, {T(2, 2, 0), T(2, 3, 0)});
    Discard(1, T(2, 1, 0), 0x4 | 0x20);
    EXPECT_EQ(Scene().TC_GetPointTo(), 6) << "the turn passed to the own seat";
    Scene().OnChi();
    ASSERT_TRUE(Next(229020));
    const auto chow = SentWords(229030);
    EXPECT_EQ(chow[5], T(2, 1, 0));
    EXPECT_EQ(Laid(3), (Tiles{T(2, 1, 0), T(2, 2, 0), T(2, 3, 0)}));
    EXPECT_EQ(Scene().GetPhase(), 0);
    EXPECT_FALSE(Scene().IsShownTilePending(0));

    // A win on a discard the server keeps waiting, taken when the claims close.
    Deal(1, {});
    Discard(1, T(2, 5, 0), 0x8 | 0x20);
    server_.SetReply(229080, Reply::With(kReplyWait));
    Scene().OnHu();
    const auto hu = SentWords(229080);
    EXPECT_EQ(hu[6], 1);
    EXPECT_EQ(Scene().GetPhase(), CMJTableSceneBase::kPhaseHu);
    ASSERT_TRUE(Notify(229165, Words(0)));
    ASSERT_TRUE(Next(229080));
    EXPECT_EQ(Scene().GetPending(), 0);

    // On the own turn the hand's analysis offers the win on the drawn tile.
    Scene().SetHuOffer(0x8);
    Scene().GetMJStruct(kAreaHand, 3, 0)->present = 1;
    Scene().OnHu();
    const auto self = SentWords(229080);
    EXPECT_EQ(self[6], 2);
}

TEST_F(ActionTest, DiscardPlaysOnlyWhatTheServerTookAndReachesTheRiverOnce) {
    Deal(0, {T(0, 1, 0)});
    // Refused: the hand stays, and the table is asked for again.
    server_.SetReply(221080, Reply::With(kReplyDiscardRefused));
    server_.SetReply(201140, Reply::With(kReplyOk, gameserver::Bytes(Logic().TableData().begin(),
                                                                     Logic().TableData().end())));
    EXPECT_EQ(Scene().DiscardTile(At(T(0, 1, 0))), 0);
    ASSERT_TRUE(Next(201140));
    EXPECT_GE(At(T(0, 1, 0)), 0);
    EXPECT_FALSE(Scene().IsShownTilePending(3));

    server_.SetReply(221080, Reply::With(kReplyOk));
    EXPECT_EQ(Scene().DiscardTile(At(T(0, 1, 0))), 1);
    EXPECT_LT(At(T(0, 1, 0)), 0);
    EXPECT_FALSE(Scene().HasDrawnTile(3));
    EXPECT_TRUE(Scene().IsShownTilePending(3));
    EXPECT_EQ(Scene().TC_GetPointTo(), 4);
    // The server's notice of the own discard changes nothing; the next
    // draw puts the tile into the river, once.
    Discard(0, T(0, 1, 0));
    EXPECT_EQ(Scene().GetMJStruct(kAreaRiver, 3, 0)->present, 0);
    ASSERT_TRUE(Notify(229160, Words(3).Set(0, 3).Set(1, 200).Set(2, 75)));
    EXPECT_EQ(Scene().GetMJStruct(kAreaRiver, 3, 0)->nFace, T(0, 1, 0));
    EXPECT_EQ(Scene().GetMJStruct(kAreaRiver, 3, 1)->present, 0);
}

TEST_F(ActionTest, DrawAfterTheClaimsCloseAndTheClockPlaysThreeTurns) {
    Deal(1, {});
    // Refused: nothing is drawn.
    Discard(1, T(0, 4, 3));
    server_.SetReply(229000, Reply::With(kReplyRefused));
    ASSERT_TRUE(Notify(229165, Words(0)));
    EXPECT_FALSE(Scene().HasDrawnTile(3));
    const int32_t draws[3] = {T(0, 2, 0), T(0, 3, 0), 140};
    for (int i = 0; i < 3; ++i) {
        Discard(1, T(0, 4, i));
        server_.SetReply(229000, Reply::With(kReplyOk, Reply8(0, draws[i], 80 + i)));
        ASSERT_TRUE(Notify(229165, Words(0)));
        ASSERT_EQ(H(0).nFace, draws[i]);
        EXPECT_FALSE(Scene().GetMJStruct(kAreaWall, 0, 80 + i)->present);
        EXPECT_EQ(Scene().GetMJStruct(kAreaRiver, 0, i)->nFace, T(0, 4, i));
        // The own time runs out: the drawn tile goes, a flower is replaced.
        server_.SetReply(229060, Reply::With(kReplyRefused));
        Run(kTurnTime * 1000 + 100);
        ASSERT_TRUE(Next(i == 2 ? 229060 : 221080)) << i;
        if (i < 2) Discard(0, draws[i]);
    }
    EXPECT_EQ(Scene().GetAutoPlayWord(), 3);
    EXPECT_TRUE(Scene().GetEntity(Scene().AutoPlaySign())->IsVisible());
}

TEST_F(ActionTest, FlowersAreReplacedOneByOneUntilNoneIsLeft) {
    // The deal leaves two flowers in the own hand: one goes every half second.
    server_.SetReply(229060,
                     Reply::With(kReplyOk, Words(8).Set(5, T(0, 8, 0)).Set(6, 100).Bytes()));
    Deal(0, {137, 136});
    Run(500);
    const int32_t first = SentWords(229060)[4];
    Run(500);
    EXPECT_EQ((Tiles{first, SentWords(229060)[4]}), (Tiles{137, 136}));
    EXPECT_EQ(Scene().CountFlowers(3), 2);
    EXPECT_FALSE(Scene().GetMJStruct(kAreaWall, 0, 100)->present);
    Run(1000);
    EXPECT_FALSE(SentBeforeMarker(229060)) << "none is left";
    // A refusal stops the timer instead of asking again every half second.
    server_.SetReply(229060, Reply::With(kReplyRefused));
    Deal(0, {137, 136});
    Run(500);
    ASSERT_TRUE(Next(229060));
    Run(1000);
    EXPECT_FALSE(SentBeforeMarker(229060));
    // The round's end stops it too: here every replacement is a flower again.
    server_.SetReply(229060, Reply::With(kReplyOk, Words(8).Set(5, 138).Set(6, 101).Bytes()));
    Deal(0, {137, 136});
    Run(500);
    ASSERT_TRUE(Next(229060));
    Drain();
    ASSERT_TRUE(Notify(211080, Words(snap::kResultWords + 43).Set(snap::kResultWinner, -1)));
    Run(1000);
    EXPECT_FALSE(SentBeforeMarker(229060));
}

TEST_F(ActionTest, AClaimOfTheDiscardBeforeTheOwnTurnTakesTheTurn) {
    // The chair before the own one discards and another chair's pung or kong
    // of it is announced: when the claims are over the turn is the
    // claimer's, and the own chair does not ask to draw.
    const std::pair<uint32_t, Words> claims[] = {
        {229170, Words(8).Set(3, 2).Set(4, 1)},
        {229180, Words(8).Set(0, 3).Set(1, 1).Set(3, 1)},
    };
    for (const auto& [id, claim] : claims) {
        Deal(1, {});
        Discard(1, T(0, 4, 0));
        ASSERT_TRUE(Notify(id, claim));
        ASSERT_TRUE(Notify(229165, Words(0)));
        EXPECT_FALSE(SentBeforeMarker(229000)) << id;
    }
    // With nobody claiming, it draws.
    Deal(1, {});
    Discard(1, T(0, 4, 0));
    server_.SetReply(229000, Reply::With(kReplyOk, Reply8(0, T(0, 2, 0), 80)));
    ASSERT_TRUE(Notify(229165, Words(0)));
    EXPECT_TRUE(Next(229000));
}

TEST_F(ActionTest, TheChairBeforeTheOwnIsWatched) {
    Deal(2, {});
    Discard(2, T(0, 6, 0));  // view seat 1 discards: view seat 0 moves next
    ASSERT_TRUE(Notify(229165, Words(0)));
    EXPECT_EQ(Scene().TurnTimer(10), kTimerWatchDraw);
    // When it has not drawn in its watch time, the own client draws for it.
    Run((kWatch + 2) * 1000 - 100);
    EXPECT_FALSE(SentBeforeMarker(229000));
    Run(200);
    const auto draw = SentWords(229000);
    EXPECT_EQ(draw[0], 102) << "the user of the chair moved for";
    EXPECT_EQ(draw[3], 1);
    Run((kWatch + 2) * 1000);
    EXPECT_FALSE(SentBeforeMarker(229000)) << "once";
    // It drew: the watch ends, and when its turn's time is over its
    // discard is watched.
    ASSERT_TRUE(Notify(229160, Words(3).Set(0, 1).Set(1, 200).Set(2, 75)));
    EXPECT_EQ(Scene().TurnTimer(10), 0u);
    Run(kTurnTime * 1000 + 100);
    EXPECT_EQ(Scene().TurnTimer(11), kTimerWatchDiscard);
    Run((kWatch + 2) * 1000);
    const auto discard = SentWords(221080);
    EXPECT_EQ(discard[discard::kTimeOut], 1);
}

class LookerActionTest : public ClientFixture {
  protected:
    void SetUp() override { Seat(0, true); }
};

TEST_F(LookerActionTest, ALookersCommandsSendNothing) {
    CTableScene& s = Scene();
    s.Option(kPengButton).enabled = s.Option(kHuButton).enabled = 1;
    s.OnPeng(), s.OnKong(), s.OnChi(), s.OnHu(), s.OnPass(), s.OnHandTileClicked(1);
    s.OnOwnTurn();
    EXPECT_FALSE(SentBeforeMarker(229010));
    EXPECT_TRUE(lines_.empty() || lines_.back() != "resync");
}

// ---- The discard flight on the engine ----

TEST_F(ActionTest, AClickedTileFliesToTheShownPlaceAndLandsThereOnce) {
    Deal(0, {T(0, 1, 0)});
    CTableScene& s = Scene();
    const engine::Entity* from = s.GetEntity(s.Binding(H(At(T(0, 1, 0))).nObject).entity);
    ASSERT_NE(from, nullptr);
    const platform::POINT start{from->GetX(), from->GetY()};
    Click(start.x, start.y + 5);
    ASSERT_TRUE(Next(221080));
    const engine::Entity* flying = s.GetEntity(s.SpareTileEntity());
    EXPECT_TRUE(flying->IsVisible());
    EXPECT_EQ(flying->GetX(), start.x);
    EXPECT_EQ(flying->GetY(), start.y);
    RECT shown{};
    s.GetShownTileRect(3, &shown);
    int32_t lastDistance = INT32_MAX / 2;
    for (int32_t t = 0; t < 3000 && flying->IsVisible(); t += 10) {
        EXPECT_EQ(s.GetMJStruct(kAreaShown, 3, 0)->nObject, 0) << "shown on arrival";
        Run(10);
        const int32_t d = std::abs(flying->GetX() - (shown.left + shown.right) / 2) +
                          std::abs(flying->GetY() - (shown.top + shown.bottom) / 2);
        EXPECT_LE(d, lastDistance + 1) << "it flies towards the shown place";
        lastDistance = std::min(lastDistance, d);
    }
    EXPECT_FALSE(flying->IsVisible());
    EXPECT_LE(lastDistance, 2);
    const engine::Entity* landed =
        s.GetEntity(s.Binding(s.GetMJStruct(kAreaShown, 3, 0)->nObject).entity);
    ASSERT_NE(landed, nullptr);
    EXPECT_TRUE(landed->IsVisible());
    EXPECT_EQ(landed->GetLeft(), shown.left);
    EXPECT_EQ(landed->GetTop(), shown.top);
}

}  // namespace
}  // namespace mahjong
