// Feeds untrusted round snapshots to the table logic and the scene: the
// table data block, a round start and a round result, then every operation
// that reads them (own hand, rebuild, wall, sort, texts).
#include <stdlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "client/game_app.h"
#include "mahjong/app/table_logic.h"
#include "mahjong/scene/table_scene.h"

namespace {

// The application of a seated player (or a looker) at a table of 3 or 4.
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3 || size > 64 * 1024) return 0;
    const int variant = data[0] & 7;
    const int players = 3 + (data[0] >> 3 & 1);
    const size_t split = std::min<size_t>(size - 2, data[1] * 16u);
    App(variant);
    mahjong::CTableLogic logic;
    logic.SetLayoutWord(1, players);
    // The enter reply, copied as the framework does, then the payloads.
    std::span<uint8_t> table = logic.TableData();
    std::memcpy(table.data(), data + 2, std::min(split, table.size()));
    std::span<const uint8_t> rest(data + 2 + split, size - 2 - split);
    const size_t half = rest.size() / 2;
    logic.StoreRoundStart(rest.first(half));
    logic.StoreRoundResult(rest.subspan(half));
    mahjong::CTableScene scene(&logic);
    scene.SetPlayerCount(players);
    scene.SetWallPlayerCount(players);
    scene.ResetHands();
    scene.LayOutWallFromSnapshot();
    scene.RebuildFromSnapshot();
    scene.LoadOwnHandFromSnapshot(0);
    scene.ReturnLastDiscard();
    scene.RevealDealtHands();
    scene.SortHand(3, 0, scene.LastHandTile(3));
    scene.LockAllButFlowers();
    scene.UnlockFourOfAKind();
    platform::RECT rect;
    scene.GetDrawTileRect(&rect);
    int32_t list[32];
    logic.GetResultHand(data[1] & 3, list);
    volatile size_t sink = logic.GetRunningText().size() + logic.GetRoundText().size();
    (void)sink;
    return 0;
}
