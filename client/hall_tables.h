#pragma once
// The application's copies of the hall's records: the room, the table, 8
// seats and 64 looker slots, and what the client does with each hall
// payload. Untrusted input: a table state that fails its checks leaves the
// held state whole.

#include <array>
#include <cstdint>

#include "client/hall_records.h"

namespace client {

// Who this client is, from the launch line.
struct OwnSeat {
    uint32_t userId = 0;      // field 5
    int32_t tableNo = -1;     // field 6
    int32_t chair = -1;       // field 7
    uint32_t lookerFlag = 0;  // field 8
    uint32_t hallWindow = 0;  // field 3
};

class HallTables {
  public:
    // Stores a table state: the room and table records, the seated records
    // into seats 0..n-1, the lookers into slots 0..m-1 (other slots keep
    // what they held). Kept only when every seated record i carries chair i
    // and the own user is found (seats first) with the own looker flag and
    // chair; otherwise false, a log line, and nothing changes.
    bool SetTableState(const HallTableState& state, const OwnSeat& own);
    // Puts a joined looker into the first slot whose user id is 0; false
    // (nothing changes) when all 64 are taken.
    bool AddLooker(const PlayerRecord& record);
    // Whether a player-left record concerns this client's table in this hall.
    static bool ConcernsOwnTable(const PlayerLeftRecord& left, const OwnSeat& own);

    // Seats first, then lookers; null when the id is in neither (or is 0).
    const PlayerRecord* FindPlayer(uint32_t userId) const;
    // -1 when absent.
    int32_t GetPlayerChair(uint32_t userId) const;

    const RoomRecord& Room() const { return room_; }
    const TableRecord& Table() const { return table_; }
    const std::array<PlayerRecord, kMaxSeated>& Seats() const { return seats_; }
    const std::array<PlayerRecord, kMaxLookers>& Lookers() const { return lookers_; }

  private:
    RoomRecord room_;
    TableRecord table_;
    std::array<PlayerRecord, kMaxSeated> seats_{};
    std::array<PlayerRecord, kMaxLookers> lookers_{};
};

}  // namespace client
