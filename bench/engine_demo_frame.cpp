// The engine demo's scene (744 x 710: cloth, 15 tiles, an animated disc,
// sparks, four buttons, a script's plane, a walking and fading tile): its
// frame with everything redrawn (goal 3 ms) and as it runs, redrawing what
// moved (goal 1 ms), measured as the runtime's own frame benchmark measures
// it; then the process's CPU with the demo's window shown through SDL2 under
// Xvfb for 10 s (QEVO_IDLE_SECONDS), the scene at rest (goal under 1% of a
// core) and, for reference, moving.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <vector>

#include "platform/clock.h"
#include "platform/gui/painter.h"
#include "platform/gui/tests/xvfb_server.h"
#include "tools/engine-demo/demo_app.h"
#include "tools/engine-demo/demo_assets.h"

namespace {

using engine_demo::DemoApp;

void RunFrames(benchmark::State& state, bool full, double goalMicros) {
    platform::ManualClock clock(int64_t(3000000) * 1000);
    platform::ScopedClock scoped(clock);
    platform::SetDisplay(std::make_shared<platform::HeadlessDisplay>());
    {
        DemoApp app([](const std::string&) {});
        if (!app.Open(0, 0)) {
            state.SkipWithError("the demo did not open");
            return;
        }
        engine_demo::DemoScene& scene = app.Scene();
        if (full) scene.ExecCommand("/invalidate fullscreen");
        platform::Surface window(engine_demo::kWidth, engine_demo::kHeight);
        std::vector<double> micros;
        for (auto _ : state) {
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
            micros.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
        }
        std::sort(micros.begin(), micros.end());
        if (!micros.empty()) {
            const double median = micros[micros.size() / 2];
            state.counters["median_us"] = median;
            state.counters["p99_us"] =
                micros[std::min(micros.size() - 1, micros.size() * 99 / 100)];
            state.counters["of_goal"] = median / goalMicros;
        }
    }
    platform::SetDisplay(nullptr);
}

void BM_DemoFrameFullRedraw(benchmark::State& state) {
    RunFrames(state, true, 3000.0);
}
BENCHMARK(BM_DemoFrameFullRedraw)->Iterations(200);

void BM_DemoFrameAsItRuns(benchmark::State& state) {
    RunFrames(state, false, 1000.0);
}
BENCHMARK(BM_DemoFrameAsItRuns)->Iterations(500);

double ProcessCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void RunShown(benchmark::State& state, bool still) {
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
            DemoApp app([](const std::string&) {}, still);
            if (!app.Open(0, 0)) {
                state.SkipWithError("the demo did not open");
                break;
            }
            app.Pump();  // settle: the first frames and the window's first paint
            const double cpu0 = ProcessCpuSeconds();
            const auto start = std::chrono::steady_clock::now();
            app.Run(int(seconds));
            const double wall =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            const double share = (ProcessCpuSeconds() - cpu0) / wall;
            state.counters["cpu_%"] = share * 100.0;
            state.counters["of_goal"] = share / 0.01;
        }
        platform::SetDisplay(nullptr);
    }
}

void BM_DemoShownAtRest(benchmark::State& state) {
    RunShown(state, true);
}
BENCHMARK(BM_DemoShownAtRest)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

void BM_DemoShownMoving(benchmark::State& state) {
    RunShown(state, false);
}
BENCHMARK(BM_DemoShownMoving)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
