// A synthetic table frame on the screen device at 744 x 710: a cached
// background picture, 150 tiles (15 of them moving every frame) and a few
// text surfaces. Reports the median and 99th-percentile cost of a present
// against the 30 ms frame period, incremental and with full redraw.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <memory>
#include <random>
#include <vector>

#include "engine/draw_payloads.h"
#include "engine/resources/image_provider.h"
#include "pictures/image_record.h"
#include "engine/screen_device.h"
#include "platform/bytes.h"
#include "platform/gui/surface.h"

namespace {

using namespace engine;

constexpr int32_t kW = 744, kH = 710;

class Images : public ImageProvider {
  public:
    Images() {
        Make(1, kW, kH, 0, [](uint32_t x, uint32_t y) { return 0xFF000000u | (x * 3 + y) << 8; });
        Make(2, 40, 56, kImageKeyed, [](uint32_t x, uint32_t y) {
            return (x < 2 || y < 2) ? 0u : 0xFFF0F0E0u - x * 0x10101;
        });
    }
    const ImageRecord* GetImage(uint32_t id) override {
        auto it = images_.find(id);
        return it == images_.end() ? nullptr : &it->second;
    }

  private:
    template <class F>
    void Make(uint32_t id, uint16_t w, uint16_t h, uint32_t flags, F f) {
        ImageRecord& r = images_[id];
        r.id = id, r.width = w, r.height = h, r.frameCount = 1, r.flags = flags;
        r.pixels.resize(size_t(w) * h * 4);
        for (uint32_t y = 0; y < h; ++y)
            for (uint32_t x = 0; x < w; ++x)
                platform::StoreLE32(&r.pixels[(size_t(y) * w + x) * 4], f(x, y));
    }
    std::map<uint32_t, ImageRecord> images_;
};

struct Item {
    DrawRecord record;
    uint32_t id = 0;
    int layer = 1;
    std::unique_ptr<EntityPayload> payload;
};

struct Table {
    Images images;
    ScreenDevice screen{&images};
    std::vector<std::unique_ptr<Item>> items;
    std::vector<uint8_t> text;
    platform::Surface target{kW, kH};
    std::mt19937 rng{3};

    explicit Table(bool full) {
        screen.Create(kW, kH);
        screen.CreateFromImage(1, 0, 0, kW, kH, 1);
        screen.SetFullRedraw(full);
        text.assign(size_t(120) * 24 * 4, 0);
        for (size_t i = 3; i < text.size(); i += 4)
            text[i] = uint8_t(i % 255);
        for (int i = 0; i < 150; ++i) {
            auto it = std::make_unique<Item>();
            auto p = std::make_unique<ImagePayload>();
            p->imageId = 2, p->srcW = 40, p->srcH = 56;
            it->record.x = 40 + (i % 16) * 42;
            it->record.y = 60 + (i / 16) * 64;
            it->record.width = 40, it->record.height = 56, it->record.depth = i;
            it->payload = std::move(p);
            Add(*it);
            items.push_back(std::move(it));
        }
        for (int i = 0; i < 4; ++i) {
            auto it = std::make_unique<Item>();
            auto p = std::make_unique<TextSurfacePayload>();
            p->pixels = text.data(), p->width = 120, p->height = 24;
            it->record.x = 100 + i * 160, it->record.y = 20;
            it->record.width = 120, it->record.height = 24, it->record.depth = 1000;
            it->layer = 3;
            it->payload = std::move(p);
            Add(*it);
            items.push_back(std::move(it));
        }
        screen.InvalidateAll();
        screen.Present(0, target);
    }
    void Add(Item& it) {
        it.id = screen.AddLayerItem(it.layer, 1, &it.record, 1.0, 1, it.payload.get());
        screen.UpdateLayerItem(it.layer, it.id, kItemShow, 1.0, it.record);
    }
    void Step() {
        std::uniform_int_distribution<size_t> pick(0, 149);
        std::uniform_int_distribution<int> delta(-4, 4);
        for (int k = 0; k < 15; ++k) {
            Item& it = *items[pick(rng)];
            it.record.x = std::clamp(it.record.x + delta(rng), 20, kW - 20);
            it.record.y = std::clamp(it.record.y + delta(rng), 28, kH - 28);
            screen.UpdateLayerItem(it.layer, it.id, kItemKeepVisibility, 1.0, it.record);
        }
    }
};

void RunFrames(benchmark::State& state, bool full) {
    Table table(full);
    std::vector<double> micros;
    uint32_t now = 0;
    for (auto _ : state) {
        table.Step();
        const auto t0 = std::chrono::steady_clock::now();
        table.screen.Present(now += 30, table.target);
        const auto t1 = std::chrono::steady_clock::now();
        micros.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
    }
    std::sort(micros.begin(), micros.end());
    if (micros.empty()) return;
    const double median = micros[micros.size() / 2];
    const double p99 = micros[std::min(micros.size() - 1, micros.size() * 99 / 100)];
    state.counters["median_us"] = median;
    state.counters["p99_us"] = p99;
    state.counters["of_30ms_%"] = p99 / 30000.0 * 100.0;
}

void BM_TableFrameIncremental(benchmark::State& state) {
    RunFrames(state, false);
}
BENCHMARK(BM_TableFrameIncremental)->Iterations(500);

void BM_TableFrameFullRedraw(benchmark::State& state) {
    RunFrames(state, true);
}
BENCHMARK(BM_TableFrameFullRedraw)->Iterations(200);

}  // namespace

BENCHMARK_MAIN();
