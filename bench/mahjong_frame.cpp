// The mahjong table on the engine at 744 x 710, a round in the middle of
// play with all 144 tiles on the table (both hands' rows, melds, rivers,
// flowers and the wall): its frame with everything redrawn (goal 3 ms), the
// frame while one discard flies to the centre, redrawing what moved (goal
// 1 ms), each on one core as the engine's own frame benchmark measures it;
// then the process's CPU with the table shown through SDL2 under Xvfb for
// 10 s (QEVO_IDLE_SECONDS) and left alone (goal under 1% of a core).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <vector>

#include "bench/frame_figures.h"
#include "mahjong/scene/table_scene.h"
#include "platform/clock.h"
#include "platform/gui/painter.h"
#include "platform/gui/tests/xvfb_server.h"
#include "tools/table-gallery/table_gallery.h"

namespace {

using mahjong::CTableScene;
using table_gallery::Show;
using table_gallery::TableGallery;

// The round in play seen from chair 3, whose hand holds 16 standing tiles,
// on a 1024-pixel desktop (42-pixel own tiles).
struct BenchTable {
    BenchTable() : gallery(3, QEVO_ASSET_DIR) { gallery.Open(0, 0, Show::kInPlay); }
    // Throws the first standing tile of the own hand; false when none is left.
    bool Discard() {
        CTableScene& s = gallery.Scene();
        for (int32_t i = 0; i < s.HandTiles(); ++i) {
            const mahjong::MJStruct* r = s.GetMJStruct(mahjong::kAreaHand, 3, i);
            if (r->present && r->standing) return s.DiscardTile(i) == 1;
        }
        return false;
    }
    bool Flying() {
        CTableScene& s = gallery.Scene();
        return s.GetEntity(s.SpareTileEntity())->IsVisible();
    }

    TableGallery gallery;
};

// The desktop the table is laid out for; the engine's own clock.
struct BenchWorld {
    BenchWorld() {
        platform::SetDisplay(
            std::make_shared<platform::HeadlessDisplay>(platform::SIZE{1024, 768}));
    }
    ~BenchWorld() { platform::SetDisplay(nullptr); }
    platform::ManualClock clock{int64_t(3000000) * 1000};
    platform::ScopedClock scoped{clock};
};

void BM_TableFrameFullRedraw(benchmark::State& state) {
    BenchWorld world;
    BenchTable table;
    CTableScene& scene = table.gallery.Scene();
    scene.ExecCommand("/invalidate fullscreen");
    platform::Surface window(744, 710);
    std::vector<double> micros;
    int drawn = 0;
    for (auto _ : state)
        micros.push_back(bench::TimedFrame(scene, world.clock, window, &drawn));
    state.counters["drawn_frames"] = drawn;
    bench::ReportFrameMicros(state, micros, 3000.0);
}
BENCHMARK(BM_TableFrameFullRedraw)->Iterations(200);

void BM_TableFrameDiscardFlying(benchmark::State& state) {
    BenchWorld world;
    auto table = std::make_unique<BenchTable>();
    platform::Surface window(744, 710);
    std::vector<double> micros;
    int drawn = 0, flights = 0;
    for (auto _ : state) {
        if (!table->Flying()) {
            // Between flights (not measured): the landing's frames, and a
            // new table once the hand is thrown away.
            state.PauseTiming();
            for (int i = 0; i < 5; ++i)
                bench::TimedFrame(table->gallery.Scene(), world.clock, window);
            if (!table->Discard()) {
                table.reset();
                table = std::make_unique<BenchTable>();
                bench::TimedFrame(table->gallery.Scene(), world.clock, window);
                table->Discard();
            }
            ++flights;
            state.ResumeTiming();
        }
        micros.push_back(bench::TimedFrame(table->gallery.Scene(), world.clock, window, &drawn));
    }
    state.counters["drawn_frames"] = drawn;
    state.counters["flights"] = flights;
    bench::ReportFrameMicros(state, micros, 1000.0);
}
BENCHMARK(BM_TableFrameDiscardFlying)->Iterations(500);

void BM_TableShownAtRest(benchmark::State& state) {
    bench::MeasureShownProgram(state, "1024x768x24", []() -> std::unique_ptr<TableGallery> {
        auto gallery = std::make_unique<TableGallery>(3, QEVO_ASSET_DIR);
        return gallery->Open(0, 0, Show::kInPlay) ? std::move(gallery) : nullptr;
    });
}
BENCHMARK(BM_TableShownAtRest)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
