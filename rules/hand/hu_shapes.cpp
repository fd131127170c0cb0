// The hu entry points, the whole-hand shapes and the joker handling around
// the decomposition.

#include <bit>
#include <cstdlib>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "rules/hand/decompose_record.h"
#include "rules/hand/hand_summary.h"
#include "rules/hand/hu.h"
#include "rules/hand/hu_internal.h"

namespace rules {
namespace {

int64_t Total(const TileCountArray& c, int32_t nA, int32_t nB) {
    int64_t total = SumJokers(nA, nB);
    for (int32_t v : c)
        total += v;
    return total;
}

// Shapes that fail may try once more with the substitute tile moved back out
// of joker A's slot (where the joker extraction put it).
template <typename Test>
int32_t WithSubstituteRetry(const TileCountArray& counts, TileIndex idxA, TileIndex idxB,
                            RuleOptions options, Test test) {
    TileCountArray c = counts;
    if (test(c)) return 8;
    if (!(options & kOptSubstitute) || idxA <= 0 || idxA >= kCountSlots || c[size_t(idxA)] != 1)
        return 0;
    TileIndex sub = CurrentTileHooks().substitute(idxA, idxB, options);
    if (sub <= 0 || sub >= kCountSlots || sub == idxA) return 0;
    c[size_t(idxA)] = 0;
    ++c[size_t(sub)];
    return test(c) ? 8 : 0;
}

// Bit k: slot k holds a count other than 0 (of any value).
uint64_t HeldSlots(const TileCountArray& c) {
    uint64_t held = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (int i = 0; i < kCountSlots; i += 16) {
        auto empty = [&](int j) {
            return _mm_cmpeq_epi32(
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(c.data() + i + 4 * j)), zero);
        };
        const __m128i bytes = _mm_packs_epi16(_mm_packs_epi32(empty(0), empty(1)),
                                              _mm_packs_epi32(empty(2), empty(3)));
        held |= uint64_t(uint16_t(~_mm_movemask_epi8(bytes))) << i;
    }
#else
    for (int k = 0; k < kCountSlots; ++k)
        held |= uint64_t(c[size_t(k)] != 0) << k;
#endif
    return held;
}

bool Honour(TileIndex k, RuleOptions options) {
    return HookHonour(k, -1, -1, options) != 0;
}

}  // namespace

int32_t SevenPairsShape(const TileCountArray& counts, int32_t nA, int32_t nB, TileIndex idxA,
                        TileIndex idxB, TileIndex, RuleOptions, uint32_t allowed,
                        HuResult& result) {
    if (!(allowed & kShapeSevenPairs)) return 0;
    int64_t total = Total(counts, nA, nB);
    if (total != 12 && total != 14) return 0;
    // Only the slots that hold something record a meld (slot 0 never does).
    const uint64_t held = HeldSlots(counts) & ~uint64_t(1);
    int32_t odd = 0;
    for (uint64_t bits = held; bits; bits &= bits - 1) {
        const int32_t c = counts[size_t(std::countr_zero(bits))];
        odd += c == 1 || c == 3;
    }
    if (odd > SumJokers(nA, nB)) return 0;
    for (uint64_t bits = held; bits; bits &= bits - 1) {
        const int k = std::countr_zero(bits);
        int32_t c = counts[size_t(k)];
        int32_t savedA = nA, savedB = nB, usedA = 0, usedB = 0;
        if (c == 1 || c == 3) {
            TakeJokers(&savedA, &savedB, &nA, &nB, 1);
            usedA = savedA - nA;
            usedB = savedB - nB;
        }
        if (c == 1 || c == 2)
            AddMeld(result, kMeldPair, k, usedA, usedB, idxA, idxB, kNoJokerPlace, 0);
        if (c == 3 || c == 4)
            AddMeld(result, kMeldKong, k, usedA, usedB, idxA, idxB, kNoJokerPlace, 0);
    }
    return 8;
}

int32_t KnittedShape(const TileCountArray& counts, int32_t nA, int32_t nB, TileIndex idxA,
                     TileIndex idxB, TileIndex, RuleOptions options, uint32_t allowed,
                     HuResult& result) {
    if (!(allowed & kShapeKnitted)) return 0;
    if (Total(counts, nA, nB) != 14) return 0;
    auto test = [&](const TileCountArray& c) {
        for (int k = 1; k < kCountSlots; ++k) {
            if (c[size_t(k)] > 1) return false;
        }
        for (int k = 1; k < kCountSlots; ++k) {
            if (!c[size_t(k)] || Honour(k, options) || k % 10 == 9) continue;
            if ((k + 1 < kCountSlots && c[size_t(k + 1)]) ||
                (k + 2 < kCountSlots && c[size_t(k + 2)]))
                return false;
        }
        return true;
    };
    if (!WithSubstituteRetry(counts, idxA, idxB, options, test)) return 0;
    AddShapeMeld(result, kShapeKnitted);
    return 8;
}

