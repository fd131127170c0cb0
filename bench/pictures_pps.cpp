// Packed picture decoding speed per coding method, in decoded bytes per
// second, beside two baselines over the same decoded size: a plain memcpy
// (what method 1 amounts to) and zlib's inflate of the whole frame (what
// methods 5 and 6 are built on).

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstring>
#include <vector>

#include "pictures/pps.h"
#include "tools/pictures/pps_writer.h"

namespace {

using pictures::PpsSpec;

constexpr uint16_t kSide = 512;

// A picture like the game's: flat areas, gradients and a soft alpha edge.
std::vector<uint8_t> Pixels() {
    std::vector<uint8_t> px;
    px.reserve(size_t(kSide) * kSide * 4);
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            bool flat = (x / 64 + y / 64) % 2 == 0;
            uint8_t b = flat ? 40 : uint8_t(x);
            uint8_t g = flat ? 90 : uint8_t(y);
            uint8_t r = flat ? 160 : uint8_t((x * y) >> 8);
            int d = (x - 256) * (x - 256) + (y - 256) * (y - 256);
            uint8_t a = d < 200 * 200 ? 255 : d < 220 * 220 ? uint8_t((220 * 220 - d) / 33) : 0;
            px.insert(px.end(), {b, g, r, a});
        }
    }
    return px;
}

std::vector<uint8_t> File(uint8_t method) {
    PpsSpec spec;
    spec.method = method;
    spec.flags = engine::kImageKeyed | engine::kImageAlpha;
    spec.width = kSide;
    spec.height = kSide;
    spec.frames.push_back({Pixels(), 0});
    return pictures::WritePps(spec);
}

void BM_DecodePps(benchmark::State& state) {
    const auto file = File(uint8_t(state.range(0)));
    for (auto _ : state) {
        engine::ImageRecord image;
        benchmark::DoNotOptimize(engine::DecodePps(file, image));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kSide * kSide * 4);
}
BENCHMARK(BM_DecodePps)->DenseRange(1, 6)->ArgName("method");

void BM_MemcpyBaseline(benchmark::State& state) {
    const auto px = Pixels();
    for (auto _ : state) {
        std::vector<uint8_t> out(px.size());
        std::memcpy(out.data(), px.data(), px.size());
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(px.size()));
}
BENCHMARK(BM_MemcpyBaseline);

void BM_InflateBaseline(benchmark::State& state) {
    const auto px = Pixels();
    const auto packed = pictures::Deflate(px);
    for (auto _ : state) {
        std::vector<uint8_t> out(px.size());
        uLongf length = uLongf(out.size());
        benchmark::DoNotOptimize(uncompress(out.data(), &length, packed.data(), packed.size()));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(px.size()));
}
BENCHMARK(BM_InflateBaseline);

}  // namespace

BENCHMARK_MAIN();
