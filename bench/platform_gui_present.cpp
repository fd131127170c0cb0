// Presenting window pixels through the SDL2 back end under a private Xvfb:
// a full 1280x800 repaint and a small dirty rectangle, each against a plain
// memcpy of the same pixels. Present costs the caller a copy; the ...Shown
// variants also wait until the X server shows the pixels (Flush).

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

#include "platform/gui/display.h"
#include "platform/gui/painter.h"
#include "platform/gui/tests/xvfb_server.h"

namespace {

using platform::Surface;

constexpr int kWidth = 1280;
constexpr int kHeight = 800;

struct Fixture {
    platform::testing_support::XvfbServer server{"1280x1024x24"};
    std::unique_ptr<platform::Display> display;
    Surface pixels{kWidth, kHeight};

    Fixture() {
        if (!server.Running()) return;
        display = platform::OpenSdlDisplay();
        if (!display) return;
        display->CreateWindow(1, {0, 0, kWidth, kHeight}, "bench", true);
        display->ShowWindow(1, true);
        platform::Painter painter(pixels);
        painter.GradientFill(pixels.Bounds(), platform::RGB(0, 40, 0), platform::RGB(0, 160, 60),
                             platform::GRADIENT_FILL_RECT_V);
    }
};

Fixture& Shared() {
    static Fixture fixture;
    return fixture;
}

const platform::RECT kDirty{600, 380, 600 + 64, 380 + 48};

void Present(benchmark::State& state, const platform::RECT& dirty, bool shown) {
    Fixture& f = Shared();
    if (!f.display) {
        state.SkipWithError("no X server");
        return;
    }
    for (auto _ : state) {
        f.display->Present(1, f.pixels, dirty);
        if (shown) f.display->Flush();
    }
    f.display->Flush();
    const platform::RECT r = platform::IntersectRect(dirty, f.pixels.Bounds());
    state.SetBytesProcessed(int64_t(state.iterations()) * r.Width() * r.Height() * 4);
    state.counters["fps"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_PresentFullWindow(benchmark::State& state) {
    Present(state, Shared().pixels.Bounds(), false);
}
void BM_PresentDirtyRect(benchmark::State& state) {
    Present(state, kDirty, false);
}
void BM_PresentFullWindowShown(benchmark::State& state) {
    Present(state, Shared().pixels.Bounds(), true);
}
void BM_PresentDirtyRectShown(benchmark::State& state) {
    Present(state, kDirty, true);
}
BENCHMARK(BM_PresentFullWindow)->UseRealTime();
BENCHMARK(BM_PresentDirtyRect)->UseRealTime();
BENCHMARK(BM_PresentFullWindowShown)->UseRealTime();
BENCHMARK(BM_PresentDirtyRectShown)->UseRealTime();

void BM_MemcpyFullWindow(benchmark::State& state) {
    Surface source(kWidth, kHeight), target(kWidth, kHeight);
    for (auto _ : state) {
        std::memcpy(target.Data(), source.Data(), source.ByteSize());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(source.ByteSize()));
}
BENCHMARK(BM_MemcpyFullWindow);

void BM_MemcpyDirtyRect(benchmark::State& state) {
    Surface source(kWidth, kHeight), target(kWidth, kHeight);
    for (auto _ : state) {
        for (int y = kDirty.top; y < kDirty.bottom; ++y) {
            std::memcpy(target.Row(y) + kDirty.left, source.Row(y) + kDirty.left,
                        size_t(kDirty.Width()) * 4);
        }
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_MemcpyDirtyRect);

}  // namespace

BENCHMARK_MAIN();
