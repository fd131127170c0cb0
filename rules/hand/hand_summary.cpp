#include "rules/hand/hand_summary.h"

#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define QEVO_WIDE_SUMMARY 1
#endif

#include "rules/hand/group_value.h"
#include "rules/hand/hu_result.h"

namespace rules::detail {
namespace {

#if QEVO_WIDE_SUMMARY
// Thirty-two counts at a time, for processors with AVX2 and POPCNT (asked
// once at start): half the instructions of the 16-byte road, which every
// hand test pays for. With kLess, the counts less every tile of kinds a and
// b (none for 0), with the suits' codes and the number of kinds held an odd
// number of times, and a hand holding a kind of `refused` told before the
// rest is made. (The arguments and answers of SummariseHandLess, which then
// only jumps here; without kLess, whether the counts are a hand.)
template <bool kLess, typename Answer = std::conditional_t<kLess, int32_t, bool>>
__attribute__((target("avx2,popcnt"))) Answer SummariseWide(const TileCountArray& counts, int a,
                                                            int b, uint64_t refused,
                                                            HandSummary* summary, int32_t* codes) {
    const __m256i zero = _mm256_setzero_si256(), one = _mm256_set1_epi8(1),
                  four = _mm256_set1_epi8(4);
    // The packs work within each 16-byte lane: they leave the groups of four
    // counts in the order 0, 2, 4, 6, 1, 3, 5, 7, which the permute undoes.
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    const auto* words = reinterpret_cast<const __m256i*>(counts.data());
    const __m256i kindA = _mm256_set1_epi8(char(a)), kindB = _mm256_set1_epi8(char(b));
    __m256i halves[2], raw[2];
#pragma GCC unroll 2
    for (int half = 0; half < 2; ++half) {
        const int i = 4 * half;
        __m256i bytes = _mm256_permutevar8x32_epi32(
            _mm256_packs_epi16(_mm256_packs_epi32(_mm256_loadu_si256(words + i),
                                                  _mm256_loadu_si256(words + i + 1)),
                               _mm256_packs_epi32(_mm256_loadu_si256(words + i + 2),
                                                  _mm256_loadu_si256(words + i + 3))),
            order);
        raw[half] = bytes;
        if constexpr (kLess) {
            // Each slot's kind; slot 0 (no kind, which must stay as read)
            // marked with one that no a or b is, so that 0 takes none.
            const __m256i kinds =
                _mm256_add_epi8(_mm256_setr_epi8(char(half ? 0 : 0x80), 1, 2, 3, 4, 5, 6, 7, 8, 9,
                                                 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22,
                                                 23, 24, 25, 26, 27, 28, 29, 30, 31),
                                _mm256_set1_epi8(char(32 * half)));
            bytes = _mm256_andnot_si256(
                _mm256_or_si256(_mm256_cmpeq_epi8(kinds, kindA), _mm256_cmpeq_epi8(kinds, kindB)),
                bytes);
        }
        halves[half] = bytes;
    }
    const __m256i low = halves[0], high = halves[1];
    // The counts above 4 (saturated) stay above 0.
    const __m256i over = _mm256_subs_epu8(_mm256_max_epu8(raw[0], raw[1]), four);
    KindMasks m;
    m.present = uint64_t(uint32_t(_mm256_movemask_epi8(_mm256_cmpgt_epi8(low, zero)))) |
                uint64_t(uint32_t(_mm256_movemask_epi8(_mm256_cmpgt_epi8(high, zero)))) << 32;
    if (!_mm256_testz_si256(over, over) || (m.present & (KindBit(0) | KindBit(10) | KindBit(20))))
        return Answer(kLess ? kNotAHand : 0);
    if (kLess && (m.present & refused)) return kHoldsRefused;
    m.pairs = uint64_t(uint32_t(_mm256_movemask_epi8(_mm256_cmpgt_epi8(low, one)))) |
              uint64_t(uint32_t(_mm256_movemask_epi8(_mm256_cmpgt_epi8(high, one)))) << 32;
    m.odd = uint64_t(uint32_t(_mm256_movemask_epi8(_mm256_slli_epi16(low, 7)))) |
            uint64_t(uint32_t(_mm256_movemask_epi8(_mm256_slli_epi16(high, 7)))) << 32;
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(summary->bytes), low);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(summary->bytes + 32), high);
    // Each pair of counts (at most 4) as one byte of two nibbles: the first
    // plus 16 times the second.
    const __m256i pairs = _mm256_maddubs_epi16(low, _mm256_set1_epi16(0x1001));
    const __m256i packed = _mm256_packus_epi16(pairs, pairs);
    summary->nibbles[0] = uint64_t(_mm256_extract_epi64(packed, 0));
    summary->nibbles[1] = uint64_t(_mm256_extract_epi64(packed, 2));
    // (Two counts of a kind at most 4 sum to a byte.)
    const __m256i sum = _mm256_sad_epu8(_mm256_add_epi8(low, high), zero);
    const __m128i total =
        _mm_add_epi64(_mm256_castsi256_si128(sum), _mm256_extracti128_si256(sum, 1));
    summary->masks = m;
    summary->tiles = _mm_cvtsi128_si32(_mm_add_epi64(total, _mm_unpackhi_epi64(total, total)));
    if constexpr (kLess) {
        // The suits' codes in two multiply-adds: the counts by twos (by suit
        // c1; 5 c2 + 25 c3; c4 + 5 c5; c6 + 5 c7; 25 c8 + 125 c9), then those
        // words by twos times 1, 1, 128, 3200, 3200. Suit 1's first word
        // would share a doubleword with suit 0's last, so its rank 1 is left
        // out and added apart: the suits sum doublewords 0-2, 3-4 and 5-7.
        static_assert(kSuitWeight[1] == 5 && kSuitWeight[2] == 25 && kSuitWeight[3] == 128 &&
                      kSuitWeight[4] == 128 * 5 && kSuitWeight[5] == 3200 &&
                      kSuitWeight[6] == 3200 * 5 && kSuitWeight[7] == 3200 * 25 &&
                      kSuitWeight[8] == 3200 * 125);
        const __m256i byPair = _mm256_maddubs_epi16(
            low, _mm256_setr_epi8(0, 1, 5, 25, 1, 5, 1, 5, 25, 125, 0, 0, 5, 25, 1, 5, 1, 5, 25,
                                  125, 0, 1, 5, 25, 1, 5, 1, 5, 25, 125, 0, 0));
        const __m256i parts =
            _mm256_madd_epi16(byPair, _mm256_setr_epi16(1, 1, 128, 3200, 3200, 0, 1, 128, 3200,
                                                        3200, 1, 1, 128, 3200, 3200, 0));
        const __m256i firsts =
            _mm256_permutevar8x32_epi32(parts, _mm256_setr_epi32(0, 3, 5, 0, 1, 4, 6, 0));
        const __m256i lasts = _mm256_blend_epi32(
            _mm256_permutevar8x32_epi32(parts, _mm256_setr_epi32(2, 0, 7, 0, 0, 0, 0, 0)), zero,
            0xFA);
        const __m128i sums = _mm_add_epi32(
            _mm_add_epi32(_mm256_castsi256_si128(firsts), _mm256_extracti128_si256(firsts, 1)),
            _mm256_castsi256_si128(lasts));
        codes[0] = _mm_cvtsi128_si32(sums);
        codes[1] = _mm_extract_epi32(sums, 1) + _mm_extract_epi8(_mm256_castsi256_si128(low), 11);
        codes[2] = _mm_extract_epi32(sums, 2);
        return int32_t(_mm_popcnt_u64(m.odd));
    }
    return Answer(true);
}

