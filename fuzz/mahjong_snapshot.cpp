// Feeds untrusted round snapshots to the table logic and the scene: the
// table data block, a round start and a round result, then every operation
// that reads them (own hand, rebuild, wall, sort, texts).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "fuzz/mahjong_fuzz_app.h"
#include "mahjong/app/table_logic.h"
#include "mahjong/scene/table_scene.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3 || size > 64 * 1024) return 0;
    const int variant = data[0] & 7;
    const int players = 3 + (data[0] >> 3 & 1);
    const size_t split = std::min<size_t>(size - 2, data[1] * 16u);
    MahjongFuzzApp(variant);
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
