// A client over loopback plays three rounds against three bots: it checks
// its version, enters, starts, passes every offer, draws when its turn comes,
// replaces flowers and discards, and reads every notification's layout. The
// process clock is a manual one that never moves: nothing waits for time.

#include <gtest/gtest.h>

#include <deque>

#include "platform/clock.h"
#include "rules/tile.h"
#include "tools/gameserver/peer_client.h"
#include "tools/gameserver/table_server.h"

namespace gameserver {
namespace {

using namespace table;
using std::chrono::milliseconds;
constexpr milliseconds kWait{5000};  // a safety net; answers come at once

class LoopbackClient {
  public:
    explicit LoopbackClient(uint16_t port) : client_(DefaultKey()) {
        EXPECT_TRUE(client_.Connect(port));
        EXPECT_TRUE(client_.SendBytes(StandardGreeting()));
    }
    Words Head(size_t bytes) const {
        Words w(bytes / 4, 0);
        w[kUser] = 100;
        return w;
    }
    // A waited request: its reply; notifications read meanwhile are kept.
    Body Call(uint32_t id, const Words& w) {
        const uint32_t number = client_.SendMessage(id, ToBytes(w), true);
        while (auto m = client_.Read(kWait)) {
            if (m->kind == kKindReply && m->messageNumber == number) return m->body;
            kept_.push_back(std::move(m->body));
        }
        ADD_FAILURE() << "no reply to " << id << ": " << client_.error();
        return {};
    }
    void Tell(uint32_t id, const Words& w) { client_.SendMessage(id, ToBytes(w), false); }
    std::optional<Body> Next() {
        if (!kept_.empty()) {
            Body b = std::move(kept_.front());
            kept_.pop_front();
            return b;
        }
        auto m = client_.Read(kWait);
        if (!m) return std::nullopt;
        EXPECT_EQ(m->kind, kKindRequest);
        return std::move(m->body);
    }

  private:
    PeerClient client_;
    std::deque<Body> kept_;
};

TEST(TableServerTest, AClientPlaysRoundsAgainstThreeBots) {
    platform::ManualClock clock(1'000'000);
    platform::ScopedClock scoped(clock);
    TableOptions options;
    options.botChairs = {false, true, true, true};
    options.seed = 11;
    TableServer server(options);
    ASSERT_NE(server.Start(), 0);
    LoopbackClient c(server.port());

    Body version = c.Call(kVersion, {});
    EXPECT_EQ(ToWords(version.data), (Words{14, 0, 0, 0, 0, 0, 0}));
    Words enter(kEnterBytes / 4, 0);
    enter[kEnterUser] = 100;
    Body entered = c.Call(kEnter, enter);
    ASSERT_EQ(entered.code, kEntered);
    EXPECT_EQ(entered.data.size(), rules::state_record::kBytes);
    EXPECT_EQ(c.Call(kIsRunning, c.Head(32)).code, kOk);
    c.Tell(kStart, c.Head(32));

    rules::TileId jokerA = -1, jokerB = -1;
    rules::RuleOptions rules = 0;
    int32_t lastDiscarder = -1;
    bool melded = false;
    std::map<uint32_t, int> seen;
    // The own turn: flowers replaced, then the tile discarded.
    auto play = [&](rules::TileId tile) {
        lastDiscarder = 0;
        while (rules::IsHonourOrFlowerTile(tile, jokerA, jokerB, rules)) {
            Words flower = c.Head(44);
            flower[kFlowerTile] = tile;
            Body replaced = c.Call(kFlower, flower);
            ASSERT_EQ(replaced.code, kOk);
            const Words w = ToWords(replaced.data);
            ASSERT_EQ(w.size(), 8u);
            EXPECT_EQ(w[kFlowerTile], tile);
            tile = w[kFlowerTile + 1];
            if (tile < 0) return;  // the wall is used up
        }
        Words discard = c.Head(kDiscardBaseBytes + 4);
        discard[kOwnDiscard] = discard[kDiscardCount] = 1;
        discard[kDiscardTiles] = tile;
        Body done = c.Call(kDiscard, discard);
        if (done.code == kOk) return;
        // A kind the rules keep back: another tile of the hand.
        Words data = ToWords(c.Call(kTableData, c.Head(32)).data);
        for (size_t i = 0; i < 32 && data[rules::state_record::kHeld + i] >= 0; ++i) {
            discard[kDiscardTiles] = data[rules::state_record::kHeld + i];
            if (c.Call(kDiscard, discard).code == kOk) return;
        }
        ADD_FAILURE() << "no discard stands";
    };
    for (int i = 0; i < 20000; ++i) {
        auto note = c.Next();
        ASSERT_TRUE(note) << "the round stalled";
        const Words w = ToWords(note->data);
        ++seen[note->code];
        if (note->code == kRoundEnd) {
            if (seen[kRoundEnd] == 3) break;
            lastDiscarder = -1;
            c.Tell(kStart, c.Head(32));
            // The bots start after a pause.
            clock.AdvanceMillis(options.roundPauseMs);
            server.Poke();
        }
        switch (note->code) {
            case kRoundStart:
                ASSERT_EQ(w.size(), 233u);
                rules = rules::RuleOptions(w[rules::state_record::kRuleOptions]);
                jokerA = w[rules::state_record::kJokerA];
                jokerB = w[rules::state_record::kJokerB];
                if (w[rules::state_record::kTurnChair] == 0) play(w[53 + size_t(w[49]) - 1]);
                break;
            case kDiscarded:
                ASSERT_EQ(w.size(), kDiscardNoteWords);
                lastDiscarder = w[kNoteChair];
                melded = false;
                if (w[kNoteFlags]) {
                    Words pass = c.Head(40);
                    pass[kGiver] = lastDiscarder;
                    pass[kTile] = w[kNoteTile];
                    c.Tell(kPass, pass);
                }
                break;
            case kKongAnnounced:
                if (w[kAnnouncedFlags]) {
                    Words pass = c.Head(40);
                    pass[kGiver] = w[1];
                    pass[kTile] = w[2];
                    c.Tell(kPass, pass);
                }
                [[fallthrough]];
            case kPungAnnounced:
            case kChowAnnounced:
                melded = true;
                break;
            case kDrew:  // another chair's tile stays hidden
                EXPECT_EQ(w.at(kReplyTile), kHiddenTile);
                break;
            case kClaimsOver:
                if (!melded && lastDiscarder >= 0 && (lastDiscarder + 3) % 4 == 0) {
                    Words draw = c.Head(kDrawBytes);
                    Body drawn = c.Call(kDraw, draw);
                    ASSERT_EQ(drawn.code, kOk);
                    ASSERT_EQ(drawn.data.size(), 32u);
                    play(ToWords(drawn.data)[kReplyTile]);
                }
                break;
            default:
                break;
        }
    }
    EXPECT_EQ(seen[kRoundEnd], 3);
    EXPECT_GT(seen[kDrew], 10);
    EXPECT_EQ(server.rounds(), 3);
    for (const std::string& line : server.Log())
        EXPECT_EQ(line.find("refused"), std::string::npos) << line;
}

}  // namespace
}  // namespace gameserver