int32_t SevenHonoursShape(const TileCountArray& counts, int32_t nA, int32_t nB, TileIndex idxA,
                          TileIndex idxB, TileIndex, RuleOptions options, uint32_t allowed,
                          HuResult& result) {
    if (!(allowed & kShapeSevenHonours)) return 0;
    auto test = [&](const TileCountArray& c) {
        int32_t a = nA, b = nB, savedA, savedB;
        for (int k = 31; k <= 37; ++k) {
            if (c[size_t(k)]) continue;
            if (options & kOptNoJokerSevenHonours) return false;
            if (TakeJokers(&savedA, &savedB, &a, &b, 1) == 0) return false;
        }
        return true;
    };
    if (!WithSubstituteRetry(counts, idxA, idxB, options, test)) return 0;
    AddShapeMeld(result, kShapeSevenHonours);
    return 8;
}

int32_t AllHonoursShape(const TileCountArray& counts, int32_t nA, int32_t nB, TileIndex idxA,
                        TileIndex idxB, TileIndex, RuleOptions options, uint32_t allowed,
                        HuResult& result) {
    if (!(allowed & kShapeAllHonours)) return 0;
    if (Total(counts, nA, nB) <= 0) return 0;
    auto test = [&](const TileCountArray& c) {
        for (int k = 1; k < kCountSlots; ++k) {
            if (c[size_t(k)] && !Honour(k, options)) return false;
        }
        return true;
    };
    if (!WithSubstituteRetry(counts, idxA, idxB, options, test)) return 0;
    AddShapeMeld(result, kShapeAllHonours);
    return 8;
}

int32_t All258Shape(const TileCountArray& counts, int32_t nA, int32_t nB, TileIndex, TileIndex,
                    TileIndex, RuleOptions options, uint32_t allowed, HuResult& result) {
    if (!(allowed & kShape258)) return 0;
    if (Total(counts, nA, nB) <= 0) return 0;
    for (int k = 1; k < kCountSlots; ++k) {
        if (counts[size_t(k)] && (Honour(k, options) || !IsEyesTile258(k))) return 0;
    }
    AddShapeMeld(result, kShape258);
    return 8;
}

