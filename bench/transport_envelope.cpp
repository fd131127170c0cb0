// Messages per second through both envelopes, out and back in, for a 4 KB
// message: the game's mode (AES only) and the full one (zlib, then AES),
// with a reference that does the game's mode with OpenSSL's AES in plain
// vectors (the least work the same bytes need).
#include <benchmark/benchmark.h>

#include <openssl/evp.h>

#include <cstring>
#include <vector>

#include "transport/message_transform.h"

namespace {

const uint8_t kKey[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

void WrapUnwrap(benchmark::State& state, uint32_t compression) {
    std::vector<uint8_t> body(4096);
    for (size_t i = 0; i < body.size(); ++i)
        body[i] = uint8_t(i % 61 + (i / 97));
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

void BM_EnvelopeAes(benchmark::State& state) {
    WrapUnwrap(state, 0);
}
void BM_EnvelopeZlibAes(benchmark::State& state) {
    WrapUnwrap(state, transport::kCompressOn);
}

void BM_EnvelopeAesReference(benchmark::State& state) {
    std::vector<uint8_t> body(4096);
    for (size_t i = 0; i < body.size(); ++i)
        body[i] = uint8_t(i % 61 + (i / 97));
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

BENCHMARK(BM_EnvelopeAes);
BENCHMARK(BM_EnvelopeAesReference);
BENCHMARK(BM_EnvelopeZlibAes);

}  // namespace

BENCHMARK_MAIN();
