// The recording of a decomposition's melds, shared by the walk and the
// block tables.

#include "rules/hand/decompose_record.h"

namespace rules::detail {
namespace {

// The melds of wildcards alone that up to kFewLeft wildcards left make, by
// the counters left, as the loop below appends them: each's type and, per
// tile word, whether joker A's or B's kind stands there.
constexpr int kFewLeft = 8;
struct LeftMelds {
    int count;
    struct {
        int32_t type;
        int32_t a[4];
        int32_t b[4];
    } melds[3];
};
constexpr auto kLeftMelds = [] {
    std::array<std::array<LeftMelds, kFewLeft + 1>, kFewLeft + 1> all{};
    for (int a0 = 0; a0 <= kFewLeft; ++a0) {
        for (int b0 = 0; a0 + b0 <= kFewLeft; ++b0) {
            // As RecordLeftJokers' loop with TakeJokers, from the last
            // taken, and AddMeldEx with PickJokerIndex.
            int a = a0, b = b0, extras = 0;
            int32_t type[3] = {}, usedA[3] = {}, usedB[3] = {};
            for (int left = a + b; left > 0; left = a + b, ++extras) {
                type[extras] = left >= 3 ? kMeldPung : kMeldPair;
                for (int i = 0; i < (left >= 3 ? 3 : 2) && (a > 0 || b > 0); ++i) {
                    const bool fromB = a > 0 && b > 0 ? b < a : b > 0;
                    ++(fromB ? usedB : usedA)[extras];
                    --(fromB ? b : a);
                }
            }
            LeftMelds& t = all[size_t(a0)][size_t(b0)];
            t.count = extras;
            for (int e = extras - 1, i = 0; e >= 0; --e, ++i) {
                t.melds[i].type = type[e];
                int ua = usedA[e], ub = usedB[e];
                for (int p = 0; p < (type[e] == kMeldPair ? 2 : 3); ++p) {
                    const bool fromB = (ua > ub && ub > 0) || (ua <= 0 && ub > 0);
                    const bool fromA = !fromB && ua > 0;
                    --(fromB ? ub : ua);
                    t.melds[i].a[p] = fromA ? -1 : 0;
                    t.melds[i].b[p] = fromB ? -1 : 0;
                }
            }
        }
    }
    return all;
}();

}  // namespace

namespace {

// RecordLeftJokers for more than kFewLeft, or counters below zero: apart,
// so that the common road saves no registers for its loop.
[[gnu::noinline]] void RecordManyLeftJokers(int32_t a, int32_t b, TileIndex idxA, TileIndex idxB,
                                            HuResult& result) {
    int32_t savedA, savedB;
    int extras = 0;
    int32_t extraType[kMaxMelds], extraA[kMaxMelds], extraB[kMaxMelds];
    for (int32_t left = a + b; left > 0 && extras < kMaxMelds; left = SumJokers(a, b)) {
        extraType[extras] = left >= 3 ? kMeldPung : kMeldPair;
        TakeJokers(&savedA, &savedB, &a, &b, left >= 3 ? 3 : 2);
        extraA[extras] = savedA - a;
        extraB[extras++] = savedB - b;
    }
    for (int i = extras - 1; i >= 0; --i)
        AddMeldEx(result, extraType[i], extraA[i], extraB[i], idxA, idxB);
}

}  // namespace

void RecordLeftJokers(int32_t a, int32_t b, TileIndex idxA, TileIndex idxB, HuResult& result) {
    if (a >= 0 && b >= 0 && a + b <= kFewLeft) {
        const LeftMelds& t = kLeftMelds[size_t(a)][size_t(b)];
        const int first = result.meldCount;
        if (first < 0 || first >= kMaxMelds) return;
        const int kept = t.count < kMaxMelds - first ? t.count : kMaxMelds - first;
        const int32_t jokerA = int32_t(0u - uint32_t(idxA)), jokerB = int32_t(0u - uint32_t(idxB));
#if defined(__SSE2__)
        const __m128i ja = _mm_set1_epi32(jokerA), jb = _mm_set1_epi32(jokerB);
#endif
        for (int i = 0; i < kept; ++i) {
            const auto& from = t.melds[i];
            MeldRecord& meld = result.melds[size_t(first + i)];
            meld.type = from.type;
#if defined(__SSE2__)
            auto load = [](const int32_t* p) {
                return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            };
            _mm_storeu_si128(
                reinterpret_cast<__m128i*>(meld.tiles.data()),
                _mm_or_si128(_mm_and_si128(ja, load(from.a)), _mm_and_si128(jb, load(from.b))));
#else
            for (int p = 0; p < 4; ++p)
                meld.tiles[size_t(p)] = (jokerA & from.a[p]) | (jokerB & from.b[p]);
#endif
            meld.spare = {0, 0};
        }
        result.meldCount = first + kept;
        return;
    }
    RecordManyLeftJokers(a, b, idxA, idxB, result);
}

void RecordMelds(const Taken* taken, int n, int spent, int32_t nA, int32_t nB, TileIndex idxA,
                 TileIndex idxB, HuResult& result) {
    const uint32_t order = kSpendOrder[size_t(nA)][size_t(nB)];
    if (nA + nB > spent) RecordLeftJokers(spent, order, nA, nB, idxA, idxB, result);
    RecordTakenMelds(taken, n, order, idxA, idxB, result);
}

void RecordTakenMelds(const Taken* taken, int n, uint32_t order, TileIndex idxA, TileIndex idxB,
                      HuResult& result) {
    const int first = result.meldCount;
    if (first < 0 || first >= kMaxMelds) return;
    // The record keeps the last taken while it has room.
    int from = 0, before = 0;
    if (n > kMaxMelds - first) {
        from = n - (kMaxMelds - first);
        for (int i = 0; i < from; ++i)
            before += kMeldWords[size_t(taken[i].meld)].jokers;
    }
    WriteMelds(taken, from, n, before, order, idxA, idxB, result.melds.data() + first + (n - from));
    result.meldCount = first + (n - from);
}

}  // namespace rules::detail