namespace detail {
namespace {

// The whole-hand shapes in the order CheckHuShapes tries them.
using Shape = int32_t (*)(const TileCountArray&, int32_t, int32_t, TileIndex, TileIndex, TileIndex,
                          RuleOptions, uint32_t, HuResult&);
struct ShapeEntry {
    uint32_t bit;
    Shape shape;
};
constexpr ShapeEntry kShapes[] = {{kShapeSevenPairs, SevenPairsShape},
                                  {kShapeKnitted, KnittedShape},
                                  {kShapeSevenHonours, SevenHonoursShape},
                                  {kShapeAllHonours, AllHonoursShape},
                                  {kShape258, All258Shape}};
static_assert(kShapeSevenPairs < kShapeKnitted && kShapeKnitted < kShapeSevenHonours &&
              kShapeSevenHonours < kShapeAllHonours && kShapeAllHonours < kShape258);

// The shape of one of the shape bits.
Shape ShapeOf(uint32_t bit) {
    return kShapes[bit == kShape258 ? 4
                                    : std::countr_zero(bit) - std::countr_zero(kShapeSevenPairs)]
        .shape;
}

// CheckShapesOf's body, inline in each entry: the hu tests call them for
// every hand, and a call with a dozen arguments is a good part of the work.
[[gnu::always_inline]] inline int32_t ShapesOfHand(const TileCountArray& counts,
                                                   const HandSummary& hand, int32_t nA, int32_t nB,
                                                   TileId jokerA, TileId jokerB, TileIndex winKind,
                                                   RuleOptions options, uint32_t allowed,
                                                   HuResult& result, uint32_t mode,
                                                   int32_t pairTaken) {
    const KindMasks& masks = hand.masks;
    const int32_t tiles = hand.tiles;
    // With this game's hooks the kinds that end the test are known, and (but
    // for the substitute retry) the masks tell which shape takes the hand.
    uint64_t refused = 0;
    const bool standard = StandardHookKinds(&refused);
    if (standard ? (masks.present & refused) != 0
                 : HoldsHonourOrFlower(counts, jokerA, jokerB, options)) {
        return 0;
    }
    const bool byMasks = standard && !(options & kOptSubstitute);
    // A negative counter holds no jokers (the sum of the two is then 0).
    if (nA < 0 || nB < 0) nA = nB = 0;
    const int32_t jokers = SumJokers(nA, nB);
    const int64_t total = tiles + int64_t(jokers);
    TileIndex idxA = 0, idxB = 0;
    JokerIdsToIndices(jokerA, jokerB, options, &idxA, &idxB);
    ClearHuResult(result);
    // A shape that fails leaves the result alone: one that the masks refuse
    // need not be called.
    auto mayTake = [&](uint32_t bit) {
        return (allowed & bit) && (!byMasks || ShapesTaking(bit, masks, total, jokers, options));
    };
    // A shape bit in mode restricts the test to that shape.
    if (mode & kShapeBits) {
        for (const ShapeEntry& e : kShapes) {
            if (!(mode & e.bit)) continue;
            return mayTake(e.bit) &&
                           e.shape(counts, nA, nB, idxA, idxB, winKind, options, allowed, result)
                       ? 8
                       : 0;
        }
    }
    // The shapes allowed (that the masks take), lowest bit first: the order
    // of kShapes.
    uint32_t shapes = allowed & kShapeBits;
    if (byMasks && shapes) shapes = ShapesTaking(shapes, masks, total, jokers, options);
    for (; shapes; shapes &= shapes - 1) {
        const uint32_t bit = shapes & (0u - shapes);
        if (ShapeOf(bit)(counts, nA, nB, idxA, idxB, winKind, options, allowed, result)) return 8;
    }
    return CallDecompose(counts, hand, nA, nB, idxA, idxB, winKind, options, allowed, result,
                         pairTaken)
               ? 8
               : 0;
}

}  // namespace

int32_t CheckShapes(const TileCountArray& counts, int32_t nA, int32_t nB, TileId jokerA,
                    TileId jokerB, TileIndex winKind, RuleOptions options, uint32_t allowed,
                    HuResult& result, uint32_t mode, int32_t pairTaken) {
    HandSummary hand;
    if (!SummariseHand(counts, &hand)) return 0;
    return ShapesOfHand(counts, hand, nA, nB, jokerA, jokerB, winKind, options, allowed, result,
                        mode, pairTaken);
}

int32_t CheckShapesOf(const TileCountArray& counts, const HandSummary& hand, int32_t nA, int32_t nB,
                      TileId jokerA, TileId jokerB, TileIndex winKind, RuleOptions options,
                      uint32_t allowed, HuResult& result, uint32_t mode, int32_t pairTaken) {
    return ShapesOfHand(counts, hand, nA, nB, jokerA, jokerB, winKind, options, allowed, result,
                        mode, pairTaken);
}

void RecordSevenPairs(const HandSummary& hand, int k1, int k2, int32_t nA, int32_t nB,
                      TileIndex idxA, TileIndex idxB, HuResult& result) {
    const uint32_t order = kSpendOrder[size_t(nA)][size_t(nB)];
    const int32_t jokerA = int32_t(0u - uint32_t(idxA)), jokerB = int32_t(0u - uint32_t(idxB));
    // The rest's kinds and odd kinds: a kind taken goes when the hand holds
    // no more of it, and turns odd or even. Its kongs are the hand's (held
    // three times or more) but for a kind taken that falls below three.
    uint64_t kinds = hand.masks.present, odd = hand.masks.odd, notKong = 0;
    auto take = [&](int k, int32_t count) {
        const uint64_t bit = KindBit(k);
        kinds &= count > 1 ? ~uint64_t(0) : ~bit;
        odd ^= bit;
        notKong |= count == 3 ? bit : 0;
    };
    if (k1 != -1) take(k1, hand.bytes[k1]);
    if (k2 != -1) take(k2, hand.bytes[k2] - (k2 == k1));
    int n = result.meldCount;
    uint32_t spent = 0;
    for (; kinds && n < kMaxMelds; kinds &= kinds - 1, ++n) {
        const int k = std::countr_zero(kinds);
        // Without branches on which kinds are odd, which changes from hand to
        // hand.
        const bool isOdd = odd >> k & 1;
        const int32_t joker = order >> spent & 1 ? jokerB : jokerA;
        spent += isOdd;
        const int32_t last = isOdd ? joker : k;
        MeldRecord& meld = result.melds[size_t(n)];
        if (hand.bytes[k] > 2 && !(notKong >> k & 1)) [[unlikely]] {
            meld = {kMeldKong, {k, k, k, last}, {0, 0}};
            continue;
        }
#if defined(__SSE2__)
        // A pair in two stores: its type, kind and last tile with a word of
        // 0, then the 0 words after them.
        static_assert(sizeof(MeldRecord) == 28 && offsetof(MeldRecord, tiles) == 4);
        auto* bytes = reinterpret_cast<unsigned char*>(&meld);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(bytes + 12), _mm_setzero_si128());
        _mm_storeu_si128(reinterpret_cast<__m128i*>(bytes),
                         _mm_set_epi64x(int64_t(uint32_t(last)),
                                        int64_t(uint64_t(uint32_t(k)) << 32 | kMeldPair)));
#else
        meld = {kMeldPair, {k, last, 0, 0}, {0, 0}};
#endif
    }
    result.meldCount = n;
}

