#pragma once
// The application the mahjong fuzz targets run under: one per variant (own
// chair 0-2, seated or looking on), at a table of four with no hall and no
// log file to write.
#include <stdlib.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "client/game_app.h"

// No hall to find and no log folder to write in.
inline void MahjongFuzzEnvironment() {
    setenv("QEVO_HALL_DIR", "/nonexistent-qevo-fuzz", 1);
    setenv("QEVO_PROGRAM_DIR", "/nonexistent-qevo-fuzz/", 1);
}

// Four seated players, users 101-104 by chair.
inline client::HallTableState MahjongFuzzTable() {
    client::HallTableState state;
    for (int i = 0; i < 4; ++i) {
        client::PlayerRecord p;
        p.userId = 101 + uint32_t(i);
        p.chair = i;
        p.userName = "p";
        state.seated.push_back(p);
    }
    return state;
}

// The next record of an input from `at` on: an id picked from `ids` by one
// byte, a 12-bit length in the next two, then the payload (cut at the
// input's end). False when no record is left.
template <size_t N>
bool NextMahjongRecord(std::span<const uint8_t> input, size_t& at, const uint32_t (&ids)[N],
                       uint32_t& id, std::span<const uint8_t>& payload) {
    if (at + 3 > input.size()) return false;
    id = ids[input[at] % N];
    const size_t length =
        std::min<size_t>(input.size() - at - 3, size_t(input[at + 1]) << 4 | input[at + 2]);
    payload = input.subspan(at + 3, length);
    at += 3 + length;
    return true;
}

inline client::CGameApp& MahjongFuzzApp(int variant) {
    static std::unique_ptr<client::CGameApp> apps[8];
    auto& app = apps[variant & 7];
    if (app) return *app;
    MahjongFuzzEnvironment();
    const int own = variant % 3;
    const bool looker = (variant & 7) >= 4;
    app = std::make_unique<client::CGameApp>("Qevo", 31201, 14, 0);
    app->SetCommandLine("\"7|127.0.0.1|3|1|0|" + std::to_string(looker ? 900 : 101 + own) + "|5|" +
                        std::to_string(own) + "|" + (looker ? "1" : "0") + "\"");
    app->ParseLaunchLine();
    client::HallTableState state = MahjongFuzzTable();
    if (looker) {
        client::PlayerRecord p;
        p.userId = 900;
        p.chair = own;
        p.lookerFlag = 1;
        state.lookers.push_back(p);
    }
    app->SetTableState(state);
    return *app;
}
