// Requests from the network into a table in play. A client in chair 0, a
// looker and now and then a stranger send requests that the input picks:
// their heads mostly right, their words mostly tiles of the hand or the
// table's open tile, their lengths mostly what the request needs, now and
// then anything. Bots play the other chairs and time moves on. After every
// request each tile is in exactly one place, every bot's hand is the
// model's, and every settled round sums to zero.

#include <cstdint>
#include <cstdlib>
#include <span>

#include "platform/bytes.h"
#include "rules/table/tests/table_driver.h"
#include "tools/gameserver/table_bot.h"
#include "tools/gameserver/table_game.h"

namespace {

using namespace gameserver;
using namespace gameserver::table;

constexpr uint32_t kIds[] = {
    kEnter,     kVersion, kKeepAlive, kLeave,         kIsRunning, kTableData,   kStart,
    kCall,      kChat,    kSeeHand,   kSeeHandAnswer, kDiscard,   kDraw,        kPass,
    kPung,      kKong,    kChow,      kPungDone,      kChowDone,  kExposedKong, kConcealedKong,
    kAddedKong, kFlower,  kHu,        kStalled,       kPresent,   kExitRequest, kExitAnswer};

struct Input {
    platform::ByteReader in;
    int32_t Small(int32_t n) {
        uint8_t tag = in.U8();
        if (tag < 230) return n > 0 ? int32_t(tag % n) : 0;
        if (tag < 250) return int32_t(in.U8()) - 20;
        return in.I32();
    }
    rules::TileId Tile(rules::CRuleTable& model, int32_t chair) {
        uint8_t tag = in.U8();
        if (tag < 200 && chair >= 0 && chair < 4) {
            auto held = rules::testing::HeldTiles(model, chair);
            if (!held.empty()) return held[tag % held.size()];
        }
        if (tag < 240) return model.WindowTile();
        return Small(160);
    }
};

bool BotsAgree(TableGame& table) {
    for (int32_t c = 0; c < 4; ++c) {
        const TableBot* bot = table.BotAt(c);
        if (!bot || table.AwaitsDelivery(c)) continue;
        auto mine = bot->hand(), model = rules::testing::HeldTiles(table.model(), c);
        std::sort(mine.begin(), mine.end());
        std::sort(model.begin(), model.end());
        if (mine != model) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in{platform::ByteReader(std::span<const uint8_t>(data, size))};
    int64_t clock = 0;
    TableOptions options;
    options.botChairs = {false, true, true, true};
    options.seed = in.in.U32() | 1;
    options.botDelayMs = in.in.U8() % 3;
    TableGame table(options, [&] { return clock; });
    rules::CRuleTable& model = table.model();
    const PeerId player = table.Connect(), looker = table.Connect();
    auto send = [&](PeerId peer, uint32_t id, const Words& w, size_t bytes) {
        Bytes payload = ToBytes(w);
        payload.resize(bytes, 0);
        table.Request(peer, id, payload, true, 1);
        table.TakeOutgoing();
    };
    Words enter(kEnterBytes / 4, 0);
    enter[kEnterUser] = 100;
    send(player, kEnter, enter, kEnterBytes);
    enter[kEnterUser] = 200;
    enter[kEnterChair] = 1;
    enter[kEnterLooker] = 1;
    send(looker, kEnter, enter, kEnterBytes);
    int rounds = 0;
    for (int step = 0; step < 300 && in.in.ok() && in.in.remaining() > 0; ++step) {
        const uint8_t op = in.in.U8();
        clock += op & 0x80 ? in.Small(30000) : 1;
        const uint32_t id = kIds[in.in.U8() % std::size(kIds)];
        const PeerId peer = op % 8 == 0 ? looker : op % 16 == 1 ? table.Connect() : player;
        const int32_t chair = peer == looker ? 1 : 0;
        Words w(90, 0);
        w[kUser] = op % 32 == 2 ? in.Small(300) : peer == looker ? 200 : 100;
        w[kChair] = op % 32 == 3 ? in.Small(5) : chair;
        w[kGiver] = op & 0x10 ? model.WindowSeat() : in.Small(5);
        w[kTile] = in.Tile(model, chair);
        for (size_t i = 0; i < 3; ++i)
            w[kOwn + i] = in.Tile(model, chair);
        w[kKongKind] = in.Small(4);
        w[kHuKind] = in.Small(6) == 0 ? int32_t(rules::kHuSelfDrawn) : w[kHuKind];
        w[kDiscardCount] = in.Small(3);
        w[kDiscardTiles] = in.Tile(model, chair);
        if (id == kEnter) w = enter;
        if (id == kStart) w = Words{100, 0, 0, 0, 0, 0, 0, 0};
        const size_t tiles = size_t(std::clamp(At(w, kDiscardCount), 0, 60));
        size_t bytes =
            std::max(MinimumBytes(id), id == kDiscard ? kDiscardBaseBytes + 4 * tiles : 0);
        if (op % 16 == 5) bytes = size_t(std::clamp(in.Small(400), 0, 400));
        send(peer, id, w, bytes);
        if (op & 0x40) {
            table.Tick();
            table.TakeOutgoing();
        }
        if (op % 64 == 7) {
            table.Disconnect(player);
            table.TakeOutgoing();
        }
        const bool dealt = !model.Wall().empty();
        if ((dealt && !rules::testing::Misplaced(model).empty()) || !BotsAgree(table)) std::abort();
        if (table.rounds() != rounds) {
            rounds = table.rounds();
            int64_t sum = 0;
            for (size_t s = 0; s < 4; ++s)
                sum += model.LastGameEnd().Get(rules::game_end::kScores + s);
            if (sum != 0) std::abort();
        }
    }
    return 0;
}
