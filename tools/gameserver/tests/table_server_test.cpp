// A client over loopback checks its version, enters and plays three rounds
// against three bots, its moves chosen by a bot's policy, every message
// through the socket. The process clock is manual: nothing waits for time.

#include <gtest/gtest.h>

#include "platform/clock.h"
#include "tools/gameserver/peer_client.h"
#include "tools/gameserver/table_bot.h"
#include "tools/gameserver/table_server.h"

namespace gameserver {
namespace {

using namespace table;
constexpr std::chrono::milliseconds kWait{5000};  // a safety net; answers come at once

TEST(TableServerTest, AClientPlaysRoundsOverLoopback) {
    platform::ManualClock clock(1'000'000);
    platform::ScopedClock scoped(clock);
    TableOptions options;
    options.botChairs = {false, true, true, true};
    options.seed = 14;
    TableServer server(options);
    ASSERT_NE(server.Start(), 0);
    PeerClient client(DefaultKey());
    ASSERT_TRUE(client.Connect(server.port()));
    ASSERT_TRUE(client.SendBytes(StandardGreeting()));

    TableBot brain(0, 100, 1, 0, 7);
    int rounds = 0;
    auto read = [&]() -> std::optional<PeerClient::Incoming> {
        auto m = client.Read(kWait);
        if (!m) return m;
        if (m->kind == kKindRequest) {
            brain.OnNotify(m->body.code, ToWords(m->body.data));
            if (m->body.code == kRoundEnd) {
                ++rounds;
                clock.AdvanceMillis(options.roundPauseMs);  // the bots start after a pause
                server.Poke();
            }
        }
        return m;
    };
    // A waited request: notifications that come first are read in order.
    auto call = [&](uint32_t id, const Words& w) -> Body {
        const uint32_t number = client.SendMessage(id, ToBytes(w), true);
        while (auto m = read())
            if (m->kind == kKindReply && m->messageNumber == number) return m->body;
        ADD_FAILURE() << "no reply to " << id << ": " << client.error();
        return {};
    };
    EXPECT_EQ(ToWords(call(kVersion, {}).data), (Words{14, 0, 0, 0, 0, 0, 0}));
    Words enter(kEnterBytes / 4, 0);
    enter[kEnterUser] = 100;
    Body entered = call(kEnter, enter);
    ASSERT_EQ(entered.code, kEntered);
    EXPECT_EQ(entered.data.size(), rules::state_record::kBytes);

    const TableBot::Advisor advisor = [&](int32_t chair) {
        rules::TileId win = -1;
        server.WithTable([&](TableGame& t) { win = t.model().SelfDrawnWinTile(chair); });
        return win;
    };
    int moves = 0;
    while (rounds < 3) {
        while (auto move = brain.NextMove(advisor)) {
            ++moves;
            if (!IsWaited(move->id)) {
                client.SendMessage(move->id, ToBytes(move->words), false);
                continue;
            }
            Body reply = call(move->id, move->words);
            brain.OnReply(move->id, reply.code, ToWords(reply.data));
        }
        ASSERT_TRUE(read()) << "the round stalled";
    }
    EXPECT_EQ(server.rounds(), 3);
    EXPECT_GT(moves, 20);
}

}  // namespace
}  // namespace gameserver
