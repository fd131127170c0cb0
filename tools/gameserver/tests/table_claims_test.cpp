// Four clients that the test scripts play a dealt scene through the table's
// requests, byte for byte: a pung that waits for a win offered to another
// chair, draws, an added kong that may be robbed (robbed and not), and the
// claim window and the turns that run out on the test's clock.

#include "rules/table/tests/table_scene.h"
#include "tools/gameserver/tests/table_fixture.h"

namespace gameserver {
namespace {

using namespace table;
using rules::TileId;
using rules::testing::IdOf;

const TileId kOnePin = IdOf(21, 0), kFourth = IdOf(21, 3);
const Words kPungTiles = {IdOf(21, 1), IdOf(21, 2), -1};

// Chair 1 pungs the dealer's 1p and later draws the fourth; chair 2 waits on
// 1p or 4p. Dice 3 and 4, chair 0 deals.
TableOptions KongScene(int32_t claimSeconds) {
    rules::testing::Scene s;
    s.hands[0] = "1p13579m2468m4568p137s";
    s.hands[1] = "1p1p369m369m147s147s88s";
    s.hands[2] = "123456789m55s23p789s";
    s.hands[3] = "147m258m57p77p2356s99s";
    s.front = "1z2z3z1p";
    TableOptions options;
    options.random = rules::testing::SceneDice();
    options.deal = rules::testing::SceneOrder(s);
    options.rules.operationSeconds = claimSeconds;
    return options;
}

class Scripted : public ScriptedTable {
  public:
    explicit Scripted(int32_t claimSeconds = 10) : ScriptedTable(KongScene(claimSeconds)) {
        for (int32_t c = 0; c < 4; ++c) {
            p[size_t(c)] = table().Connect();
            EXPECT_EQ(Enter(p[size_t(c)], 100 + c, c).code, kEntered);
            Do(c, kStart, Head(100 + c, c, 32));
        }
        for (int32_t c = 0; c < 4; ++c)
            EXPECT_EQ(IdsOf(c).back(), kRoundStart);
    }
    // A request of chair c.
    Got Do(int32_t c, uint32_t id, const Words& w) {
        return ScriptedTable::Send(p[size_t(c)], id, w);
    }
    std::vector<Got> Notes(int32_t c) { return Take(p[size_t(c)]); }
    std::vector<uint32_t> IdsOf(int32_t c) { return Ids(p[size_t(c)]); }

    Words Claim(int32_t c, size_t bytes, int32_t giver, TileId tile, Words own = {}) const {
        Words w = Head(100 + c, c, bytes);
        w[kGiver] = giver;
        w[kTile] = tile;
        std::copy(own.begin(), own.end(), w.begin() + kOwn);
        return w;
    }
    // Discards; the chairs offered the tile pass; nobody takes it.
    void DiscardAndPass(int32_t c, TileId tile) {
        ASSERT_EQ(Do(c, kDiscard, DiscardOf(100 + c, c, tile)).code, kOk);
        for (int32_t s = 0; s < 4; ++s)
            for (const Got& g : Notes(s))
                if (g.code == kDiscarded && g.words[kNoteFlags + size_t(s)])
                    Do(s, kPass, Claim(s, 40, c, tile));
        for (int32_t s = 0; s < 4; ++s)
            Notes(s);
        EXPECT_FALSE(table().model().State() & rules::kStateClaimsOpen);
    }
    TileId Draw(int32_t c) {
        Got drawn = Do(c, kDraw, Head(100 + c, c, kDrawBytes));
        EXPECT_EQ(drawn.code, kOk);
        if (drawn.words.size() != 8) return -1;
        const TileId tile = drawn.words[kDrawReplyTile];
        EXPECT_EQ(tile, table().model().LastDrawn(c));
        const int32_t index = table().model().WallPosOfTile(tile);
        EXPECT_EQ(drawn.words, (Words{tile, index, 0, 0, 0, 0, 0, 0}));
        for (int32_t s = 0; s < 4; ++s)  // the others' 229160, checked by the soak
            Notes(s);
        return tile;
    }

