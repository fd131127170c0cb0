// Who may do what at a table: lookers see a hand only when its player lets
// them, hostile or mistaken requests are refused without touching the round,
// and a player who goes away is played for until they come back.

#include "rules/table/tests/table_driver.h"
#include "tools/gameserver/tests/table_fixture.h"

namespace gameserver {
namespace {

using namespace table;
using rules::TileId;
using rules::testing::HeldTiles;

TableOptions Bots(std::array<bool, 4> chairs, int64_t delay = 0) {
    TableOptions options;
    options.botChairs = chairs;
    options.botDelayMs = delay;
    options.seed = 5;
    return options;
}

const Got* Find(const std::vector<Got>& notes, uint32_t id) {
    for (const Got& g : notes)
        if (g.code == id) return &g;
    return nullptr;
}

TEST(TablePeersTest, ALookerSeesTheHandOnlyWhenLetIn) {
    ScriptedTable t(Bots({true, true, true, false}));
    TableGame& table = t.table();
    EXPECT_EQ(t.Enter(table.Connect(), 300, 3, true).code, kNotReady);  // nobody in chair 3
    const PeerId looker = table.Connect(), player = table.Connect();
    Got entered = t.Enter(looker, 200, 1, true);
    ASSERT_EQ(entered.code, kEntered);
    ASSERT_EQ(entered.words.size(), rules::state_record::kBytes / 4);
    EXPECT_EQ(entered.words[rules::state_record::kWatchSeconds], 3);
    ASSERT_EQ(t.Enter(player, 100, 3).code, kEntered);
    std::vector<TileId> shown;
    table.SetObserver([&](const TableMessage& m) {
        if (m.id == kHandShown) shown = HeldTiles(table.model(), 1);
    });
    t.Send(player, kStart, t.Head(100, 3, 32));
    auto notes = t.Take(looker);
    const Got* round = Find(notes, kRoundStart);
    ASSERT_TRUE(round);
    for (size_t i = 0; i < 32; ++i)
        EXPECT_EQ(round->words[rules::seat_record::kHeld + i], -1);
    // Chair 1 is a bot: it lets the looker in.
    t.Send(looker, kSeeHand, t.Head(200, 1, 32));
    notes = t.Take(looker);
    const Got *view = Find(notes, kLookOnView), *hand = Find(notes, kHandShown);
    ASSERT_TRUE(view && hand);
    EXPECT_EQ(view->words, (Words{1001, 1, 0, 1, 200, 1, 0, 0}));
    Words expected = {1001, 1, int32_t(shown.size())};
    expected.insert(expected.end(), shown.begin(), shown.end());
    expected.resize(35, -1);
    EXPECT_EQ(hand->words, expected);
    // A player may not look on, nor a looker play.
    const int refused = table.refused();
    t.Send(player, kSeeHand, t.Head(100, 3, 32));
    EXPECT_EQ(table.refused(), refused + 1);
    EXPECT_EQ(t.Send(looker, kDraw, t.Head(200, 1, kDrawBytes)).code, kFailed);
    // Looker places run out at 64.
    for (int32_t i = 1; i < 64; ++i)
        ASSERT_EQ(t.Enter(table.Connect(), 500 + i, i % 3, true).code, kEntered);
    EXPECT_EQ(t.Enter(table.Connect(), 600, 0, true).code, kNoLookerPlace);
}

TEST(TablePeersTest, HostileRequestsAreRefusedWithoutTouchingTheRound) {
    ScriptedTable t(Bots({false, true, true, true}));
    rules::CRuleTable& model = t.table().model();
    const PeerId player = t.table().Connect();
    ASSERT_EQ(t.Enter(player, 100, 0).code, kEntered);
    t.Send(player, kStart, t.Head(100, 0, 32));
    // Pass every offer and draw when due, until chair 0 is on turn.
    for (int i = 0;
         i < 500 && !(model.ActiveChair() == 0 && (model.State() & rules::kStateOwnAction) &&
                      !t.table().AwaitsDelivery(0));
         ++i) {
        for (const Got& n : t.Take(player)) {
            if (n.code == kDiscarded && n.words[kNoteFlags])
                t.Send(player, kPass, t.Head(100, 0, 40));
            if (n.code == kClaimsOver) t.Send(player, kDraw, t.Head(100, 0, kDrawBytes));
        }
    }
    const auto own = HeldTiles(model, 0);
    const TileId held = *std::find_if(own.begin(), own.end(),
                                      [&](TileId x) { return !model.IsHonourOrFlowerTileOf(x); });
    auto discard = [&](int32_t count, TileId tile, size_t word = kOwnDiscard, int32_t value = 1) {
        Words w = t.DiscardOf(100, 0, tile, count);
        w[word] = value;
        return w;
    };
    Words selfWin = t.Head(100, 0, 48), flower = t.Head(100, 0, 44);
    selfWin[kTile] = 143;
    selfWin[kHuKind] = 2;
    flower[kFlowerTile] = held;
    const struct {
        const char* what;
        uint32_t id;
        Words words;
        size_t bytes;
        uint32_t code;
    } cases[] = {
        {"short payload", kDiscard, discard(1, held), 50, kFailed},
        {"another chair's head", kDiscard, discard(1, held, kChair, 1), 0, kFailed},
        {"another user's head", kDiscard, discard(1, held, kUser, 101), 0, kFailed},
        {"another table", kDiscard, discard(1, held, kTable, 9), 0, kFailed},
        {"a tile not held", kDiscard, discard(1, HeldTiles(model, 1).at(0)), 0, kDiscardRefused},
        {"two tiles", kDiscard, discard(2, held), 0, kDiscardRefused},
        {"a count past the payload", kDiscard, discard(65, held), 112, kDiscardRefused},
        {"a negative count", kDiscard, discard(-1, held), 0, kDiscardRefused},
        {"nothing to draw", kDraw, t.Head(100, 0, kDrawBytes), 0, kNoTile},
        {"a pung of nothing", kPungDone, t.Head(100, 0, 64), 0, kFailed},
        {"a win on a tile not drawn", kHu, selfWin, 0, kFailed},
        {"a flower that is none", kFlower, flower, 0, kNoTile},
        {"a kong of nothing", kConcealedKong, t.Head(100, 0, 64), 0, kFailed},
        {"an unknown request", 123456, t.Head(100, 0, 32), 0, kUnsupported},
    };
    auto snapshot = [&] {
        rules::TableRecord r;
        model.FillStateRecord(r, 0, 0);
        return r.Encode();
    };
    const Bytes before = snapshot();
    const int refusedBefore = t.table().refused();
    for (const auto& c : cases) {
        Bytes data = ToBytes(c.words);
        if (c.bytes) data.resize(c.bytes);
        t.table().Request(player, c.id, data, true, 5);
        auto out = t.table().TakeOutgoing();
        ASSERT_EQ(out.size(), 1u) << c.what;
        EXPECT_EQ(out[0].id, c.code) << c.what;
        EXPECT_EQ(snapshot(), before) << c.what;
    }
    // Strangers: a peer that never entered, and entries that do not stand.
    const PeerId stranger = t.table().Connect();
    EXPECT_EQ(t.Send(stranger, kDiscard, discard(1, held)).code, kNoSuchObject);
    EXPECT_EQ(t.Enter(stranger, 100, 2).code, kExists);  // user 100 sits already
    EXPECT_EQ(t.Enter(stranger, 300, 1).code, kExists);  // a bot's chair
    EXPECT_EQ(t.Enter(stranger, 300, 7).code, kEnterFailed);
    EXPECT_EQ(t.Enter(stranger, 0, 1, true).code, kAuthFailed);
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(t.table().refused() - refusedBefore, int(std::size(cases)) + 5);
    EXPECT_EQ(t.Send(player, kDiscard, discard(1, held)).code, kOk);
}

TEST(TablePeersTest, AGonePlayerIsPlayedForAndComesBack) {
    ScriptedTable t(Bots({false, true, true, true}, 1000));
    TableGame& table = t.table();
    const PeerId player = table.Connect(), looker = table.Connect();
    ASSERT_EQ(t.Enter(player, 100, 0).code, kEntered);
    ASSERT_EQ(t.Enter(looker, 200, 1, true).code, kEntered);
    t.Send(player, kStart, t.Head(100, 0, 32));
    t.Advance(1000);
    auto last = [&] {
        auto notes = t.Take(looker);
        return notes.empty() ? Got() : notes.back();
    };
    last();
    table.Disconnect(player);
    t.Advance(0);
    EXPECT_EQ(last().words, (Words{100, 1, 0, 0, 2, 0, 0, 0}));  // 229500: gone
    // A bot plays chair 0 to the round's end; then the chair is free.
    for (int i = 0; i < 400 && table.rounds() == 0; ++i)
        t.Advance(1000);
    ASSERT_EQ(table.rounds(), 1);
    t.Advance(1);  // the bots start again after a pause
    const PeerId next = table.Connect();
    ASSERT_EQ(t.Enter(next, 101, 0).code, kEntered);
    t.Send(next, kStart, t.Head(101, 0, 32));
    // Gone in the middle of the round, and back before its end.
    table.Disconnect(next);
    t.Advance(0);
    last();
    const PeerId again = table.Connect();
    ASSERT_EQ(t.Enter(again, 101, 0).code, kEntered);
    EXPECT_EQ(last().words, (Words{101, 1, 0, 0, 1, 0, 0, 0}));
    // Leaving by request while the round runs ends it for the others.
    t.Send(again, kLeave, t.Head(101, 0, kLeaveBytes));
    const Got left = last();
    EXPECT_EQ(left.code, kPlayerLeft);
    EXPECT_EQ(left.words, (Words{101, 0, 1, 0, 0, 0, 0, 0}));
}

}  // namespace
}  // namespace gameserver
