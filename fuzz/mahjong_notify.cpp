// Drives the table scene's notification handlers with arbitrary sequences:
// each record is an id picked by one byte, a length and the payload; round
// starts and ends are stored by the snapshot first, as the dispatcher does.
// Clock steps and timer ticks come in between.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "fuzz/mahjong_fuzz_app.h"
#include "mahjong/app/table_logic.h"
#include "mahjong/scene/table_scene.h"

namespace {

constexpr uint32_t kIds[] = {211040, 221200, 221160, 229160, 221170, 229165, 229170, 229175, 229180,
                             229185, 229190, 229195, 229197, 229199, 229210, 211080, 229500, 0};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 64 * 1024) return 0;
    const int variant = data[0] & 7;
    const int players = 3 + (data[0] >> 3 & 1);
    MahjongFuzzApp(variant);
    mahjong::CTableLogic logic;
    logic.SetLayoutWord(1, players);
    mahjong::CTableScene scene(&logic);
    scene.SetPlayerCount(players);
    scene.SetWallPlayerCount(players);
    size_t at = 1;
    uint32_t id = 0;
    std::span<const uint8_t> payload;
    while (NextMahjongRecord({data, size}, at, kIds, id, payload)) {
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