    // Chair 1 pungs the 1p (waiting for chair 2 to pass its win) and draws
    // the fourth.
    void PlayToTheFourthPin() {
        ASSERT_EQ(Do(0, kDiscard, DiscardOf(100, 0, kOnePin)).code, kOk);
        for (int32_t s : {1, 2, 3}) {
            auto notes = Notes(s);
            ASSERT_EQ(notes.size(), 1u);
            Words expected(kDiscardNoteWords, 0);
            expected[kUser] = 100;
            expected[kNoteTile] = kOnePin;
            expected[kNoteFlags + 1] = rules::kClaimFlagPung | kPassFlag;
            expected[kNoteFlags + 2] = rules::kClaimFlagHu | kPassFlag;
            EXPECT_EQ(notes[0].words, expected);
        }
        const Words pung = Claim(1, 64, 0, kOnePin, kPungTiles);
        Do(1, kPung, pung);
        EXPECT_EQ(Do(1, kPungDone, pung).code, kWait);
        Do(2, kPass, Claim(2, 40, 0, kOnePin));
        for (int32_t s : {0, 2, 3})
            EXPECT_EQ(IdsOf(s), (std::vector<uint32_t>{kPungAnnounced, kClaimsOver}));
        EXPECT_EQ(IdsOf(1), std::vector<uint32_t>{kClaimsOver});
        Got meld = Do(1, kPungDone, pung);
        ASSERT_EQ(meld.code, kOk);
        Words expected = pung;
        expected[kRoom] = 1;
        expected[kReplacement] = expected[kReplacementIndex] = -1;
        EXPECT_EQ(meld.words, expected);
        for (int32_t s : {0, 2, 3})
            EXPECT_EQ(Notes(s).at(0).words, expected);
        ASSERT_NO_FATAL_FAILURE(DiscardAndPass(1, IdOf(18, 0)));
        for (int32_t s : {0, 3, 2})
            ASSERT_NO_FATAL_FAILURE(DiscardAndPass(s, Draw(s)));
        ASSERT_EQ(Draw(1), kFourth);
    }
    Words Kong() const {
        Words kong = Claim(1, 64, 1, kFourth, {kPungTiles[0], kPungTiles[1], kOnePin});
        kong[kKongKind] = 2;
        return kong;
    }

