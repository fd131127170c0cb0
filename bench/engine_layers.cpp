// The layer's per-frame work on scenes of the table's size and larger:
// re-placing moved items, merging dirty rectangles, choosing what to redraw
// and hit-testing the mouse.

#include <benchmark/benchmark.h>

#include <deque>
#include <random>
#include <vector>

#include "engine/entity_payload.h"
#include "engine/screen_layer.h"

namespace {

using namespace engine;

constexpr int32_t kWidth = 744;
constexpr int32_t kHeight = 710;

LayerView TableView() {
    LayerView v;
    v.halfWidth = kWidth / 2;
    v.halfHeight = kHeight / 2;
    v.centreX = kWidth / 2;
    v.centreY = kHeight / 2;
    v.screenWidth = kWidth;
    v.screenHeight = kHeight;
    return v;
}

struct Scene {
    explicit Scene(int items) : kind(kKindImage) {
        layer.SetView(TableView());
        std::mt19937 rng(42);
        std::uniform_int_distribution<int> x(0, kWidth), y(0, kHeight), depth(0, 50);
        for (int i = 0; i < items; ++i) {
            DrawRecord r;
            r.x = x(rng);
            r.y = y(rng);
            r.width = 36;  // a tile
            r.height = 54;
            r.depth = depth(rng);
            records.push_back(r);
            ids.push_back(layer.AddItem(uint32_t(i + 1), &records.back(), 1.0, 1, &kind));
            layer.SetHitTest(ids.back(), 1);
        }
        std::vector<Rect> drain;
        layer.CollectDirtyRects(drain);
    }
    ScreenLayer layer;
    EntityPayload kind;
    std::deque<DrawRecord> records;
    std::vector<uint32_t> ids;
};

// A frame in which a tenth of the items moved a little.
void BM_FrameWithMovedItems(benchmark::State& state) {
    Scene scene(int(state.range(0)));
    std::vector<Rect> rects;
    int step = 0;
    for (auto _ : state) {
        for (size_t i = 0; i < scene.ids.size(); i += 10) {
            DrawRecord& r = scene.records[i];
            r.x += (step & 1) ? 3 : -3;
            scene.layer.UpdateItem(scene.ids[i], kItemShow, 1.0, r);
        }
        rects.clear();
        scene.layer.CollectDirtyRects(rects);
        scene.layer.SelectRedraw(rects);
        benchmark::DoNotOptimize(scene.layer.Selection().size());
        scene.layer.ClearSelection();
        ++step;
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_FrameWithMovedItems)->RangeMultiplier(4)->Range(16, 1024)->Complexity();

void BM_HitTest(benchmark::State& state) {
    Scene scene(int(state.range(0)));
    int32_t x = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(scene.layer.HitTest(x % kWidth, (x * 7) % kHeight));
        x += 13;
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_HitTest)->RangeMultiplier(4)->Range(16, 1024)->Complexity();

void BM_MergeDirtyRects(benchmark::State& state) {
    ScreenLayer layer;
    layer.SetView(TableView());
    std::vector<Rect> rects;
    layer.CollectDirtyRects(rects);
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> x(0, kWidth), y(0, kHeight);
    std::vector<DrawRecord> dirty(size_t(state.range(0)));
    for (DrawRecord& r : dirty) {
        r.screenX = x(rng);
        r.screenY = y(rng);
        r.width = 36;
        r.height = 54;
    }
    for (auto _ : state) {
        for (const DrawRecord& r : dirty)
            layer.AddDirty(r);
        rects.clear();
        layer.CollectDirtyRects(rects);
        benchmark::DoNotOptimize(rects.size());
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_MergeDirtyRects)->RangeMultiplier(4)->Range(4, 256)->Complexity();

}  // namespace

BENCHMARK_MAIN();
