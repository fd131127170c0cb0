// Who may do what at a table: lookers see a hand only when its player lets
// them, hostile or mistaken requests are refused without touching the round,
// and a player who goes away is played for until they come back.

#include <gtest/gtest.h>

#include "rules/tests/table_driver.h"
#include "tools/gameserver/table_game.h"

namespace gameserver {
namespace {

using namespace table;
using rules::TileId;

struct Got {
    uint32_t code = 0;
    Words words;
};

class Peers {
  public:
    explicit Peers(std::array<bool, 4> bots, int64_t botDelay = 0)
        : table_(Options(bots, botDelay), [this] { return clock_; }) {}

    static TableOptions Options(std::array<bool, 4> bots, int64_t botDelay) {
        TableOptions options;
        options.botChairs = bots;
        options.botDelayMs = botDelay;
        options.seed = 5;
        return options;
    }

    // A request of a peer: the reply, and every notification into inboxes.
    Got Send(PeerId peer, uint32_t id, const Words& w, size_t bytes = 0) {
        Bytes data = ToBytes(w);
        if (bytes) data.resize(bytes, 0);
        table_.Request(peer, id, data, true, 1);
        Got reply;
        for (TableMessage& m : table_.TakeOutgoing()) {
            if (m.kind == TableMessage::kReply)
                reply = {m.id, ToWords(m.data)};
            else
                inbox_[m.peer].push_back({m.id, ToWords(m.data)});
        }
        return reply;
    }
    Got Enter(PeerId peer, int32_t user, int32_t chair, bool looker) {
        Words enter(kEnterBytes / 4, 0);
        enter[kEnterUser] = user;
        enter[kEnterChair] = chair;
        enter[kEnterLooker] = looker;
        return Send(peer, kEnter, enter);
    }
    Words Head(int32_t user, int32_t chair, size_t bytes) const {
        Words w(bytes / 4, 0);
        w[kUser] = user;
        w[kChair] = chair;
        return w;
    }
    void Advance(int64_t ms) {
        clock_ += ms;
        table_.Tick();
        Collect();
    }
    void Disconnect(PeerId peer) {
        table_.Disconnect(peer);
        Collect();
    }
    void Collect() {
        for (TableMessage& m : table_.TakeOutgoing())
            inbox_[m.peer].push_back({m.id, ToWords(m.data)});
    }
    std::vector<Got> Take(PeerId peer) { return std::exchange(inbox_[peer], {}); }
    TableGame& table() { return table_; }

