#pragma once
// The application the mahjong fuzz targets run under: one per variant (own
// chair 0-2, seated or looking on), at a table of four with no hall and no
// log file to write.
#include <stdlib.h>

#include <memory>
#include <string>

#include "client/game_app.h"

inline client::CGameApp& MahjongFuzzApp(int variant) {
    static std::unique_ptr<client::CGameApp> apps[8];
    auto& app = apps[variant & 7];
    if (app) return *app;
    setenv("QEVO_HALL_DIR", "/nonexistent-qevo-fuzz", 1);
    setenv("QEVO_PROGRAM_DIR", "/nonexistent-qevo-fuzz/", 1);
    const int own = variant % 3;
    const bool looker = (variant & 7) >= 4;
    app = std::make_unique<client::CGameApp>("Qevo", 31201, 14, 0);
    app->SetCommandLine("\"7|127.0.0.1|3|1|0|" + std::to_string(looker ? 900 : 101 + own) + "|5|" +
                        std::to_string(own) + "|" + (looker ? "1" : "0") + "\"");
    app->ParseLaunchLine();
    client::HallTableState state;
    for (int i = 0; i < 4; ++i) {
        client::PlayerRecord p;
        p.userId = 101 + uint32_t(i);
        p.chair = i;
        p.userName = "p";
        state.seated.push_back(p);
    }
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