int32_t RecordWinningRest(const TileCountArray& counts, const HandSummary& hand, int32_t nA,
                          int32_t nB, TileIndex idxA, TileIndex idxB, TileIndex winKind,
                          RuleOptions options, uint32_t allowed, uint32_t shapes, HuResult& result,
                          bool pairTaken) {
    ClearHuResult(result);
    // The first shape tried that takes the rest decides.
    if (shapes) {
        return ShapeOf(shapes & (0u - shapes))(counts, nA, nB, idxA, idxB, winKind, options,
                                               allowed, result)
                   ? 8
                   : 0;
    }
    return CallDecompose(counts, hand, nA, nB, idxA, idxB, winKind, options, allowed, result,
                         pairTaken);
}

}  // namespace detail

int32_t CheckHuShapes(const TileCountArray& counts, int32_t nA, int32_t nB, TileId jokerA,
                      TileId jokerB, TileIndex winKind, RuleOptions options, uint32_t allowed,
                      HuResult& result, uint32_t mode) {
    detail::HandSummary hand;
    if (!detail::SummariseHand(counts, &hand)) return 0;
    return detail::ShapesOfHand(counts, hand, nA, nB, jokerA, jokerB, winKind, options, allowed,
                                result, mode, 0);
}

int32_t HuWithJokersAsWild(const TileCountArray& counts, TileId tile, TileId jokerA, TileId jokerB,
                           int32_t* nA, int32_t* nB, TileIndex* winKind, RuleOptions options,
                           uint32_t allowed, HuResult& result, uint32_t mode) {
    TileCountArray copy = counts;
    *nA = ExtractJokers(copy, tile, jokerA, jokerB, winKind, options, 0, nB);
    return CheckHuShapes(copy, *nA, *nB, jokerA, jokerB, *winKind, options, allowed, result, mode);
}

int32_t HuWithJokersAsTiles(const TileCountArray& counts, TileId tile, TileId jokerA, TileId jokerB,
                            int32_t* nA, int32_t* nB, TileIndex* winKind, RuleOptions options,
                            uint32_t allowed, HuResult& result, uint32_t mode) {
    TileCountArray copy = counts;
    // Jokers stay in the counts as their own kind, whatever option 0x8 says:
    // taking them out here would drop them from the hand.
    *nA = ExtractJokers(copy, tile, jokerA, jokerB, winKind, options | kOptJokersAsTiles, 1, nB);
    return CheckHuShapes(copy, 0, 0, -1, -1, *winKind, options, allowed, result, mode);
}

