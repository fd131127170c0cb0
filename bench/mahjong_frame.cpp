// The mahjong table on the engine at 744 x 710, a round in the middle of
// play with all 144 tiles on the table (both hands' rows, melds, rivers,
// flowers and the wall): its frame with everything redrawn (goal 3 ms), the
// frame while one discard flies to the centre, redrawing what moved (goal
// 1 ms), each on one core as the engine's own frame benchmark measures it;
// then the process's CPU with the table shown through SDL2 under Xvfb for
// 10 s (QEVO_IDLE_SECONDS) and left alone (goal under 1% of a core).

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <vector>

#include "mahjong/tests/engine_table.h"
#include "platform/clock.h"
#include "platform/gui/painter.h"
#include "platform/gui/tests/xvfb_server.h"

namespace {

using mahjong::CTableScene;

// The server takes every discard: the flight plays without a connection.
class AcceptingScene : public CTableScene {
  public:
    using CTableScene::CTableScene;
    uint32_t RequestDiscardGetCode(int32_t) override { return mahjong::kReplyOk; }
};

// The scripted round seen from chair 3, whose hand holds 16 standing tiles.
struct BenchTable {
    BenchTable() : app(mahjong::testing::SeatApp(kOwn)), scene(&logic) {
        mahjong::testing::LinkAssets(dir.path());
        setenv("QEVO_PROGRAM_DIR", dir.path().c_str(), 1);
        logic.SetLayoutWord(1, 4);
        scene.SetPlayerCount(4);
        scene.SetWallPlayerCount(4);
        scene.InitScreen(744, 710);
        scene.LoadSettings();
        scene.CreateTileEntities();
        Deal();
    }
    ~BenchTable() { unsetenv("QEVO_PROGRAM_DIR"); }
    void Deal() {
        mahjong::testing::WriteScriptedRound(logic, kOwn);
        scene.StartRoundDisplay();
        scene.RefreshEntities(100);
    }
    // Throws the first standing tile of the own hand; false when none is left.
    bool Discard() {
        for (int32_t i = 0; i < scene.HandTiles(); ++i) {
            const mahjong::MJStruct* r = scene.GetMJStruct(mahjong::kAreaHand, 3, i);
            if (r->present && r->standing) return scene.DiscardTile(i) == 1;
        }
        return false;
    }
    bool Flying() { return scene.GetEntity(scene.SpareTileEntity())->IsVisible(); }

    static constexpr int kOwn = 3;
    platform::testing::TempDir dir;
    std::unique_ptr<mahjong::testing::RecordingApp> app;
    mahjong::CTableLogic logic;
    AcceptingScene scene;
};

void Report(benchmark::State& state, std::vector<double>& micros, double goalMicros) {
    if (micros.empty()) return;
    std::sort(micros.begin(), micros.end());
    const double median = micros[micros.size() / 2];
    state.counters["median_us"] = median;
    state.counters["p99_us"] = micros[std::min(micros.size() - 1, micros.size() * 99 / 100)];
    state.counters["of_goal"] = median / goalMicros;
}

// One frame of the engine and the painting of what it reported changed.
double TimedFrame(CTableScene& scene, platform::ManualClock& clock, platform::Surface& window) {
    clock.AdvanceMillis(30);
    const auto t0 = std::chrono::steady_clock::now();
    if (scene.Frame()) {
        platform::Painter painter(window);
        for (const engine::Rect& r : scene.DirtyRects()) {
            painter.ResetClip();
            painter.IntersectClipRect({r.left, r.top, r.right, r.bottom});
            scene.Paint(painter);
        }
    }
    const auto t1 = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::micro>(t1 - t0).count();
}

void BM_TableFrameFullRedraw(benchmark::State& state) {
    platform::ManualClock clock(int64_t(3000000) * 1000);
    platform::ScopedClock scoped(clock);
    BenchTable table;
    table.scene.ExecCommand("/invalidate fullscreen");
    platform::Surface window(744, 710);
    std::vector<double> micros;
    for (auto _ : state)
        micros.push_back(TimedFrame(table.scene, clock, window));
    Report(state, micros, 3000.0);
}
BENCHMARK(BM_TableFrameFullRedraw)->Iterations(200);

void BM_TableFrameDiscardFlying(benchmark::State& state) {
    platform::ManualClock clock(int64_t(3000000) * 1000);
    platform::ScopedClock scoped(clock);
    BenchTable table;
    table.scene.ExecCommand("/invalidate need");
    platform::Surface window(744, 710);
    std::vector<double> micros;
    for (auto _ : state) {
        if (!table.Flying()) {
            // Between flights (not measured): the landing's frames, and a
            // new round once the hand is thrown away.
            state.PauseTiming();
            for (int i = 0; i < 5; ++i)
                TimedFrame(table.scene, clock, window);
            if (!table.Discard()) {
                table.Deal();
                TimedFrame(table.scene, clock, window);
                table.Discard();
            }
            state.ResumeTiming();
        }
        micros.push_back(TimedFrame(table.scene, clock, window));
    }
    Report(state, micros, 1000.0);
}
BENCHMARK(BM_TableFrameDiscardFlying)->Iterations(500);

double ProcessCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void BM_TableShownAtRest(benchmark::State& state) {
    platform::testing_support::XvfbServer server;
    if (!server.Running()) {
        state.SkipWithError("Xvfb is not available");
        return;
    }
    const char* env = std::getenv("QEVO_IDLE_SECONDS");
    const double seconds = env ? std::atof(env) : 10.0;
    for (auto _ : state) {
        std::shared_ptr<platform::Display> sdl = platform::OpenSdlDisplay();
        if (!sdl) {
            state.SkipWithError("SDL2 did not open the display");
            return;
        }
        platform::SetDisplay(sdl);
        {
            BenchTable table;
            mahjong::testing::ShownTable shown(table.scene);
            if (!shown.Ok()) {
                state.SkipWithError("the table's window did not open");
                break;
            }
            table.Deal();
            shown.Pump();  // settle: the first frames and the window's first paint
            const double cpu0 = ProcessCpuSeconds();
            const auto start = std::chrono::steady_clock::now();
            platform::SetTimer({}, 0, uint32_t(seconds * 1000),
                               [](platform::HWND, platform::UINT, platform::UINT_PTR,
                                  platform::DWORD) { platform::PostQuitMessage(0); });
            platform::Message msg;
            while (platform::GetMessage(msg) > 0)
                platform::DispatchMessage(msg);
            const double wall =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            const double share = (ProcessCpuSeconds() - cpu0) / wall;
            state.counters["cpu_%"] = share * 100.0;
            state.counters["of_goal"] = share / 0.01;
        }
        platform::SetDisplay(nullptr);
    }
}
BENCHMARK(BM_TableShownAtRest)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
