// DrawText with word breaks and ellipsis on a window-sized surface.

#include <benchmark/benchmark.h>

#include "platform/gui/painter.h"

namespace {

const char kText[] = "东南西北中发白 一万二万三万 chat text 麻将 牌局开始，请出牌。";

void BM_DrawTextWordBreak(benchmark::State& state) {
    platform::Surface surface(400, 200);
    platform::Painter painter(surface);
    painter.SetBkMode(platform::TRANSPARENT);
    for (auto _ : state) {
        platform::RECT r{0, 0, 160, 200};
        painter.DrawText(kText, r, platform::DT_WORDBREAK);
    }
}
BENCHMARK(BM_DrawTextWordBreak);

void BM_DrawTextEllipsis(benchmark::State& state) {
    platform::Surface surface(400, 40);
    platform::Painter painter(surface);
    for (auto _ : state) {
        platform::RECT r{0, 0, 120, 20};
        painter.DrawText(kText, r, platform::DT_SINGLELINE | platform::DT_END_ELLIPSIS);
    }
}
BENCHMARK(BM_DrawTextEllipsis);

}  // namespace

BENCHMARK_MAIN();
