#include "client/hall_tables.h"

#include <utility>

#include "transport/log.h"

namespace client {

bool HallTables::SetTableState(const HallTableState& state, const OwnSeat& own) {
    if (state.seated.size() > kMaxSeated || state.lookers.size() > kMaxLookers) {
        transport::LogPrintf("hall table state refused: %zu seated, %zu lookers",
                             state.seated.size(), state.lookers.size());
        return false;
    }
    // Build the new tables apart and swap them in only once they pass.
    HallTables next = *this;
    next.room_ = state.room;
    next.table_ = state.table;
    for (size_t i = 0; i < state.seated.size(); ++i)
        next.seats_[i] = state.seated[i];
    for (size_t i = 0; i < state.lookers.size(); ++i)
        next.lookers_[i] = state.lookers[i];

    for (size_t i = 0; i < state.seated.size(); ++i) {
        if (state.seated[i].chair != int32_t(i)) {
            transport::LogPrintf("hall table state refused: seat %zu carries chair %d", i,
                                 state.seated[i].chair);
            return false;
        }
    }
    const PlayerRecord* self = next.FindPlayer(own.userId);
    if (!self) {
        transport::LogPrintf("hall table state refused: user %u is not at the table", own.userId);
        return false;
    }
    if (self->lookerFlag != own.lookerFlag || self->chair != own.chair) {
        transport::LogPrintf(
            "hall table state refused: user %u has looker flag %u and chair %d, launched with %u "
            "and %d",
            own.userId, self->lookerFlag, self->chair, own.lookerFlag, own.chair);
        return false;
    }
    *this = std::move(next);
    return true;
}

bool HallTables::AddLooker(const PlayerRecord& record) {
    for (auto& slot : lookers_) {
        if (slot.userId == 0) {
            slot = record;
            return true;
        }
    }
    transport::LogPrintf("hall looker %u ignored: all %u looker slots are taken", record.userId,
                         kMaxLookers);
    return false;
}

bool HallTables::ConcernsOwnTable(const PlayerLeftRecord& left, const OwnSeat& own) {
    return left.tableNo == own.tableNo && left.hallWindow == own.hallWindow;
}

const PlayerRecord* HallTables::FindPlayer(uint32_t userId) const {
    if (userId == 0) return nullptr;  // 0 marks a free slot, never a player
    for (const auto& p : seats_)
        if (p.userId == userId) return &p;
    for (const auto& p : lookers_)
        if (p.userId == userId) return &p;
    return nullptr;
}

int32_t HallTables::GetPlayerChair(uint32_t userId) const {
    const PlayerRecord* p = FindPlayer(userId);
    return p ? p->chair : -1;
}

}  // namespace client
