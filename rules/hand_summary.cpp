#include "rules/hand_summary.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "rules/group_value.h"
#include "rules/hu_result.h"

namespace rules::detail {

bool SummariseHand(const TileCountArray& counts, HandSummary* summary) {
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
        if (i < 2) {
            _mm_store_si128(reinterpret_cast<__m128i*>(summary->bytes + 16 * i), bytes);
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
        if (k < 32) summary->bytes[k] = uint8_t(c);
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

bool StandardHookKinds(uint64_t* refused) {
    const HonourHookSet set = InstalledHonourHooks();
    if (set == HonourHookSet::kOther) return false;
    constexpr uint64_t kFlowers = ~(KindBit(40) - 1);
    *refused = kFlowers | (set == HonourHookSet::kHonoursAndFlowers ? kHonourKinds : 0);
    return true;
}

}  // namespace rules::detail