bool HasAvx2() {
    // This may run before the start-up code that asks the processor.
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
}
bool g_wideSummary = HasAvx2();
#endif

bool SummariseNarrow(const TileCountArray& counts, HandSummary* summary) {
    KindMasks m;
#if defined(__SSE2__)
    // Sixteen counts at a time as bytes: saturation keeps every count outside
    // 0-4 outside it, and as an unsigned byte a count is 0-4 when its
    // minimum with 4 is itself.
    const __m128i zero = _mm_setzero_si128(), one = _mm_set1_epi8(1), four = _mm_set1_epi8(4);
    uint32_t bad = 0;
    __m128i sum = zero;
    for (int i = 0; i < 4; ++i) {
        auto load = [&](int j) {
            return _mm_loadu_si128(
                reinterpret_cast<const __m128i*>(counts.data() + 16 * i + 4 * j));
        };
        const __m128i bytes =
            _mm_packs_epi16(_mm_packs_epi32(load(0), load(1)), _mm_packs_epi32(load(2), load(3)));
        bad |=
            uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(bytes, four), bytes))) ^ 0xFFFF;
        sum = _mm_add_epi64(sum, _mm_sad_epu8(bytes, zero));
        _mm_store_si128(reinterpret_cast<__m128i*>(summary->bytes + 16 * i), bytes);
        if (i < 2) {
            // Each pair of counts (at most 4) as one byte of two nibbles.
            const __m128i pairs =
                _mm_and_si128(_mm_or_si128(bytes, _mm_srli_epi16(bytes, 4)), _mm_set1_epi16(0xFF));
            summary->nibbles[i] = uint64_t(_mm_cvtsi128_si64(_mm_packus_epi16(pairs, pairs)));
        }
        const int shift = 16 * i;
        m.present |= uint64_t(uint32_t(_mm_movemask_epi8(_mm_cmpgt_epi8(bytes, zero)))) << shift;
        m.pairs |= uint64_t(uint32_t(_mm_movemask_epi8(_mm_cmpgt_epi8(bytes, one)))) << shift;
        m.odd |= uint64_t(uint32_t(_mm_movemask_epi8(_mm_slli_epi16(bytes, 7)))) << shift;
    }
    if (bad) return false;
    const int32_t total =
        int32_t(_mm_cvtsi128_si32(sum) + _mm_cvtsi128_si32(_mm_srli_si128(sum, 8)));
