// AES-ECB throughput at 64 KB of CRijndael (the processor's instructions and
// the forced table path) against OpenSSL's on the same buffer, both
// directions, for each key size (the argument, in bits).
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <vector>

#include "transport/rijndael.h"

namespace {

constexpr size_t kSize = 64 * 1024;
const uint8_t kKey[32] = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16,
                          17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32};

void Ours(benchmark::State& state, transport::CodePath path, bool encrypt) {
    std::vector<uint8_t> in(kSize, 0x5A), out(kSize + 16);
    transport::CRijndael aes(path);
    aes.SetKey(kKey, int(state.range(0)));
    uint32_t n = 0;
    for (auto _ : state) {
        if (encrypt) {
            aes.EncryptBuffer(in.data(), uint32_t(kSize - 1), out.data(), &n);
        } else {
            aes.DecryptBuffer(in.data(), uint32_t(kSize), out.data(), &n);
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kSize));
}

void OpenSsl(benchmark::State& state, bool encrypt) {
    std::vector<uint8_t> in(kSize, 0x5A), out(kSize + 16);
    const EVP_CIPHER* cipher = state.range(0) == 128   ? EVP_aes_128_ecb()
                               : state.range(0) == 192 ? EVP_aes_192_ecb()
                                                       : EVP_aes_256_ecb();
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    EVP_CipherInit_ex(ctx, cipher, nullptr, kKey, nullptr, encrypt ? 1 : 0);
    EVP_CIPHER_CTX_set_padding(ctx, 0);
    for (auto _ : state) {
        int n = 0;
        EVP_CipherUpdate(ctx, out.data(), &n, in.data(), int(kSize));
        benchmark::DoNotOptimize(out.data());
    }
    EVP_CIPHER_CTX_free(ctx);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kSize));
}

using transport::CodePath;
BENCHMARK_CAPTURE(Ours, EncryptAuto, CodePath::kAuto, true)->Arg(128)->Arg(192)->Arg(256);
BENCHMARK_CAPTURE(OpenSsl, Encrypt, true)->Arg(128)->Arg(192)->Arg(256);
BENCHMARK_CAPTURE(Ours, EncryptTable, CodePath::kTable, true)->Arg(128);
BENCHMARK_CAPTURE(Ours, DecryptAuto, CodePath::kAuto, false)->Arg(128)->Arg(192)->Arg(256);
BENCHMARK_CAPTURE(OpenSsl, Decrypt, false)->Arg(128)->Arg(192)->Arg(256);
BENCHMARK_CAPTURE(Ours, DecryptTable, CodePath::kTable, false)->Arg(128);

}  // namespace

BENCHMARK_MAIN();
