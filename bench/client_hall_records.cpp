// Reading the largest table state the hall can send (8 seated, 64 lookers):
// decipher, decode and check against deciphering alone, so the ratio shows
// what decoding costs on top of the cipher.
#include <benchmark/benchmark.h>

#include <vector>

#include "client/hall_records.h"

namespace {

std::vector<uint8_t> FullTableCipher() {
    client::HallTableState s;
    for (int i = 0; i < 8; ++i) {
        client::PlayerRecord p;
        p.userId = 100 + uint32_t(i);
        p.chair = i;
        p.userName = "seated";
        s.seated.push_back(p);
    }
    for (int i = 0; i < 64; ++i) {
        client::PlayerRecord p;
        p.userId = 200 + uint32_t(i);
        p.lookerFlag = 1;
        p.userName = "looker";
        s.lookers.push_back(p);
    }
    return client::HallDataEncrypt(s.Encode());
}

void BM_ReadFullTableState(benchmark::State& state) {
    const auto cipher = FullTableCipher();
    for (auto _ : state) {
        auto read = client::ReadHallCopyData(client::kCopyTableState, cipher);
        benchmark::DoNotOptimize(read);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(cipher.size()));
}

void BM_DecryptOnly(benchmark::State& state) {
    const auto cipher = FullTableCipher();
    std::vector<uint8_t> plain(cipher.size());
    for (auto _ : state) {
        client::HallDataDecrypt(cipher.size(), plain.data(), cipher.data());
        benchmark::DoNotOptimize(plain.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(cipher.size()));
}

BENCHMARK(BM_ReadFullTableState);
BENCHMARK(BM_DecryptOnly);

}  // namespace

BENCHMARK_MAIN();
