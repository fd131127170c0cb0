// The engine's frame at the table's size, 744 x 710, with a cached table
// cloth and 150 tile pictures of 40 x 60: a full redraw (goal 3 ms), an
// incremental frame in which 4 tiles move (goal 1 ms), and the engine idle
// with that scene for 10 s under a real message loop with the host's frame
// and tick timers (goal: under 1% of a core). The figures are reported as
// ratios of their goals.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/frame_figures.h"
#include "engine/game_engine.h"
#include "engine/image_entity.h"
#include "engine/resources/resource_manager.h"
#include "platform/clock.h"
#include "platform/gui/painter.h"
#include "platform/message_queue.h"
#include "platform/window.h"

namespace {

using namespace engine;

constexpr int32_t kW = 744, kH = 710;

// The pictures, written once into a folder of their own.
std::string PictureFolder() {
    static const std::string folder = [] {
        const auto dir = std::filesystem::temp_directory_path() / "qevo-bench-engine-frame";
        std::filesystem::create_directories(dir);
        platform::Surface cloth(kW, kH);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                cloth.Set(x, y, 0xFF204010 + uint32_t((x / 8 + y / 8) % 2) * 0x0800);
        cloth.SavePng((dir / "cloth.png").string());
        platform::Surface tile(40, 60);
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 40; ++x)
                tile.Set(x, y, (x < 2 || y < 2) ? 0xFFFF00FF : 0xFFF0E8D0 - uint32_t(y) * 0x010101);
        tile.SavePng((dir / "tile.png").string());
        return dir.string() + "/";
    }();
    return folder;
}

struct Scene {
    ResourceManager resources;
    GameEngine engine{resources};
    std::vector<ImageEntity*> tiles;
    std::mt19937 rng{7};

    Scene() {
        resources.SetRoot(PictureFolder());
        engine.BeginSystem();
        const uint32_t cloth = engine.LoadImageFile("cloth.png", 1, "cloth", 0xFF00FF, true);
        const uint32_t tile = engine.LoadImageFile("tile.png", 1, "tile", 0xFF00FF, true);
        engine.InitScreen(kW, kH);
        engine.Screen().CreateFromImage(cloth, 0, 0, kW, kH, 1);
        for (int i = 0; i < 150; ++i) {
            ImageEntity* e = engine.CreateImageEntity(2, 30 + (i % 17) * 42, 50 + (i / 17) * 70,
                                                      tile, 0, 0, 0, 0, kNoBlendColor);
            e->SetDepth(i);
            engine.ShowEntity(e, true);
            tiles.push_back(e);
        }
    }
    ~Scene() { engine.EndSystem(); }

    void MoveFour() {
        std::uniform_int_distribution<size_t> pick(0, tiles.size() - 1);
        std::uniform_int_distribution<int> delta(-6, 6);
        for (int k = 0; k < 4; ++k) {
            ImageEntity* e = tiles[pick(rng)];
            e->MoveTo(std::clamp(e->GetX() + delta(rng), 20, kW - 20),
                      std::clamp(e->GetY() + delta(rng), 30, kH - 30));
            e->Update();
        }
    }
};

// One frame each frame period of a test clock: the engine's whole frame
// step and the paint of what it reports changed.
void RunFrames(benchmark::State& state, bool full, double goalMicros) {
    platform::ManualClock clock(1000000);
    platform::ScopedClock scoped(clock);
    Scene scene;
    if (full) scene.engine.ExecCommand("/invalidate fullscreen");
    platform::Surface window(kW, kH);
    std::vector<double> micros;
    for (auto _ : state) {
        if (!full) scene.MoveFour();
        micros.push_back(bench::TimedFrame(scene.engine, clock, window));
    }
    bench::ReportFrameMicros(state, micros, goalMicros);
}

void BM_EngineFrameFullRedraw(benchmark::State& state) {
    RunFrames(state, true, 3000.0);
}
BENCHMARK(BM_EngineFrameFullRedraw)->Iterations(200);

void BM_EngineFrameFourTilesMove(benchmark::State& state) {
    RunFrames(state, false, 1000.0);
}
BENCHMARK(BM_EngineFrameFourTilesMove)->Iterations(500);

// A host window the way the hosting view drives the engine: a frame timer
// of the frame period, a tick timer of 100 ms and one posted message when
// the engine's queue needs a pump.
class IdleHost : public platform::Window, public EngineHost {
  public:
    static constexpr platform::UINT kWork = platform::WM_USER + 1;
    explicit IdleHost(GameEngine& engine) : engine_(engine) {}
    void RequestPump() override { platform::PostMessage(Handle(), kWork); }
    int wakeUps = 0;

  protected:
    platform::LRESULT WindowProc(platform::Message& msg) override {
        ++wakeUps;
        if (msg.message == platform::WM_TIMER && msg.wParam == 1) {
            if (engine_.Frame()) {
                platform::Painter painter(window_);
                engine_.Paint(painter);
            }
        } else if (msg.message == platform::WM_TIMER && msg.wParam == 2) {
            engine_.Tick();
        } else if (msg.message == kWork) {
            engine_.PumpMessages();
        }
        return platform::Window::WindowProc(msg);
    }

  private:
    GameEngine& engine_;
    platform::Surface window_{kW, kH};
};

void BM_EngineIdleTenSeconds(benchmark::State& state) {
    const char* env = std::getenv("QEVO_IDLE_SECONDS");
    const double seconds = env ? std::atof(env) : 10.0;
    for (auto _ : state) {
        Scene scene;
        IdleHost host(scene.engine);
        host.Create();
        scene.engine.SetHost(&host);
        platform::SetTimer(host.Handle(), 1, scene.engine.GetWorld().GetClockStep());
        platform::SetTimer(host.Handle(), 2, 100);
        const double cpu0 = bench::CpuSeconds(RUSAGE_THREAD);
        const auto start = std::chrono::steady_clock::now();
        const auto end = start + std::chrono::duration<double>(seconds);
        platform::Message msg;
        while (std::chrono::steady_clock::now() < end && platform::GetMessage(msg) > 0)
            platform::DispatchMessage(msg);
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const double cpuShare = (bench::CpuSeconds(RUSAGE_THREAD) - cpu0) / wall;
        scene.engine.SetHost(nullptr);
        host.Destroy();
        state.counters["wakeups_per_s"] = host.wakeUps / wall;
        bench::ReportCpuShare(state, cpuShare);
    }
}
BENCHMARK(BM_EngineIdleTenSeconds)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