#else
    int32_t total = 0;
    for (int k = 0; k < kCountSlots; ++k) {
        const int32_t c = counts[size_t(k)];
        if (c < 0 || c > 4) return false;
        total += c;
        summary->bytes[k] = uint8_t(c);
        if (k < 32)
            summary->nibbles[k >> 4] =
                (k & 15 ? summary->nibbles[k >> 4] : 0) | uint64_t(c & 0xF) << (4 * (k & 15));
        m.present |= uint64_t(c > 0) << k;
        m.pairs |= uint64_t(c > 1) << k;
        m.odd |= uint64_t(c & 1) << k;
    }
#endif
    if (m.present & (KindBit(0) | KindBit(10) | KindBit(20))) return false;
    summary->masks = m;
    summary->tiles = total;
    return true;
}

}  // namespace

bool SummariseHand(const TileCountArray& counts, HandSummary* summary) {
#if QEVO_WIDE_SUMMARY
    if (g_wideSummary) return SummariseWide<false>(counts, 0, 0, 0, summary, nullptr);
#endif
    return SummariseNarrow(counts, summary);
}

namespace {
// (Apart, so that the wide road is a jump that saves no registers.)
[[gnu::noinline]] int32_t SummariseNarrowLess(const TileCountArray& counts, int a, int b,
                                              uint64_t refused, HandSummary* summary,
                                              int32_t codes[3]) {
    if (!SummariseNarrow(counts, summary)) return kNotAHand;
    if (a > 0) summary->Empty(a, counts[size_t(a)]);
    if (b > 0 && b != a) summary->Empty(b, counts[size_t(b)]);
    if (summary->masks.present & refused) return kHoldsRefused;
    for (int s = 0; s < 3; ++s)
        codes[s] = summary->SuitCode(s);
    return CountBits(summary->masks.odd);
}
}  // namespace

int32_t SummariseHandLess(const TileCountArray& counts, int a, int b, uint64_t refused,
                          HandSummary* summary, int32_t codes[3]) {
#if QEVO_WIDE_SUMMARY
    if (g_wideSummary) return SummariseWide<true>(counts, a, b, refused, summary, codes);
#endif
    return SummariseNarrowLess(counts, a, b, refused, summary, codes);
}

#if QEVO_BIT_ROADS
namespace {
bool HasBitInstructions() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2") &&
           __builtin_cpu_supports("popcnt");
}
}  // namespace
bool g_bitInstructions = HasBitInstructions();
#endif

bool SetWideSummaryForTesting(bool wide) {
#if QEVO_BIT_ROADS
    g_bitInstructions = wide && HasBitInstructions();
#endif
#if QEVO_WIDE_SUMMARY
    g_wideSummary = wide && HasAvx2();
    return g_wideSummary;
#else
    (void)wide;
    return false;
#endif
}

}  // namespace rules::detail
