// AES-128-ECB throughput of CRijndael against OpenSSL's on the same buffer.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <vector>

#include "transport/rijndael.h"

namespace {

constexpr size_t kSize = 64 * 1024;
const uint8_t kKey[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

void BM_AesEcbOurs(benchmark::State& state) {
    std::vector<uint8_t> in(kSize, 0x5A), out(kSize + 16);
    transport::CRijndael aes;
    aes.SetKey(kKey, 128);
    uint32_t n = 0;
    for (auto _ : state) {
        aes.EncryptBuffer(in.data(), uint32_t(kSize - 1), out.data(), &n);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kSize));
}

void BM_AesEcbOpenSsl(benchmark::State& state) {
    std::vector<uint8_t> in(kSize, 0x5A), out(kSize + 16);
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    EVP_EncryptInit_ex(ctx, EVP_aes_128_ecb(), nullptr, kKey, nullptr);
    EVP_CIPHER_CTX_set_padding(ctx, 0);
    for (auto _ : state) {
        int n = 0;
        EVP_EncryptUpdate(ctx, out.data(), &n, in.data(), int(kSize));
        benchmark::DoNotOptimize(out.data());
    }
    EVP_CIPHER_CTX_free(ctx);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kSize));
}

BENCHMARK(BM_AesEcbOurs);
BENCHMARK(BM_AesEcbOpenSsl);

}  // namespace

BENCHMARK_MAIN();
