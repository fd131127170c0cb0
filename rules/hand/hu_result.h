#pragma once
// The hu result: shape and wait bits, the rule tables' flag words and
// counters, and up to eight melds; with the helpers that record melds and
// spend the joker counters.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "rules/hand/tile.h"

namespace rules {

inline constexpr int32_t kMeldChow = 1;
inline constexpr int32_t kMeldPung = 2;
inline constexpr int32_t kMeldPair = 4;
inline constexpr int32_t kMeldKong = 8;
inline constexpr int32_t kMeldKnitted = 0x20;
inline constexpr int32_t kMeldSevenHonours = 0x40;
inline constexpr int32_t kMeldAllHonours = 0x80;
inline constexpr int32_t kMeld258 = 0x100;

// Whole-hand shape bits (the allowed argument, mode restriction, word 0).
inline constexpr uint32_t kShapeSevenPairs = 0x10;
inline constexpr uint32_t kShapeKnitted = 0x20;
inline constexpr uint32_t kShapeSevenHonours = 0x40;
inline constexpr uint32_t kShapeAllHonours = 0x80;
inline constexpr uint32_t kShape258 = 0x1000000;
inline constexpr uint32_t kShapeBits =
    kShapeSevenPairs | kShapeKnitted | kShapeSevenHonours | kShapeAllHonours | kShape258;

// Call-situation bits of the mode argument.
inline constexpr uint32_t kModeRestricted1 = 0x1;
inline constexpr uint32_t kModeSelfDrawn = 0x2;
inline constexpr uint32_t kModeRestricted4 = 0x4;

// Wait bits of word 1.
inline constexpr int32_t kWaitJokerPair = 0x1;
inline constexpr int32_t kWaitPair = 0x10;
inline constexpr int32_t kWaitPung = 0x20;
inline constexpr int32_t kWaitMiddle = 0x40;
inline constexpr int32_t kWaitEdge = 0x80;
inline constexpr int32_t kWaitChow = 0x100;

// A meld: its type, four tile words (a TileIndex; the negative joker kind
// where a joker stands; 0 unused) and two spare words.
struct MeldRecord {
    int32_t type = 0;
    std::array<int32_t, 4> tiles{};
    std::array<int32_t, 2> spare{};
    bool operator==(const MeldRecord&) const = default;
};

inline constexpr int kMaxMelds = 8;
inline constexpr int kCounterCount = 32;

// 129 words in all.
struct HuResult {
    int32_t shapes = 0;
    int32_t waits = 0;
    std::array<int32_t, 2> flags{};
    std::array<int32_t, kCounterCount> counters{};
    std::array<int32_t, kCounterCount> counters2{};
    int32_t meldCount = 0;
    std::array<MeldRecord, kMaxMelds> melds{};
    std::array<int32_t, 4> tail{};
    bool operator==(const HuResult&) const = default;
};
static_assert(sizeof(HuResult) == 129 * 4);

// Zeroes all 129 words. The hu tests clear a result for every hand they look
// at; the string instruction a plain assignment compiles to costs more than
// the search itself on a hand that fails at once.
inline void ClearHuResult(HuResult& result) {
#if defined(__SSE2__)
    auto* p = reinterpret_cast<unsigned char*>(&result);
    const __m128i zero = _mm_setzero_si128();
#pragma GCC unroll 32
    for (size_t i = 0; i + 16 <= sizeof(HuResult); i += 16)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i), zero);
    std::memset(p + sizeof(HuResult) / 16 * 16, 0, sizeof(HuResult) % 16);
#else
    result = HuResult{};
#endif
}

// A record of a 16-tile hand (five sets and the pair) fills six melds.
inline constexpr int kMeldsMostRecorded = 6;

// ClearHuResult in two steps, for a record that writes its melds, each
// whole, from the first: ClearBeforeMelds (the count alone), then once the
// melds are written ClearAfterMelds (every word but those of the melds
// written, `waits` in its word). A third fewer stores than a clearing
// first, and all of them wait until the melds are found, the longer road.
inline void ClearBeforeMelds(HuResult& result) {
    result.meldCount = 0;
}
// (`count` is the meld count, as the last writer returned it.)
inline void ClearAfterMelds(HuResult& result, int32_t waits, int32_t count) {
    const int written = std::max(count, 0);
#if defined(__SSE2__)
    auto* p = reinterpret_cast<unsigned char*>(&result);
    const __m128i zero = _mm_setzero_si128();
    static_assert(offsetof(HuResult, waits) == 4 && offsetof(HuResult, meldCount) % 16 == 0);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm_setr_epi32(0, waits, 0, 0));
