// Drives the mahjong application's notification handler with arbitrary
// sequences of notifications (each an id picked by one byte, a length and
// the payload), the game's own and the framework's, with clock steps in
// between. The application has no server: every request it would send
// fails at once.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "mahjong/app/client_app.h"

namespace {

constexpr uint32_t kIds[] = {201160, 211040, 211080, 221050, 221160, 221170, 221200, 229160,
                             229165, 229170, 229175, 229180, 229185, 229190, 229195, 229197,
                             229199, 229210, 229500, 400006, 400007, 211000, 211030, 0};

mahjong::CClientApp& App() {
    static std::unique_ptr<mahjong::CClientApp> app = [] {
        setenv("QEVO_HALL_DIR", "/nonexistent-qevo-fuzz", 1);
        setenv("QEVO_PROGRAM_DIR", "/nonexistent-qevo-fuzz/", 1);
        auto a = std::make_unique<mahjong::CClientApp>();
        a->SetUnattended(true);
        a->SetCommandLine("\"7|127.0.0.1|3|1|0|101|5|0|0\"");
        a->ParseLaunchLine();
        client::HallTableState state;
        for (int i = 0; i < 4; ++i) {
            client::PlayerRecord p;
            p.userId = 101 + uint32_t(i);
            p.chair = i;
            p.userName = "p";
            state.seated.push_back(p);
        }
        a->SetTableState(state);
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
    while (at + 3 <= size) {
        const uint32_t id = kIds[data[at] % (sizeof(kIds) / sizeof(kIds[0]))];
        const size_t length =
            std::min<size_t>(size - at - 3, size_t(data[at + 1]) << 4 | data[at + 2]);
        std::span<const uint8_t> payload(data + at + 3, length);
        at += 3 + length;
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
