#pragma once
// A hand read once: bit masks of its kinds, its number of tiles and its
// suits as codes and nibbles, from which the hand tests answer most questions
// with a few bit operations; and the whole-hand shapes on those masks.

#include <cstdint>

#include "rules/hand/group_value.h"
#include "rules/hand/hand_count.h"
#include "rules/hand/hu_result.h"

namespace rules::detail {

inline constexpr uint64_t KindBit(int k) {
    return uint64_t(1) << k;
}
inline constexpr uint64_t kHonourKinds = uint64_t(0x7F) << 31;  // 31-37
inline constexpr uint64_t kKinds258 = KindBit(2) | KindBit(5) | KindBit(8) | KindBit(12) |
                                      KindBit(15) | KindBit(18) | KindBit(22) | KindBit(25) |
                                      KindBit(28);
inline constexpr uint64_t kNineKinds =
    KindBit(9) | KindBit(19) | KindBit(29) | KindBit(39) | KindBit(49) | KindBit(59);

// The kinds of a valid hand (every count 0-4) by what it holds of them.
struct KindMasks {
    uint64_t present = 0;  // bit k: one or more of kind k
    uint64_t pairs = 0;    // two or more
    uint64_t odd = 0;      // an odd number
};

// A valid hand read once: its kind masks, its number of tiles, the counts
// of every kind as bytes and those of the suits' slots (kinds 0-31) as
// nibbles.
struct HandSummary {
    KindMasks masks;
    int32_t tiles = 0;
    alignas(16) uint8_t bytes[kCountSlots];
    uint64_t nibbles[2];  // kinds 0-15, 16-31

