// CRC-32 throughput of CCrc32 (automatic path and the forced table path)
// against zlib's crc32 on the same buffers: a packet's 4056 bytes, 4 KB, 1 MB.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <vector>

#include "transport/crc32.h"

namespace {

std::vector<uint8_t> Data(size_t n) {
    std::vector<uint8_t> data(n);
    for (size_t i = 0; i < n; ++i)
        data[i] = uint8_t(i * 131 + 7);
    return data;
}

void Ours(benchmark::State& state, transport::CodePath path) {
    const auto data = Data(size_t(state.range(0)));
    for (auto _ : state) {
        transport::CCrc32 crc(path);  // one per use, as callers do
        benchmark::DoNotOptimize(crc.Compute(data.data(), uint32_t(data.size())));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}

void Zlib(benchmark::State& state) {
    const auto data = Data(size_t(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(crc32(0, data.data(), uInt(data.size())));
    state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}

BENCHMARK_CAPTURE(Ours, Auto, transport::CodePath::kAuto)->Arg(4056)->Arg(4096)->Arg(1 << 20);
BENCHMARK(Zlib)->Arg(4056)->Arg(4096)->Arg(1 << 20);
BENCHMARK_CAPTURE(Ours, Table, transport::CodePath::kTable)->Arg(4056)->Arg(4096)->Arg(1 << 20);

}  // namespace

BENCHMARK_MAIN();