#pragma GCC unroll 32
    for (size_t i = 16; i < offsetof(HuResult, meldCount); i += 16)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i), zero);
    if (written <= kMeldsMostRecorded) [[likely]] {
        // What follows the six melds a 16-tile record writes, at once (the
        // last store overlaps the one before).
        constexpr size_t kTail =
            offsetof(HuResult, melds) + kMeldsMostRecorded * sizeof(MeldRecord);
#pragma GCC unroll 32
        for (size_t i = kTail; i + 16 <= sizeof(HuResult); i += 16)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i), zero);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p + sizeof(HuResult) - 16), zero);
        // The melds not written, up to the six: the last store may run on
        // into what was just cleared. (The zero hidden from the compiler, or
        // the loop becomes the string instruction, which costs more than the
        // few stores.)
        if (written < kMeldsMostRecorded) [[unlikely]] {
            __m128i opaque = zero;
            __asm__("" : "+x"(opaque));
            for (size_t i = offsetof(HuResult, melds) + size_t(written) * sizeof(MeldRecord);
                 i < kTail; i += 16)
                _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i), opaque);
        }
        return;
    }
#else
    result.shapes = 0;
    result.waits = waits;
    result.flags = {};
    result.counters = result.counters2 = {};
#endif
    for (int i = written; i < kMaxMelds; ++i)
        result.melds[size_t(i)] = MeldRecord{};
    result.tail = {};
}

inline void ClearAfterMelds(HuResult& result, int32_t waits) {
    ClearAfterMelds(result, waits, result.meldCount);
}

// result = from, without the string instruction either.
inline void CopyHuResult(HuResult& result, const HuResult& from) {
#if defined(__SSE2__)
    auto* p = reinterpret_cast<unsigned char*>(&result);
    const auto* q = reinterpret_cast<const unsigned char*>(&from);
#pragma GCC unroll 32
    for (size_t i = 0; i + 16 <= sizeof(HuResult); i += 16) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i),
                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(q + i)));
    }
    std::memcpy(p + sizeof(HuResult) / 16 * 16, q + sizeof(HuResult) / 16 * 16,
                sizeof(HuResult) % 16);
#else
    result = from;
#endif
}

// The GBK name of a counter (empty from 7 on).
const char* HuCounterName(int index);

// Joker-place and gap values of AddMeld.
inline constexpr int32_t kNoJokerPlace = -1;

// The joker counters (inline: the search spends them at every step).
inline TileIndex PickJokerIndex(int32_t* usedA, int32_t* usedB, TileIndex idxA, TileIndex idxB) {
    if (*usedA > *usedB && *usedB > 0) {
        --*usedB;
        return idxB;
    }
    if (*usedA > 0) {
        --*usedA;
        return idxA;
    }
    if (*usedB > 0) {
        --*usedB;
        return idxB;
    }
    return 0;
}

// AddMeld for chows with a gap, or that spend jokers without a joker place;
// negative joker counts and a full record.
int32_t AddMeldSpread(HuResult& result, int32_t type, TileIndex k, int32_t usedA, int32_t usedB,
                      TileIndex idxA, TileIndex idxB, int32_t jokerPlace, int32_t gapPlace);

