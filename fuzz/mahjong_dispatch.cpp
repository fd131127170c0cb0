// Drives the mahjong application's notification handler with arbitrary
// sequences of notifications (each an id picked by one byte, a length and
// the payload), the game's own and the framework's, with clock steps in
// between. The application has no server: every request it would send
// fails at once.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "fuzz/mahjong_fuzz_app.h"
#include "mahjong/app/client_app.h"

namespace {

constexpr uint32_t kIds[] = {201160, 211040, 211080, 221050, 221160, 221170, 221200, 229160,
                             229165, 229170, 229175, 229180, 229185, 229190, 229195, 229197,
                             229199, 229210, 229500, 400006, 400007, 211000, 211030, 0};

mahjong::CClientApp& App() {
    static std::unique_ptr<mahjong::CClientApp> app = [] {
        MahjongFuzzEnvironment();
        auto a = std::make_unique<mahjong::CClientApp>();
        a->SetUnattended(true);
        a->SetCommandLine("\"7|127.0.0.1|3|1|0|101|5|0|0\"");
        a->ParseLaunchLine();
        a->SetTableState(MahjongFuzzTable());
        a->SetSharedWord1(4);
        a->SetSharedWord2(4);
        return a;
    }();
    return *app;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 64 * 1024) return 0;
    mahjong::CClientApp& app = App();
    mahjong::CTableScene& scene = *app.GetTableScene();
    size_t at = 0;
    uint32_t id = 0;
    std::span<const uint8_t> payload;
    while (NextMahjongRecord({data, size}, at, kIds, id, payload)) {
        if (id == 0) {
            // The engine's part: the deal ended, the clock run down a step.
            scene.FinishDeal();
            scene.OnTimer(scene.ClockTimerId());
            scene.OnTimer(mahjong::kTimerFlowerCheck);
            continue;
        }
        app.GetNotifyHandler()->Dispatch(id, payload);
    }
    return 0;
}
