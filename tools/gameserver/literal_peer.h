#pragma once
// A second game server for tests, written apart from the table server: one
// client's chair at one table, the other chairs moved by the test. It reads
// requests and writes replies by the protocol's own words; where the words
// leave a layout open it puts nothing there (zeros), so that a client that
// leans on what the table server chose for those places shows it:
//   - the draw reply is the drawn tile in word 0, its other words zero;
//   - a discard is taken only of a tile the chair holds, on its turn (after
//     a draw or a meld), and never while its added kong waits for robbers;
//   - a claim (pass, pung, chow, kong, win) and its execution are taken only
//     on the discard last offered to the chair with that claim's flag, while
//     no other move has stood since.
// A request that fails a check is refused with the protocol's code and kept
// as a fault. The framework's requests get the plain answers of a table
// (version 14.0, entered, running); the table data is refused, so a client
// that resynchronises fails to.
//
// Thread-safe: requests are answered on the wire's thread, the test moves
// the other chairs from its own.

#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "tools/gameserver/server.h"
#include "tools/gameserver/table_protocol.h"

namespace gameserver {

class LiteralPeer {
  public:
    LiteralPeer(int32_t chair, int32_t user);
    ~LiteralPeer();
    LiteralPeer(const LiteralPeer&) = delete;
    LiteralPeer& operator=(const LiteralPeer&) = delete;

    uint16_t Start();
    uint16_t port() const { return server_.port(); }
    // The connection itself, for faults pushed at the client.
    GameServer& wire() { return server_; }

    // The round: 211040 as given (the client's hand in words 53-84, the chair
    // on turn in word 13), then the client's own hand, 221200.
    void Deal(const table::Words& roundStart);
    // The tiles the client's draws take, in order.
    void SetWall(std::vector<int32_t> tiles);
    // Another chair discards `tile`, offering the client `flags` (221170).
    void Discard(int32_t chair, int32_t tile, int32_t flags);
    // 229165. After an unclaimed discard of the chair before the client's,
    // the client draws next.
    void ClaimsOver();
    // Another chair pungs the last discard with two tiles of its own (229185).
    void Punged(int32_t chair, int32_t ownA, int32_t ownB);
    // Another chair draws the wall's tile at `wallIndex` (229160).
    void Drew(int32_t chair, int32_t wallIndex);
    // The answer to a claim's execution (229025, 229030, 229045, and the kong
    // claim 229015) and to an added kong (229049): 210050, wait, unless set.
    void AnswerClaims(uint32_t code);
    void AnswerAddedKong(uint32_t code);
    // Requests with this id get no reply at all.
    void Withhold(uint32_t id);

    // What the client did.
    std::vector<std::string> Faults();
    uint64_t Received();
    // Notifications sent to the client so far.
    uint64_t Pushed();
    std::vector<table::Words> Requests(uint32_t id);

  private:
    struct Offer {
        int32_t giver = -1, tile = -1, flags = 0;
        bool live = false;  // no other move has stood since it was made
    };

    std::optional<Reply> Respond(const ReceivedRequest& request);
    std::optional<Reply> Move(uint32_t id, const table::Words& w);
    // A claim of `flag` on the offered tile, as words 4 (giver) and 5 (tile)
    // name it; a fault when it is not the offer.
    bool Offered(uint32_t id, const table::Words& w, int32_t flag);
    bool MayAddKong(const table::Words& w);
    Reply Refuse(uint32_t code, const std::string& why);
    void Push(uint32_t id, const table::Words& words);
    static int32_t Kind(int32_t tile);

    const int32_t chair_, user_;
    GameServer server_;

    std::mutex mu_;
    std::vector<std::pair<uint32_t, table::Words>> requests_;
    uint64_t pushed_ = 0;
    std::vector<std::string> faults_;
    std::multiset<int32_t> held_;
    std::deque<int32_t> wall_;
    std::set<int32_t> pungKinds_;
    std::set<uint32_t> withheld_;
    Offer offer_;
    int32_t lastDiscarder_ = -1;
    bool discardTaken_ = false;  // a meld took the last discard
    bool dealt_ = false;
    bool mayDraw_ = false, mayDiscard_ = false, kongWaits_ = false;
    uint32_t claimAnswer_ = table::kWait, kongAnswer_ = table::kWait;
};

}  // namespace gameserver