namespace {

// TryHuWithJokers with the jokers as wildcards only (or no jokers at all): the
// hand is read once, and the winning tile goes into its summary and the
// jokers out of it, as ExtractJokers moves them in the copy of the counts,
// rather than the copy being read again. -1 for the rare hand that this
// cannot read (a count outside 0-4, or the winning tile one too many), which
// the general road then answers.
int32_t HuAsWildOnce(const TileCountArray& counts, TileId tile, TileId jokerA, TileId jokerB,
                     RuleOptions options, uint32_t allowed, HuResult& result, uint32_t mode) {
    detail::HandSummary hand;
    if (!detail::SummariseHand(counts, &hand)) return -1;
    const TileIndex win = TileKindOrZero(tile, options);
    TileIndex kindA = 0, kindB = 0;
    if (options & kOptJokers) {
        kindA = TileKindOrZero(jokerA, options);
        kindB = TileKindOrZero(jokerB, options);
    } else {
        jokerA = jokerB = -1;
    }
    // A fifth tile of a kind, or a tile in a slot of no kind, is no hand
    // unless it is a joker and leaves the counts.
    constexpr uint64_t kNoKind = detail::KindBit(10) | detail::KindBit(20);
    if (win != 0 && (counts[size_t(win)] >= 4 || (detail::KindBit(win) & kNoKind)) &&
        win != kindA && win != kindB)
        return -1;
    // The counts as ExtractJokers leaves them, read off the hand itself: the
    // winning tile in, then joker A's kind out, then joker B's.
    const int32_t withWin = win != 0 ? counts[size_t(win)] + 1 : 0;
    auto before = [&](TileIndex k) { return k == win ? withWin : counts[size_t(k)]; };
    const int32_t nA = kindA != 0 ? before(kindA) : 0;
    const int32_t nB = kindB != 0 && kindB != kindA ? before(kindB) : 0;
    hand.Move(win, kindA, nA, kindB, nB);
    // CheckShapesOf refuses such a hand before it reads anything else (only
    // honours and flowers are ever refused so).
    uint64_t refused = 0;
    if ((hand.masks.present >> 31) && detail::StandardHookKinds(&refused) &&
        (hand.masks.present & refused))
        return 0;
    TileCountArray copy = counts;
    copy[size_t(win)] = withWin;
    copy[size_t(kindA)] = 0;
    copy[size_t(kindB)] = 0;
    return detail::CheckShapesOf(copy, hand, nA, nB, jokerA, jokerB, win, options, allowed, result,
                                 mode, 0);
}

}  // namespace

int32_t TryHuWithJokers(const TileCountArray& counts, TileId tile, TileId jokerA, TileId jokerB,
                        RuleOptions options, uint32_t allowed, HuResult& result, uint32_t mode) {
    if ((options & kOptNoHuRestricted1) && (mode & kModeRestricted1)) return 0;
    if ((options & kOptNoHuRestricted4) && (mode & kModeRestricted4)) return 0;
    const bool restricted = mode & (kModeRestricted1 | kModeRestricted4);
    if (!(options & kOptJokers) || !(options & (kOptJokersAsTiles | kOptSubstitute))) {
        // A joker won on in a restricted mode does not win as a wildcard.
        if (restricted && (options & kOptJokers) && IsJokerTile(tile, jokerA, jokerB, options))
            return 0;
        const int32_t found =
            HuAsWildOnce(counts, tile, jokerA, jokerB, options, allowed, result, mode);
        if (found >= 0) return found;
    }
    const bool tileIsJoker = IsJokerTile(tile, jokerA, jokerB, options);
    TileIndex winKind = 0;
    if (!(options & kOptJokers)) {
        TileCountArray copy = counts;
        int32_t ignored = 0;
        ExtractJokers(copy, tile, jokerA, jokerB, &winKind, options, 0, &ignored);
        return CheckHuShapes(copy, 0, 0, -1, -1, winKind, options, allowed, result, mode);
    }
    int32_t a = 0, b = 0;
    const bool asTiles = options & kOptJokersAsTiles;
    if (!tileIsJoker) {
        int32_t nB = 0;
        const int32_t nA = asTiles ? CountJokersInCounts(counts, jokerA, jokerB, options, &nB) : 0;
        if (asTiles && SumJokers(nA, nB) > 0 &&
            HuWithJokersAsTiles(counts, tile, jokerA, jokerB, &a, &b, &winKind, options, allowed,
                                result, mode))
            return 8;
        return HuWithJokersAsWild(counts, tile, jokerA, jokerB, &a, &b, &winKind, options, allowed,
                                  result, mode);
    }
    if (asTiles) {
        if (HuWithJokersAsTiles(counts, tile, jokerA, jokerB, &a, &b, &winKind, options, allowed,
                                result, mode))
            return 8;
        if (restricted) return 0;
        return HuWithJokersAsWild(counts, tile, jokerA, jokerB, &a, &b, &winKind, options, allowed,
                                  result, mode);
    }
    if (restricted) return 0;
    return HuWithJokersAsWild(counts, tile, jokerA, jokerB, &a, &b, &winKind, options, allowed,
                              result, mode);
}

}  // namespace rules