  private:
    int64_t clock_ = 0;
    TableGame table_;
    std::map<PeerId, std::vector<Got>> inbox_;
};

TEST(TablePeersTest, ALookerSeesTheHandOnlyWhenLetIn) {
    Peers t({true, true, true, false});
    const PeerId nobody = t.table().Connect();
    EXPECT_EQ(t.Enter(nobody, 300, 3, true).code, kNotReady);  // nobody in chair 3
    const PeerId player = t.table().Connect();
    const PeerId looker = t.table().Connect();
    Got entered = t.Enter(looker, 200, 1, true);
    ASSERT_EQ(entered.code, kEntered);
    ASSERT_EQ(entered.words.size(), rules::state_record::kBytes / 4);
    EXPECT_EQ(entered.words[rules::state_record::kWatchSeconds], 3);
    ASSERT_EQ(t.Enter(player, 100, 3, false).code, kEntered);
    std::vector<TileId> shown;
    t.table().SetObserver([&](const TableMessage& m) {
        if (m.id == kHandShown) shown = rules::testing::HeldTiles(t.table().model(), 1);
    });
    t.Send(player, kStart, t.Head(100, 3, 32));
    t.Advance(1);
    // The round started: the looker reads chair 1's round without its hand.
    auto find = [](const std::vector<Got>& notes, uint32_t id) {
        auto it =
            std::find_if(notes.begin(), notes.end(), [&](const Got& g) { return g.code == id; });
        return it == notes.end() ? nullptr : &*it;
    };
    auto notes = t.Take(looker);
    const Got* round = find(notes, kRoundStart);
    ASSERT_TRUE(round);
    for (size_t i = 0; i < 32; ++i)
        EXPECT_EQ(round->words[rules::seat_record::kHeld + i], -1);
    // Chair 1 is a bot: it lets the looker in.
    EXPECT_EQ(t.Send(looker, kSeeHand, t.Head(200, 1, 32)).code, kOk);
    t.Advance(1);
    notes = t.Take(looker);
    const Got* view = find(notes, kLookOnView);
    const Got* hand = find(notes, kHandShown);
    ASSERT_TRUE(view && hand);
    EXPECT_EQ(view->words, (Words{1001, 1, 0, 1, 200, 1, 0, 0}));
    ASSERT_EQ(hand->words.at(1), 1);
    ASSERT_EQ(hand->words.at(2), int32_t(shown.size()));
    EXPECT_TRUE(std::equal(shown.begin(), shown.end(), hand->words.begin() + 3));
    // From then on the looker's table data holds the hand.
    const auto held = rules::testing::HeldTiles(t.table().model(), 1);
    Got data = t.Send(looker, kTableData, t.Head(200, 1, 32));
    for (size_t i = 0; i < held.size(); ++i)
        EXPECT_EQ(data.words.at(rules::state_record::kHeld + i), held[i]);
    // A player may not look on, nor a looker play.
    EXPECT_EQ(t.Send(player, kSeeHand, t.Head(100, 3, 32)).code, kFailed);
    Words discard = t.Head(200, 1, kDiscardBaseBytes + 4);
    discard[kDiscardCount] = 1;
    discard[kDiscardTiles] = held.at(0);
    EXPECT_EQ(t.Send(looker, kDiscard, discard).code, kFailed);
}

TEST(TablePeersTest, LookerPlacesRunOut) {
    Peers t({true, true, true, true});
    for (int32_t i = 0; i < 64; ++i)
        ASSERT_EQ(t.Enter(t.table().Connect(), 500 + i, i % 4, true).code, kEntered);
    EXPECT_EQ(t.Enter(t.table().Connect(), 600, 0, true).code, kNoLookerPlace);
}

// The player in chair 0 on its own turn, the bots elsewhere waiting.
class HostileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        player_ = t_.table().Connect();
        ASSERT_EQ(t_.Enter(player_, 100, 0, false).code, kEntered);
        t_.Send(player_, kStart, t_.Head(100, 0, 32));
        for (int i = 0; i < 500 && !OwnTurn(); ++i) {
            // Pass every offer and draw when it is due, until chair 0 plays.
            for (const Got& n : t_.Take(player_)) {
                if (n.code == kDiscarded && (n.words[kNoteFlags] & ~kPassFlag)) {
                    Words pass = t_.Head(100, 0, 40);
                    pass[kGiver] = n.words[kNoteChair];
                    pass[kTile] = n.words[kNoteTile];
                    t_.Send(player_, kPass, pass);
                }
                if (n.code == kClaimsOver) t_.Send(player_, kDraw, t_.Head(100, 0, kDrawBytes));
            }
            t_.Advance(1);
        }
        ASSERT_TRUE(OwnTurn());
    }
    bool OwnTurn() {
        rules::CRuleTable& m = t_.table().model();
        return m.ActiveChair() == 0 && (m.State() & rules::kStateOwnAction) &&
               !t_.table().AwaitsDelivery(0);
    }
    Bytes Snapshot() {
        rules::TableRecord r;
        t_.table().model().FillStateRecord(r, 0, 0);
        return r.Encode();
    }

    Peers t_{{false, true, true, true}};
    PeerId player_ = -1;
};

