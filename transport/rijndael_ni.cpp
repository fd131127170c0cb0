#include "transport/rijndael_ni.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define QEVO_AES_TARGET __attribute__((target("aes,sse2")))
#endif

namespace transport::aes_ni {

#ifdef QEVO_AES_TARGET
namespace {

constexpr int kMaxKeys = 15;
// Blocks in flight: enough to hide the latency of the round instruction.
constexpr int kLanes = 8;

QEVO_AES_TARGET inline __m128i Load(const uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
QEVO_AES_TARGET inline void Store(uint8_t* p, __m128i v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

template <bool kDecrypt>
QEVO_AES_TARGET inline __m128i Round(__m128i block, __m128i key) {
    if constexpr (kDecrypt) return _mm_aesdec_si128(block, key);
    return _mm_aesenc_si128(block, key);
}
template <bool kDecrypt>
QEVO_AES_TARGET inline __m128i LastRound(__m128i block, __m128i key) {
    if constexpr (kDecrypt) return _mm_aesdeclast_si128(block, key);
    return _mm_aesenclast_si128(block, key);
}

template <bool kDecrypt>
QEVO_AES_TARGET void Blocks(const uint8_t* roundKeys, int rounds, const uint8_t* in, uint8_t* out,
                            size_t blocks) {
    __m128i k[kMaxKeys];
    for (int r = 0; r <= rounds; ++r)
        k[r] = Load(roundKeys + 16 * r);
    size_t i = 0;
    for (; i + kLanes <= blocks; i += kLanes) {
        __m128i b[kLanes];
#pragma GCC unroll 8
        for (int j = 0; j < kLanes; ++j)
            b[j] = _mm_xor_si128(Load(in + 16 * (i + j)), k[0]);
        for (int r = 1; r < rounds; ++r) {
#pragma GCC unroll 8
            for (int j = 0; j < kLanes; ++j)
                b[j] = Round<kDecrypt>(b[j], k[r]);
        }
#pragma GCC unroll 8
        for (int j = 0; j < kLanes; ++j)
            Store(out + 16 * (i + j), LastRound<kDecrypt>(b[j], k[rounds]));
    }
    for (; i < blocks; ++i) {
        __m128i b = _mm_xor_si128(Load(in + 16 * i), k[0]);
        for (int r = 1; r < rounds; ++r)
            b = Round<kDecrypt>(b, k[r]);
        Store(out + 16 * i, LastRound<kDecrypt>(b, k[rounds]));
    }
}

}  // namespace

bool Available() {
    static const bool available = __builtin_cpu_supports("aes") && __builtin_cpu_supports("sse2");
    return available;
}

void EncryptBlocks(const uint8_t* roundKeys, int rounds, const uint8_t* in, uint8_t* out,
                   size_t blocks) {
    Blocks<false>(roundKeys, rounds, in, out, blocks);
}

void DecryptBlocks(const uint8_t* roundKeys, int rounds, const uint8_t* in, uint8_t* out,
                   size_t blocks) {
    Blocks<true>(roundKeys, rounds, in, out, blocks);
}

#else  // no AES instructions on this architecture

bool Available() {
    return false;
}
void EncryptBlocks(const uint8_t*, int, const uint8_t*, uint8_t*, size_t) {}
void DecryptBlocks(const uint8_t*, int, const uint8_t*, uint8_t*, size_t) {}

#endif

}  // namespace transport::aes_ni
