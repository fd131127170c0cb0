// Drives the table scene's notification handlers with arbitrary sequences:
// each record is an id picked by one byte, a length and the payload; round
// starts and ends are stored by the snapshot first, as the dispatcher does.
// Clock steps and timer ticks come in between.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "client/game_app.h"
#include "mahjong/app/table_logic.h"
#include "mahjong/scene/table_scene.h"

namespace {

client::CGameApp& App(int variant) {
    static std::unique_ptr<client::CGameApp> apps[8];
    auto& app = apps[variant];
    if (app) return *app;
    setenv("QEVO_HALL_DIR", "/nonexistent-qevo-fuzz", 1);
    setenv("QEVO_PROGRAM_DIR", "/nonexistent-qevo-fuzz/", 1);  // no log file to write
    const int own = variant % 3;
    const bool looker = variant >= 4;
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

constexpr uint32_t kIds[] = {211040, 221200, 221160, 229160, 221170, 229165, 229170, 229175, 229180,
                             229185, 229190, 229195, 229197, 229199, 229210, 211080, 229500, 0};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 64 * 1024) return 0;
    const int variant = data[0] & 7;
    const int players = 3 + (data[0] >> 3 & 1);
    App(variant);
    mahjong::CTableLogic logic;
    logic.SetLayoutWord(1, players);
    mahjong::CTableScene scene(&logic);
    scene.SetPlayerCount(players);
    scene.SetWallPlayerCount(players);
    size_t at = 1;
    while (at + 3 <= size) {
        const uint32_t id = kIds[data[at] % (sizeof(kIds) / sizeof(kIds[0]))];
        const size_t length =
            std::min<size_t>(size - at - 3, size_t(data[at + 1]) << 4 | data[at + 2]);
        std::span<const uint8_t> payload(data + at + 3, length);
        at += 3 + length;
        if (id == 211040) logic.StoreRoundStart(payload);
        if (id == 211080) logic.StoreRoundResult(payload);
        if (id == 0) {
            // The engine's part: the deal shown, the clock run down a step.
            scene.RevealDealtHands();
            scene.StartTurnClock();
            scene.TC_Moveing();
            scene.OnTimer(mahjong::CMJTableSceneBase::kClockTimerId);
            continue;
        }
        scene.HandleNotification(id, payload);
    }
    scene.StartRoundDisplay();
    return 0;
}