TEST_F(HostileTest, RefusedWithoutTouchingTheRound) {
    rules::CRuleTable& model = t_.table().model();
    const auto own = rules::testing::HeldTiles(model, 0);
    const TileId held = *std::find_if(own.begin(), own.end(),
                                      [&](TileId x) { return !model.IsHonourOrFlowerTileOf(x); });
    const TileId others = rules::testing::HeldTiles(model, 1).at(0);
    auto discard = [&](int32_t count, TileId tile) {
        Words w = t_.Head(100, 0, kDiscardBaseBytes + 4 * size_t(std::max(count, 1)));
        w[kDiscardCount] = count;
        w[kDiscardTiles] = tile;
        return w;
    };
    Words otherChair = discard(1, held), otherUser = discard(1, held),
          otherTable = discard(1, held);
    otherChair[kChair] = 1;
    otherUser[kUser] = 101;
    otherTable[kTable] = 9;
    Words selfWin = t_.Head(100, 0, 48);
    selfWin[kGiver] = 0;
    selfWin[kTile] = 143;
    selfWin[kHuKind] = 2;
    Words flower = t_.Head(100, 0, 44);
    flower[kFlowerTile] = held;
    struct Case {
        const char* what;
        uint32_t id;
        Words words;
        size_t bytes;
        uint32_t code;
    } cases[] = {
        {"short payload", kDiscard, discard(1, held), 50, kFailed},
        {"another chair's head", kDiscard, otherChair, 0, kFailed},
        {"another user's head", kDiscard, otherUser, 0, kFailed},
        {"another table", kDiscard, otherTable, 0, kFailed},
        {"a tile not held", kDiscard, discard(1, others), 0, kDiscardRefused},
        {"two tiles", kDiscard, discard(2, held), 0, kDiscardRefused},
        {"a count past the payload", kDiscard, discard(65, held), kDiscardBaseBytes + 8,
         kDiscardRefused},
        {"a negative count", kDiscard, discard(-1, held), 0, kDiscardRefused},
        {"nothing to draw", kDraw, t_.Head(100, 0, kDrawBytes), 0, kNoTile},
        {"a pung of nothing", kPungDone, t_.Head(100, 0, 64), 0, kFailed},
        {"a win on a tile not drawn", kHu, selfWin, 0, kFailed},
        {"a flower that is none", kFlower, flower, 0, kNoTile},
        {"a kong of nothing", kConcealedKong, t_.Head(100, 0, 64), 0, kFailed},
        {"an unknown request", 123456, t_.Head(100, 0, 32), 0, kUnsupported},
    };
    const Bytes before = Snapshot();
    for (const Case& c : cases) {
        EXPECT_EQ(t_.Send(player_, c.id, c.words, c.bytes).code, c.code) << c.what;
        EXPECT_EQ(Snapshot(), before) << c.what;
    }
    // Strangers: a peer that never entered, and entries that do not stand.
    const PeerId stranger = t_.table().Connect();
    EXPECT_EQ(t_.Send(stranger, kDiscard, discard(1, held)).code, kNoSuchObject);
    EXPECT_EQ(t_.Enter(stranger, 100, 2, false).code, kExists);  // user 100 is at the table
    EXPECT_EQ(t_.Enter(stranger, 300, 1, false).code, kExists);  // a bot's chair
    EXPECT_EQ(t_.Enter(stranger, 300, 7, false).code, kEnterFailed);
    EXPECT_EQ(t_.Enter(stranger, 0, 1, true).code, kAuthFailed);
    EXPECT_EQ(Snapshot(), before);
    EXPECT_GE(t_.table().refused(), int(std::size(cases)) + 5);
    // The player's own discard still stands.
    EXPECT_EQ(t_.Send(player_, kDiscard, discard(1, held)).code, kOk);
}

TEST(TablePeersTest, AGonePlayerIsPlayedForAndComesBack) {
    Peers t({false, true, true, true}, 1000);
    const PeerId player = t.table().Connect();
    const PeerId looker = t.table().Connect();
    ASSERT_EQ(t.Enter(player, 100, 0, false).code, kEntered);
    ASSERT_EQ(t.Enter(looker, 200, 1, true).code, kEntered);
    t.Send(player, kStart, t.Head(100, 0, 32));
    t.Advance(1000);
    ASSERT_TRUE(t.Take(looker).size() > 0);
    t.Disconnect(player);
    auto notes = t.Take(looker);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].code, kPresence);
    EXPECT_EQ(notes[0].words, (Words{100, 1, 0, 0, 2, 0, 0, 0}));
    // A bot plays chair 0 now: the round goes on to its end.
    for (int i = 0; i < 400 && t.table().rounds() == 0; ++i)
        t.Advance(1000);
    EXPECT_EQ(t.table().rounds(), 1);
    // The chair is free again; another user takes it and starts.
    const PeerId next = t.table().Connect();
    ASSERT_EQ(t.Enter(next, 101, 0, false).code, kEntered);
    t.Send(next, kStart, t.Head(101, 0, 32));
    t.Advance(1);
    // Gone in the middle of the round and back before its end.
    t.Disconnect(next);
    t.Take(looker);
    const PeerId again = t.table().Connect();
    ASSERT_EQ(t.Enter(again, 101, 0, false).code, kEntered);
    notes = t.Take(looker);
    ASSERT_FALSE(notes.empty());
    EXPECT_EQ(notes.back().words, (Words{101, 1, 0, 0, 1, 0, 0, 0}));
    // Leaving by request while the round runs ends it for the others.
    Words leave = t.Head(101, 0, kLeaveBytes);
    t.Send(again, kLeave, leave);
    notes = t.Take(looker);
    ASSERT_FALSE(notes.empty());
    EXPECT_EQ(notes.back().code, kPlayerLeft);
    EXPECT_EQ(notes.back().words, (Words{101, 0, 1, 0, 0, 0, 0, 0}));
}

}  // namespace
}  // namespace gameserver
