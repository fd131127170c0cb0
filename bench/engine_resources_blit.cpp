// The blitters against memcpy of the same bytes, and the rich-text renderer's
// glyph rate. The table's back buffer is 744 x 710.

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/resources/blit.h"
#include "engine/resources/font_store.h"
#include "platform/bytes.h"

namespace {

using namespace engine;

constexpr int32_t kW = 744, kH = 710;

struct Fixture {
    std::vector<uint8_t> image, surface;
    BlitSource source;
    explicit Fixture(uint32_t flags) : image(size_t(kW) * kH * 4), surface(image.size()) {
        for (size_t i = 0; i < image.size(); i += 4) {
            const uint32_t n = uint32_t(i / 4);
            uint32_t px = 0xFF000000u | (n * 2654435761u >> 8);
            if (flags & 1 && n % 7 == 0) px = 0;                    // keyed
            if (flags & 8) px = (px & 0xFFFFFF) | (n % 256) << 24;  // alpha ramp
            platform::StoreLE32(&image[i], px);
        }
        std::memset(surface.data(), 0x80, surface.size());
        source.pixels = image.data();
        source.byteSize = image.size();
        source.width = kW;
        source.height = kH;
        source.flags = flags;
    }
    void Blit(double opacity, uint32_t drawFlags = 0, double angle = 0.0) {
        BlitPlacement p;
        p.drawX = (kW + 1) / 2, p.drawY = (kH + 1) / 2, p.width = kW, p.height = kH;
        p.flags = drawFlags;
        p.angle = angle;
        BlitImage({surface.data(), kW, kH}, p, source, 0, 0, kW, kH, opacity, kNoBlendColor);
    }
};

void Report(benchmark::State& state, size_t bytes) {
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
    state.counters["Mpx/s"] =
        benchmark::Counter(double(state.iterations()) * kW * kH / 1e6, benchmark::Counter::kIsRate);
}

void BM_Memcpy(benchmark::State& state) {
    Fixture f(0);
    for (auto _ : state) {
        std::memcpy(f.surface.data(), f.image.data(), f.image.size());
        benchmark::ClobberMemory();
    }
    Report(state, f.image.size());
}
BENCHMARK(BM_Memcpy);

void BM_RowCopy(benchmark::State& state) {
    Fixture f(0);
    for (auto _ : state) {
        f.Blit(1.0);
        benchmark::ClobberMemory();
    }
    Report(state, f.image.size());
}
BENCHMARK(BM_RowCopy);

void BM_Keyed(benchmark::State& state) {
    Fixture f(1);
    for (auto _ : state) {
        f.Blit(1.0);
        benchmark::ClobberMemory();
    }
    Report(state, f.image.size());
}
BENCHMARK(BM_Keyed);

void BM_KeyedHalfOpacity(benchmark::State& state) {
    Fixture f(1);
    for (auto _ : state) {
        f.Blit(0.5);
        benchmark::ClobberMemory();
    }
    Report(state, f.image.size());
}
BENCHMARK(BM_KeyedHalfOpacity);

void BM_Alpha(benchmark::State& state) {
    Fixture f(8);
    for (auto _ : state) {
        f.Blit(1.0);
        benchmark::ClobberMemory();
    }
    Report(state, f.image.size());
}
BENCHMARK(BM_Alpha);

void BM_RotateNearest(benchmark::State& state) {
    Fixture f(1);
    for (auto _ : state) {
        f.Blit(1.0, 0, 30.0);
        benchmark::ClobberMemory();
    }
    Report(state, f.image.size());
}
BENCHMARK(BM_RotateNearest);

void BM_RotateSmooth(benchmark::State& state) {
    Fixture f(8);
    for (auto _ : state) {
        f.Blit(1.0, kBlitSmooth, 30.0);
        benchmark::ClobberMemory();
    }
    Report(state, f.image.size());
}
BENCHMARK(BM_RotateSmooth);

// GBK text at 16 pixels through the platform's fonts, glyphs per second.
void BM_Glyphs16(benchmark::State& state) {
    FontStore store;
    store.Create();
    store.SetFont(16, 400, "宋体", false, false);
    store.state().wrap = 1;
    std::string text;
    for (int i = 0; i < 20; ++i)
        text += "东南西北中发白一二三四五六七八九万条筒";
    constexpr int32_t kBoxW = 640, kBoxH = 480;
    std::vector<uint8_t> box(size_t(kBoxW) * kBoxH * 4);
    for (auto _ : state) {
        store.DrawText(box.data(), kBoxW, kBoxH, 0, 0, text);
        benchmark::ClobberMemory();
    }
    state.counters["glyphs/s"] = benchmark::Counter(
        double(state.iterations()) * double(text.size() / 2), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Glyphs16);

}  // namespace

BENCHMARK_MAIN();
