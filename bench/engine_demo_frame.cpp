// The engine demo's scene (744 x 710: cloth, 15 tiles, an animated disc,
// sparks, four buttons, a script's plane, a walking and fading tile): its
// frame with everything redrawn (goal 3 ms) and as it runs, redrawing what
// moved (goal 1 ms), measured as the runtime's own frame benchmark measures
// it; then the process's CPU with the demo's window shown through SDL2 under
// Xvfb for 10 s (QEVO_IDLE_SECONDS), the scene at rest (goal under 1% of a
// core) and, for reference, moving.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <vector>

#include "bench/frame_figures.h"
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
        for (auto _ : state)
            micros.push_back(bench::TimedFrame(scene, clock, window));
        bench::ReportFrameMicros(state, micros, goalMicros);
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

void RunShown(benchmark::State& state, bool still) {
    bench::MeasureShownProgram(state, "1280x1024x24", [still]() -> std::unique_ptr<DemoApp> {
        auto app = std::make_unique<DemoApp>([](const std::string&) {}, still);
        return app->Open(0, 0) ? std::move(app) : nullptr;
    });
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