// Appends a meld; jokers spent for it are usedA/usedB. Returns the meld count;
// a full record takes no more melds. Most melds are written here as one
// record.
inline int32_t AddMeld(HuResult& result, int32_t type, TileIndex k, int32_t usedA, int32_t usedB,
                       TileIndex idxA, TileIndex idxB, int32_t jokerPlace, int32_t gapPlace) {
    const int32_t n = result.meldCount;
    const bool chow = type == kMeldChow;
    if (usedA < 0 || usedB < 0 || n < 0 || n >= kMaxMelds ||
        (chow &&
         (gapPlace == 1 || gapPlace == 2 || ((usedA | usedB) != 0 && uint32_t(jokerPlace) > 2)))) {
        return AddMeldSpread(result, type, k, usedA, usedB, idxA, idxB, jokerPlace, gapPlace);
    }
    MeldRecord& meld = result.melds[size_t(n)];
    meld.type = type;
    meld.spare = {0, 0};
    if (chow) {
        // The ranks from k, around the joker place (none: no place 0-2),
        // which takes the first joker PickJokerIndex charges (0: none spent).
        // Kinds near the end of the int range wrap instead of overflowing.
        const uint32_t low = uint32_t(k) - (jokerPlace == 0);
        meld.tiles = {k, int32_t(low + 1), int32_t(low + 2), 0};
        if (uint32_t(jokerPlace) <= 2) {
            int32_t a = usedA, b = usedB;
            const TileIndex joker = PickJokerIndex(&a, &b, idxA, idxB);
            meld.tiles[size_t(jokerPlace)] = int32_t(0u - uint32_t(joker));
        }
        return result.meldCount = n + 1;
    }
    const int size = type == kMeldPair ? 2 : type == kMeldPung ? 3 : type == kMeldKong ? 4 : 0;
    meld.tiles[0] = size > 0 ? k : 0;
    meld.tiles[1] = size > 1 ? k : 0;
    meld.tiles[2] = size > 2 ? k : 0;
    meld.tiles[3] = size > 3 ? k : 0;
    if (uint32_t(usedA) + uint32_t(usedB) == 1 && size > 0) {
        // One joker (the common case), in the last place. (Neither count is
        // negative here: the unsigned sum is exact.)
        meld.tiles[size_t(size - 1)] = int32_t(0u - uint32_t(usedA ? idxA : idxB));
    } else if ((usedA | usedB) != 0) {
        // The jokers take the last places, as PickJokerIndex charges them:
        // B's first when A spent more and B some, else A's first.
        const bool bFirst = usedA > usedB && usedB > 0;
        const int32_t first = int32_t(0u - uint32_t(bFirst ? idxB : idxA));
        const int32_t second = int32_t(0u - uint32_t(bFirst ? idxA : idxB));
        int32_t firsts = bFirst ? usedB : usedA;
        const int32_t jokers = int32_t(std::min<int64_t>(int64_t(usedA) + usedB, size));
        for (int i = size - jokers; i < size; ++i)
            meld.tiles[size_t(i)] = firsts-- > 0 ? first : second;
    }
    return result.meldCount = n + 1;
}

// A pair or pung of jokers alone.
int32_t AddMeldEx(HuResult& result, int32_t type, int32_t usedA, int32_t usedB, TileIndex idxA,
                  TileIndex idxB);
int32_t AddMeldTiles(HuResult& result, int32_t type, int32_t t0, int32_t t1, int32_t t2,
                     int32_t t3);
// The record of a whole-hand shape other than seven pairs (its bit): one
// meld of the shape's type with no tiles.
inline int32_t AddShapeMeld(HuResult& result, uint32_t shape) {
    static_assert(kMeldKnitted == int32_t(kShapeKnitted) &&
                  kMeldSevenHonours == int32_t(kShapeSevenHonours) &&
                  kMeldAllHonours == int32_t(kShapeAllHonours));
    return AddMeldTiles(result, shape == kShape258 ? kMeld258 : int32_t(shape), 0, 0, 0, 0);
}

inline int32_t SumJokers(int32_t nA, int32_t nB) {
    if (nA < 0 || nB < 0) return 0;
    return int32_t(std::min<int64_t>(int64_t(nA) + nB, std::numeric_limits<int32_t>::max()));
}
inline int32_t TakeJokers(int32_t* savedA, int32_t* savedB, int32_t* nA, int32_t* nB, int32_t n) {
    *savedA = *nA;
    *savedB = *nB;
    int32_t spent = 0;
    while (spent < n) {
        // A negative counter holds no jokers.
        bool a = *nA > 0, b = *nB > 0;
        if (!a && !b) break;
        if (a && b ? *nB < *nA : b) {
            --*nB;
        } else {
            --*nA;
        }
        ++spent;
    }
    return spent;
}
inline void RestoreJokers(int32_t savedA, int32_t savedB, int32_t* nA, int32_t* nB) {
    *nA = savedA;
    *nB = savedB;
}
inline int32_t EqualsEither(int32_t v, int32_t a, int32_t b) {
    return v == a || v == b;
}

void MergeHuResult(HuResult& sum, const HuResult& result);
int32_t CountKongMelds(const HuResult& result);
int32_t CountJokerPlaces(const HuResult& result);
int32_t CheckJokerMelds(const HuResult& result, TileId jokerA, TileId jokerB, RuleOptions options);
int32_t ValidateMeld(const MeldRecord& meld, TileId jokerA, TileId jokerB, RuleOptions options);

}  // namespace rules
