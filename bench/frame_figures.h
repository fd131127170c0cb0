#pragma once
// The figures the frame and idle benchmarks report, as ratios to their
// goals: a frame's median and 99th-percentile cost, the CPU share at rest.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <vector>

#include "engine/game_engine.h"
#include "platform/clock.h"
#include "platform/gui/display.h"
#include "platform/gui/painter.h"
#include "platform/gui/tests/xvfb_server.h"
#include "platform/gui/wnd.h"

namespace bench {

// One frame as the engine's host runs it: the clock moves on by the frame
// period (so that every call is a frame), the frame step, and the paint of
// what it reported changed into `window`. The microseconds it took; *drawn
// counts the frames that changed the screen.
inline double TimedFrame(engine::GameEngine& engine, platform::ManualClock& clock,
                         platform::Surface& window, int* drawn = nullptr) {
    clock.AdvanceMillis(engine.GetWorld().GetClockStep());
    const auto t0 = std::chrono::steady_clock::now();
    if (engine.Frame()) {
        if (drawn) ++*drawn;
        platform::Painter painter(window);
        for (const engine::Rect& r : engine.DirtyRects()) {
            painter.ResetClip();
            painter.IntersectClipRect({r.left, r.top, r.right, r.bottom});
            engine.Paint(painter);
        }
    }
    const auto t1 = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::micro>(t1 - t0).count();
}

// median_us, p99_us and of_goal (the median over `goalMicros`).
inline void ReportFrameMicros(benchmark::State& state, std::vector<double>& micros,
                              double goalMicros) {
    if (micros.empty()) return;
    std::sort(micros.begin(), micros.end());
    const double median = micros[micros.size() / 2];
    state.counters["median_us"] = median;
    state.counters["p99_us"] = micros[std::min(micros.size() - 1, micros.size() * 99 / 100)];
    state.counters["of_goal"] = median / goalMicros;
}

// CPU seconds used by every thread of the process (RUSAGE_SELF) or by the
// calling one (RUSAGE_THREAD).
inline double CpuSeconds(int who = RUSAGE_SELF) {
    rusage usage{};
    getrusage(who, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// cpu_% and of_goal (the share of one core over the goal of 1%).
inline void ReportCpuShare(benchmark::State& state, double share) {
    state.counters["cpu_%"] = share * 100.0;
    state.counters["of_goal"] = share / 0.01;
}

// The CPU share of a program whose window is shown through SDL2 under a
// private Xvfb (`geometry`) while its message loop runs QEVO_IDLE_SECONDS
// (default 10). `open` returns the program with its window open, or null;
// the program offers Pump() and Run(seconds).
template <typename Open>
void MeasureShownProgram(benchmark::State& state, const char* geometry, Open open) {
    platform::testing_support::XvfbServer server(geometry);
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
            auto program = open();
            if (!program) {
                state.SkipWithError("the program's window did not open");
                break;
            }
            program->Pump();  // settle: the first frames and the window's first paint
            const double cpu0 = CpuSeconds();
            const auto start = std::chrono::steady_clock::now();
            program->Run(int(seconds));
            const double wall =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            ReportCpuShare(state, (CpuSeconds() - cpu0) / wall);
        }
        platform::SetDisplay(nullptr);
    }
}

}  // namespace bench
