// Glyph look-up: the cached path the renderers use on every character,
// and a first rasterisation.

#include <benchmark/benchmark.h>

#include "platform/font/font.h"

namespace {

const char kText[] = "东南西北中发白 一万二万三万 chat text 麻将 牌局开始，请出牌。";

void BM_CachedGlyphLookup(benchmark::State& state) {
    auto font = platform::Font::Open({.face = "宋体", .height = -12});
    font->MeasureText(kText);
    for (auto _ : state)
        benchmark::DoNotOptimize(font->MeasureText(kText));
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(sizeof kText - 1));
}
BENCHMARK(BM_CachedGlyphLookup);

void BM_RasteriseFreshFont(benchmark::State& state) {
    int size = 10;
    for (auto _ : state) {
        // A new size each time: every glyph is rendered anew.
        auto font = platform::Font::Open({.face = "宋体", .height = -(10 + size++ % 200)});
        benchmark::DoNotOptimize(font->MeasureText("麻将牌局"));
    }
}
BENCHMARK(BM_RasteriseFreshFont);

}  // namespace

BENCHMARK_MAIN();
