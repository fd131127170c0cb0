// A paint pass of a window with controls on the headless display: what a
// full repaint costs before any presenting.

#include <benchmark/benchmark.h>

#include <memory>

#include "platform/gui/tests/demo_window.h"

namespace {

void BM_RepaintDemoWindow(benchmark::State& state) {
    platform::SetDisplay(std::make_shared<platform::HeadlessDisplay>());
    platform::testing_support::DemoWindow demo;
    demo.Make(platform::WS_POPUP | platform::WS_VISIBLE);
    for (auto _ : state) {
        demo.RedrawWindow(nullptr, nullptr,
                          platform::RDW_INVALIDATE | platform::RDW_ERASE | platform::RDW_UPDATENOW);
    }
}
BENCHMARK(BM_RepaintDemoWindow);

void BM_FillFullWindow(benchmark::State& state) {
    platform::Surface surface(1280, 800);
    platform::Painter painter(surface);
    for (auto _ : state) {
        painter.FillSolidRect(surface.Bounds(), platform::RGB(0, 120, 60));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(surface.ByteSize()));
}
BENCHMARK(BM_FillFullWindow);

}  // namespace

BENCHMARK_MAIN();
