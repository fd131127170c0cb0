#include "transport/crc32_clmul.h"

#include "transport/crc32.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define QEVO_CLMUL_TARGET __attribute__((target("pclmul,sse2")))
#endif

namespace transport::crc32_clmul {

#ifdef QEVO_CLMUL_TARGET
namespace {

// The generator with its x^32 term.
constexpr uint64_t kGenerator = 0x104C11DB7;

// x^n mod the generator.
constexpr uint32_t PowerMod(int n) {
    uint64_t r = 1;
    for (int i = 0; i < n; ++i) {
        r <<= 1;
        if (r >> 32) r ^= kGenerator;
    }
    return uint32_t(r);
}

// The multiplier that moves a lane n bits further on, in the reflected bit
// order; one place up, since a product of two reflected values lands one bit
// low.
constexpr uint64_t Shift(int n) {
    return uint64_t(CCrc32::Reflect(PowerMod(n), 32)) << 1;
}

// The 33 bits of a polynomial of degree 32, reflected.
constexpr uint64_t Reflect33(uint64_t v) {
    return uint64_t(CCrc32::Reflect(uint32_t(v), 32)) << 1 | (v >> 32);
}

// x^64 divided by the generator (the Barrett constant).
constexpr uint64_t QuotientOf64() {
    unsigned __int128 rest = static_cast<unsigned __int128>(1) << 64;
    uint64_t quotient = 0;
    for (int i = 64; i >= 32; --i) {
        if ((rest >> i) & 1) {
            quotient |= uint64_t(1) << (i - 32);
            rest ^= static_cast<unsigned __int128>(kGenerator) << (i - 32);
        }
    }
    return quotient;
}

constexpr uint64_t kFold512Low = Shift(4 * 128 + 32), kFold512High = Shift(4 * 128 - 32);
constexpr uint64_t kFold128Low = Shift(128 + 32), kFold128High = Shift(128 - 32);
constexpr uint64_t kFold64 = Shift(64);
constexpr uint64_t kBarrettMu = Reflect33(QuotientOf64());
constexpr uint64_t kBarrettGenerator = Reflect33(kGenerator);

QEVO_CLMUL_TARGET inline __m128i Load(const uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// Moves `lane` forward by the distance `k` stands for and adds `next`.
QEVO_CLMUL_TARGET inline __m128i Fold(__m128i lane, __m128i k, __m128i next) {
    __m128i low = _mm_clmulepi64_si128(lane, k, 0x00);
    __m128i high = _mm_clmulepi64_si128(lane, k, 0x11);
    return _mm_xor_si128(_mm_xor_si128(low, high), next);
}

}  // namespace

bool Available() {
    static const bool available =
        __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse2");
    return available;
}

QEVO_CLMUL_TARGET uint32_t Update(uint32_t crc, const uint8_t* p, size_t length) {
    const __m128i k512 = _mm_set_epi64x(int64_t(kFold512High), int64_t(kFold512Low));
    const __m128i k128 = _mm_set_epi64x(int64_t(kFold128High), int64_t(kFold128Low));
    __m128i x0 = _mm_xor_si128(Load(p), _mm_cvtsi32_si128(int(crc)));
    __m128i x1 = Load(p + 16), x2 = Load(p + 32), x3 = Load(p + 48);
    p += 64;
    length -= 64;
    for (; length >= 64; p += 64, length -= 64) {
        x0 = Fold(x0, k512, Load(p));
        x1 = Fold(x1, k512, Load(p + 16));
        x2 = Fold(x2, k512, Load(p + 32));
        x3 = Fold(x3, k512, Load(p + 48));
    }
    x0 = Fold(x0, k128, x1);
    x0 = Fold(x0, k128, x2);
    x0 = Fold(x0, k128, x3);
    for (; length >= 16; p += 16, length -= 16)
        x0 = Fold(x0, k128, Load(p));

    // 128 bits to 64, then to 32.
    const __m128i low32 = _mm_set_epi32(0, 0, 0, -1);
    x0 = _mm_xor_si128(_mm_clmulepi64_si128(x0, k128, 0x10), _mm_srli_si128(x0, 8));
    __m128i t = _mm_and_si128(x0, low32);
    x0 = _mm_srli_si128(x0, 4);
    x0 = _mm_xor_si128(x0, _mm_clmulepi64_si128(t, _mm_set_epi64x(0, int64_t(kFold64)), 0x00));
    // Barrett reduction: the remainder is x0 minus (x0 * mu / x^64) * generator.
    const __m128i barrett = _mm_set_epi64x(int64_t(kBarrettMu), int64_t(kBarrettGenerator));
    t = _mm_and_si128(x0, low32);
    t = _mm_clmulepi64_si128(t, barrett, 0x10);
    t = _mm_and_si128(t, low32);
    t = _mm_clmulepi64_si128(t, barrett, 0x00);
    x0 = _mm_xor_si128(x0, t);
    return uint32_t(_mm_cvtsi128_si32(_mm_srli_si128(x0, 4)));
}

#else  // no carry-less multiplication on this architecture

bool Available() {
    return false;
}
uint32_t Update(uint32_t crc, const uint8_t*, size_t) {
    return crc;
}

#endif

}  // namespace transport::crc32_clmul
