#pragma once
// A table whose clients the test drives by hand, on a clock only the test
// moves: each request's reply, and every notification kept per peer.

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <utility>

#include "tools/gameserver/table_game.h"

namespace gameserver {

// The table a real client joins in the tests: table 5 of room 3, as the
// launch line says, with seeded bots in the chairs `bots` names.
inline TableOptions ClientTableOptions(std::array<bool, 4> bots = {false, true, true, true}) {
    TableOptions options;
    options.botChairs = bots;
    options.seed = 13;
    options.tableNo = 5;
    options.roomId = 3;
    return options;
}

struct Got {
    uint32_t code = 0;
    table::Words words;
};

class ScriptedTable {
  public:
    explicit ScriptedTable(TableOptions options)
        : table_(std::move(options), [this] { return clock_; }) {}

    static table::Words Head(int32_t user, int32_t chair, size_t bytes) {
        table::Words w(bytes / 4, 0);
        w[table::kUser] = user;
        w[table::kChair] = chair;
        return w;
    }
    // A request; its reply when the client waits for one. A payload longer
    // or shorter than the words is cut or padded to `bytes`.
    Got Send(PeerId peer, uint32_t id, const table::Words& w, size_t bytes = 0) {
        Bytes data = table::ToBytes(w);
        if (bytes) data.resize(bytes, 0);
        table_.Request(peer, id, data, table::IsWaited(id), 5);
        return Collect();
    }
    // A discard of `count` tiles, the first one given.
    static table::Words DiscardOf(int32_t user, int32_t chair, rules::TileId tile,
                                  int32_t count = 1) {
        table::Words w =
            Head(user, chair, table::kDiscardBaseBytes + 4 * size_t(std::max(count, 1)));
        w[table::kOwnDiscard] = 1;
        w[table::kDiscardCount] = count;
        w[table::kDiscardTiles] = tile;
        return w;
    }
    Got Enter(PeerId peer, int32_t user, int32_t chair, bool looker = false) {
        table::Words enter(table::kEnterBytes / 4, 0);
        enter[table::kEnterUser] = user;
        enter[table::kEnterChair] = chair;
        enter[table::kEnterLooker] = looker;
        return Send(peer, table::kEnter, enter);
    }
    // Moves the clock (0: only reads what waits).
    void Advance(int64_t ms) {
        clock_ += ms;
        table_.Tick();
        Collect();
    }
    std::vector<Got> Take(PeerId peer) { return std::exchange(inbox_[peer], {}); }
    std::vector<uint32_t> Ids(PeerId peer) {
        std::vector<uint32_t> ids;
        for (const Got& g : Take(peer))
            ids.push_back(g.code);
        return ids;
    }
    TableGame& table() { return table_; }

  private:
    Got Collect() {
        Got reply;
        for (TableMessage& m : table_.TakeOutgoing()) {
            Got got{m.id, table::ToWords(m.data)};
            if (m.kind == TableMessage::kReply)
                reply = got;
            else
                inbox_[m.peer].push_back(got);
        }
        return reply;
    }

    int64_t clock_ = 1000;
    TableGame table_;
    std::map<PeerId, std::vector<Got>> inbox_;
};

}  // namespace gameserver