    std::array<PeerId, 4> p{};
};

TEST(TableClaimsTest, AnAddedKongRobbedOrNot) {
    for (bool rob : {true, false}) {
        Scripted t;
        ASSERT_NO_FATAL_FAILURE(t.PlayToTheFourthPin());
        Got announced = t.Do(1, kKong, t.Kong());
        ASSERT_EQ(announced.code, kOk);
        EXPECT_EQ(announced.words, (Words{1, -1, -1, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
        const int32_t robber = rules::kClaimFlagHu | kPassFlag;
        for (int32_t s : {0, 2, 3})
            EXPECT_EQ(t.Notes(s).at(0).words, (Words{1, 1, kFourth, 2, 0, 0, robber, 0}));
        EXPECT_EQ(t.Do(1, kAddedKong, t.Kong()).code, kWait);
        if (rob) {
            Words hu = t.Claim(2, 48, 1, kFourth);
            hu[kHuKind] = int32_t(rules::kHuRobbingKong);
            hu[kHuOfferKind] = 2;
            EXPECT_EQ(t.Do(2, kHu, hu).code, kOk);
            for (int32_t s = 0; s < 4; ++s) {
                auto notes = t.Notes(s);
                ASSERT_EQ(notes.size(), 1u);
                EXPECT_EQ(notes[0].code, kRoundEnd);
                EXPECT_EQ(notes[0].words[170], 2);
                EXPECT_GT(notes[0].words[165 + 2], 0);
            }
            continue;
        }
        t.Do(2, kPass, t.Claim(2, 40, 1, kFourth));
        for (int32_t s = 0; s < 4; ++s)
            EXPECT_EQ(t.IdsOf(s), std::vector<uint32_t>{kClaimsOver});
        Got kong = t.Do(1, kAddedKong, t.Kong());
        ASSERT_EQ(kong.code, kOk);
        const TileId replacement = t.table().model().LastDrawn(1);
        const int32_t index = t.table().model().WallPosOfTile(replacement);
        EXPECT_EQ(kong.words, (Words{1, replacement, index, 0, 0, 0, 0, 0}));
        Words expected = t.Kong();
        expected[kRoom] = 1;
        expected[kReplacement] = kHiddenTile;
        expected[kReplacementIndex] = index;
        for (int32_t s : {0, 2, 3})
            EXPECT_EQ(t.Notes(s).at(0).words, expected);
    }
}

// The claim seconds a table is set up with (the demo gives a person the
// turn's twenty): nobody answers, and the window closes a second before
// they are out.
TEST(TableClaimsTest, AClaimWindowStaysOpenForTheTablesClaimSeconds) {
    for (int32_t seconds : {3, 10, 20}) {
        Scripted t(seconds);
        ASSERT_EQ(t.Do(0, kDiscard, t.DiscardOf(100, 0, kOnePin)).code, kOk);
        for (int32_t s = 0; s < 4; ++s)
            t.Notes(s);
        t.Advance(seconds * 1000 - 1002);
        EXPECT_TRUE(t.IdsOf(1).empty()) << seconds;
        t.Advance(1);
        EXPECT_EQ(t.IdsOf(1), std::vector<uint32_t>{kClaimsOver}) << seconds;
    }
}

TEST(TableClaimsTest, WindowsAndTurnsRunOutOnTheClock) {
    Scripted t;
    ASSERT_EQ(t.Do(0, kDiscard, t.DiscardOf(100, 0, kOnePin)).code, kOk);
    const Words pung = t.Claim(1, 64, 0, kOnePin, kPungTiles);
    t.Do(1, kPung, pung);
    EXPECT_EQ(t.Do(1, kPungDone, pung).code, kWait);
    for (int32_t s = 0; s < 4; ++s)
        t.Notes(s);
    // Chair 2 never answers: the window closes on the claim seconds.
    t.Advance(8999);
    EXPECT_EQ(t.IdsOf(1), std::vector<uint32_t>{kClaimsOver});
    for (int32_t s : {0, 2, 3})
        EXPECT_EQ(t.IdsOf(s), (std::vector<uint32_t>{kPungAnnounced, kClaimsOver}));
    // Chair 1 does not take its pung: the turn's seconds, the watch time and
    // two seconds later the table tells everybody, chair 1 too.
    t.Advance(25000 - 1);
    EXPECT_TRUE(t.IdsOf(1).empty());
    t.Advance(1);
    for (int32_t s = 0; s < 4; ++s)
        EXPECT_EQ(t.IdsOf(s), std::vector<uint32_t>{kPunged});
    // Once its turn's seconds are out the chair before it may have the
    // table discard for it, and no other chair may.
    auto forIt = [&](int32_t sender) {
        Words w = t.Head(101, 1, kDiscardBaseBytes);
        w[kTimeoutForm] = 1;
        w[kSenderChair] = sender;
        w[kSenderUser] = 100 + sender;
        return w;
    };
    t.Advance(20000 - 1);
    t.Do(0, kDiscard, forIt(0));
    t.Advance(1);
    t.Do(3, kDiscard, forIt(3));
    EXPECT_TRUE(t.IdsOf(1).empty());
    t.Do(0, kDiscard, forIt(0));
    for (int32_t s = 0; s < 4; ++s)
        EXPECT_EQ(t.Notes(s).at(0).words.at(kNoteChair), 1);
}

}  // namespace
}  // namespace gameserver