    // A suit's counts (suit 0-2) as a base-5 code, digit r for rank r + 1.
    int32_t SuitCode(int suit) const;
    // A suit's counts as nibbles, nibble r for rank r + 1.
    uint64_t SuitNibbles(int suit) const { return SuitNibbles(nibbles[0], nibbles[1], suit); }
    // The same for the two nibble words held apart (a caller that has just
    // changed them reads them back from its registers, not from the stores).
    static uint64_t SuitNibbles(uint64_t low, uint64_t high, int suit);
    // A suit's nibbles as its base-5 code.
    static int32_t CodeOfNibbles(uint64_t x);
    // The summary with one of the `count` tiles of kind k taken out.
    void Take(int k, int32_t count) {
        const uint64_t bit = uint64_t(1) << k;
        masks.present &= count > 1 ? ~uint64_t(0) : ~bit;
        masks.pairs &= count > 2 ? ~uint64_t(0) : ~bit;
        masks.odd ^= bit;
        --tiles;
        --bytes[k];
        if (k < 32) nibbles[k >> 4] -= uint64_t(1) << (4 * (k & 15));
    }
    // The summary once one tile of kind `in` has come (0: none; a fifth only
    // when `in` goes next) and then the `countA` tiles of kind `outA` and the
    // `countB` of kind `outB` have gone (0: no kind, or kind B the same as A):
    // the winning tile in and the jokers out. Each field is read and written
    // once, the bytes last (a byte store may alias any field, which would
    // have every field stored and read again).
    void Move(int in, int outA, int32_t countA, int outB, int32_t countB) {
        const uint64_t added = in != 0 ? uint64_t(1) << in : 0;
        const uint64_t kept = ~((uint64_t(1) << outA) | (uint64_t(1) << outB));
        // Pairs and odd counts are kinds present, so the new present kinds
        // mask them; that also keeps the compiler from reading two fields in
        // one wide load, which would wait for the summary's stores of them.
        const uint64_t present = (masks.present | added) & kept;
        masks.pairs = (masks.pairs | (masks.present & added)) & present;
        masks.odd = (masks.odd ^ added) & present;
        masks.present = present;
        tiles += int32_t(in != 0) - countA - countB;
        uint64_t low = nibbles[0], high = nibbles[1];
        auto shift = [&](int k, int32_t delta) {
            if (k < 32) (k < 16 ? low : high) += uint64_t(int64_t(delta)) << (4 * (k & 15));
        };
        shift(in, int32_t(in != 0));
        shift(outA, -countA);
        shift(outB, -countB);
        nibbles[0] = low;
        nibbles[1] = high;
        if (in != 0) ++bytes[in];
        bytes[outA] = 0;
        bytes[outB] = 0;
    }
    // The summary with the `count` tiles of kind k (all it holds) taken out.
    void Empty(int k, int32_t count) {
        // Pairs and odd counts are kinds present: one load each, none of
        // them paired into a wide load of fields just stored one by one.
        masks.present &= ~(uint64_t(1) << k);
        masks.pairs &= masks.present;
        masks.odd &= masks.present;
        tiles -= count;
        bytes[k] = 0;
        if (k < 32) nibbles[k >> 4] -= uint64_t(count) << (4 * (k & 15));
    }
};

// Reads the counts once: whether they are a hand at all (every count 0-4,
// none in the slots 0, 10 and 20), and when they are, its summary.
bool SummariseHand(const TileCountArray& counts, HandSummary* summary);
// The same for the counts less every tile of kinds a and b (1-63; none for 0),
// with the suits' codes (as SuitCode): the number of kinds held an odd number
// of times, or kNotAHand, or kHoldsRefused when the hand holds a kind of
// `refused` (its summary then left unfinished).
inline constexpr int32_t kNotAHand = -1, kHoldsRefused = -2;
int32_t SummariseHandLess(const TileCountArray& counts, int a, int b, uint64_t refused,
                          HandSummary* summary, int32_t codes[3]);
// Tests run the 32-byte road (true, when the processor has it) or the
// 16-byte one; returns whether the 32-byte road is now taken. The roads that
// use BMI1, BMI2 and POPCNT follow the same switch.
bool SetWideSummaryForTesting(bool wide);

#if defined(__x86_64__) && defined(__GNUC__)
#define QEVO_BIT_ROADS 1
// Whether the processor has BMI1, BMI2 and POPCNT: asked once at start (false
// until then), for the roads compiled for them.
extern bool g_bitInstructions;
#endif

// The kinds that the installed honour-or-flower hook refuses a hand for, when
// the hooks are this game's own (then true); the shapes read the honour hook.
inline bool StandardHookKinds(uint64_t* refused) {
    const HonourHookSet set = InstalledHonourHooks();
    if (set == HonourHookSet::kOther) return false;
    constexpr uint64_t kFlowers = ~(KindBit(40) - 1);
    *refused = kFlowers | (set == HonourHookSet::kHonoursAndFlowers ? kHonourKinds : 0);
    return true;
}

// Whether each whole-hand shape takes the hand: `total` counts its tiles and
// wildcards. For this game's hooks, without option 0x4.
namespace shape {
inline bool SevenPairs(const KindMasks& m, int64_t total, int32_t jokers) {
    return (total == 12 || total == 14) && CountBits(m.odd) <= jokers;
}
inline bool Knitted(const KindMasks& m, int64_t total) {
    // At most one of each kind, and no suited kind with the next or the one
    // after it.
    const uint64_t low = m.present & ~kHonourKinds & ~kNineKinds;
    return total == 14 && m.pairs == 0 && (((low << 1) | (low << 2)) & m.present) == 0;
}
inline bool SevenHonours(const KindMasks& m, int32_t jokers, RuleOptions options) {
    // Each missing honour costs a wildcard.
    const uint64_t missing = kHonourKinds & ~m.present;
    if (missing == 0) return true;
    if (options & kOptNoJokerSevenHonours) return false;
    return jokers >= 7 || CountBits(missing) <= jokers;
}
inline bool AllHonours(const KindMasks& m, int64_t total) {
    return total > 0 && (m.present & ~kHonourKinds) == 0;
}
inline bool All258(const KindMasks& m, int64_t total) {
    return total > 0 && (m.present & ~kKinds258) == 0;
}
}  // namespace shape

// Whether one whole-hand shape (its bit) takes the hand.
inline bool ShapeTakes(uint32_t bit, const KindMasks& m, int64_t total, int32_t jokers,
                       RuleOptions options) {
    switch (bit) {
        case kShapeSevenPairs:
            return shape::SevenPairs(m, total, jokers);
        case kShapeKnitted:
            return shape::Knitted(m, total);
        case kShapeSevenHonours:
            return shape::SevenHonours(m, jokers, options);
        case kShapeAllHonours:
            return shape::AllHonours(m, total);
        case kShape258:
            return shape::All258(m, total);
        default:
            return false;
    }
}

// Which of the shapes (bits) take the hand, all asked at once.
inline uint32_t ShapesTaking(uint32_t shapes, const KindMasks& m, int64_t total, int32_t jokers,
                             RuleOptions options) {
    uint32_t takes = 0;
    if ((shapes & kShapeSevenPairs) && shape::SevenPairs(m, total, jokers))
        takes |= kShapeSevenPairs;
    if ((shapes & kShapeKnitted) && shape::Knitted(m, total)) takes |= kShapeKnitted;
    if ((shapes & kShapeSevenHonours) && shape::SevenHonours(m, jokers, options))
        takes |= kShapeSevenHonours;
    if ((shapes & kShapeAllHonours) && shape::AllHonours(m, total)) takes |= kShapeAllHonours;
    if ((shapes & kShape258) && shape::All258(m, total)) takes |= kShape258;
    return takes;
}

inline int32_t HandSummary::SuitCode(int suit) const {
    return CodeOfNibbles(SuitNibbles(suit));
}

inline int32_t HandSummary::CodeOfNibbles(uint64_t x) {
    // Pairs of ranks, then fours, then the eight and the ninth.
    const uint64_t pairs = (x & 0x0F0F0F0F0Full) + 5 * (x >> 4 & 0x0F0F0F0F0Full);
    const uint64_t fours = (pairs & 0x00FF00FF00FFull) + 25 * (pairs >> 8 & 0x00FF00FF00FFull);
    const uint64_t eights = (fours & 0xFFFF0000FFFFull) + 625 * (fours >> 16 & 0xFFFF0000FFFFull);
    return SuitCodeOfBase5(int32_t((eights & 0xFFFFFFFF) + 390625 * (eights >> 32)));
}

inline uint64_t HandSummary::SuitNibbles(uint64_t low, uint64_t high, int suit) {
    constexpr uint64_t kNine = (uint64_t(1) << 36) - 1;
    switch (suit) {
        case 0:
            return low >> 4 & kNine;
        case 1:
            return (low >> 44 | high << 20) & kNine;
        default:
            return high >> 20 & kNine;
    }
}

}  // namespace rules::detail
