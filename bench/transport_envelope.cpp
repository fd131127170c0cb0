// The message envelopes against references built from zlib and OpenSSL on
// the same bytes:
//   - wrapping a 1 KB message with zlib, then AES (one transform for every
//     message, as a connection keeps it) against compress2 + OpenSSL ECB;
//   - a 4 KB message out and back in, AES only (the game's mode) and
//     zlib + AES, against OpenSSL's AES in plain vectors.
// Each wrap is also timed on its own: the counters p50, p99 and max (ns)
// show how much single messages swing.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

#include "transport/message_transform.h"

namespace {

const uint8_t kKey[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

std::vector<uint8_t> Body(size_t n) {
    std::vector<uint8_t> body(n);
    for (size_t i = 0; i < n; ++i)
        body[i] = uint8_t(i % 61 + (i / 97));
    return body;
}

// Per-iteration times of one benchmark, reported as counters.
class Spread {
  public:
    explicit Spread(benchmark::State& state) : state_(state) {}
    ~Spread() {
        if (times_.empty()) return;
        std::sort(times_.begin(), times_.end());
        auto at = [&](double q) { return double(times_[size_t(q * double(times_.size() - 1))]); };
        state_.counters["p50"] = at(0.5);
        state_.counters["p99"] = at(0.99);
        state_.counters["max"] = double(times_.back());
    }
    template <typename Fn>
    void Time(Fn&& work) {
        auto start = std::chrono::steady_clock::now();
        work();
        times_.push_back(std::chrono::duration_cast<std::chrono::nanoseconds>(
                             std::chrono::steady_clock::now() - start)
                             .count());
    }

  private:
    benchmark::State& state_;
    std::vector<int64_t> times_;
};

void BM_WrapZlibAes1K(benchmark::State& state) {
    const auto body = Body(1024);
    transport::CMessageTransform transform(kKey, 128, transport::kCipherOn, transport::kCompressOn);
    transport::CByteBuffer buffer;
    Spread spread(state);
    for (auto _ : state) {
        spread.Time([&] {
            buffer.Clear();
            buffer.Append(body.data(), uint32_t(body.size()));
            if (!transform.Apply(buffer, transport::kTransformOut))
                state.SkipWithError("wrap failed");
        });
        benchmark::DoNotOptimize(buffer.Data());
    }
}

void BM_WrapReference1K(benchmark::State& state) {
    const auto body = Body(1024);
    std::vector<uint8_t> packed(compressBound(uLong(body.size())) + 16), wire(packed.size() + 16);
    EVP_CIPHER_CTX* enc = EVP_CIPHER_CTX_new();
    EVP_EncryptInit_ex(enc, EVP_aes_128_ecb(), nullptr, kKey, nullptr);
    EVP_CIPHER_CTX_set_padding(enc, 0);
    Spread spread(state);
    for (auto _ : state) {
        spread.Time([&] {
            uLongf n = uLongf(packed.size());
            compress2(packed.data(), &n, body.data(), uLong(body.size()), Z_DEFAULT_COMPRESSION);
            const size_t padded = n - n % 16 + 16;
            std::memset(packed.data() + n, 0, padded - n);
            int out = 0;
            EVP_EncryptUpdate(enc, wire.data(), &out, packed.data(), int(padded));
        });
        benchmark::DoNotOptimize(wire.data());
    }
    EVP_CIPHER_CTX_free(enc);
}

void WrapUnwrap(benchmark::State& state, uint32_t compression) {
    const auto body = Body(4096);
    transport::CMessageTransform transform(kKey, 128, transport::kCipherOn, compression);
    transport::CByteBuffer buffer;
    for (auto _ : state) {
        buffer.Clear();
        buffer.Append(body.data(), uint32_t(body.size()));
        bool ok = transform.Apply(buffer, transport::kTransformOut) &&
                  transform.Apply(buffer, transport::kTransformIn);
        if (!ok || buffer.Size() != body.size()) state.SkipWithError("round trip failed");
    }
    state.SetItemsProcessed(int64_t(state.iterations()));
}

void BM_RoundTripAes4K(benchmark::State& state) {
    WrapUnwrap(state, 0);
}
void BM_RoundTripZlibAes4K(benchmark::State& state) {
    WrapUnwrap(state, transport::kCompressOn);
}

// The least work the game's mode needs: a stored head, OpenSSL both ways.
void BM_RoundTripAesReference4K(benchmark::State& state) {
    const auto body = Body(4096);
    EVP_CIPHER_CTX* enc = EVP_CIPHER_CTX_new();
    EVP_CIPHER_CTX* dec = EVP_CIPHER_CTX_new();
    EVP_EncryptInit_ex(enc, EVP_aes_128_ecb(), nullptr, kKey, nullptr);
    EVP_DecryptInit_ex(dec, EVP_aes_128_ecb(), nullptr, kKey, nullptr);
    EVP_CIPHER_CTX_set_padding(enc, 0);
    EVP_CIPHER_CTX_set_padding(dec, 0);
    const size_t inner = 20 + body.size();
    const size_t padded = inner - inner % 16 + 16;
    std::vector<uint8_t> plain(padded, 0), wire(20 + padded), back(padded);
    for (auto _ : state) {
        std::memset(plain.data(), 0, 20);  // stored head
        std::memcpy(plain.data() + 20, body.data(), body.size());
        std::memset(wire.data(), 0, 20);  // cipher head
        int n = 0;
        EVP_EncryptUpdate(enc, wire.data() + 20, &n, plain.data(), int(padded));
        EVP_DecryptUpdate(dec, back.data(), &n, wire.data() + 20, int(padded));
        std::vector<uint8_t> out(back.begin() + 20, back.begin() + long(inner));
        benchmark::DoNotOptimize(out.data());
    }
    EVP_CIPHER_CTX_free(enc);
    EVP_CIPHER_CTX_free(dec);
    state.SetItemsProcessed(int64_t(state.iterations()));
}

BENCHMARK(BM_WrapZlibAes1K);
BENCHMARK(BM_WrapReference1K);
BENCHMARK(BM_RoundTripAes4K);
BENCHMARK(BM_RoundTripAesReference4K);
BENCHMARK(BM_RoundTripZlibAes4K);

}  // namespace

BENCHMARK_MAIN();
