#pragma once
// A hand read once: bit masks of its kinds, its number of tiles and its
// suits as codes and nibbles, from which the hand tests answer most questions
// with a few bit operations; and the whole-hand shapes on those masks.

#include <cstdint>

#include "rules/group_value.h"
#include "rules/hand_count.h"
#include "rules/hu_result.h"

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

// A valid hand read once: its kind masks, its number of tiles, and the
// counts of the suits' slots (kinds 0-31) as bytes and as nibbles.
struct HandSummary {
    KindMasks masks;
    int32_t tiles = 0;
    alignas(16) uint8_t bytes[32];
    uint64_t nibbles[2];  // kinds 0-15, 16-31

    // A suit's counts (suit 0-2) as a base-5 code, digit r for rank r + 1.
    int32_t SuitCode(int suit) const;
    // A suit's counts as nibbles, nibble r for rank r + 1.
    uint64_t SuitNibbles(int suit) const;
    // The summary with one of the `count` tiles of kind k taken out.
    void Take(int k, int32_t count) {
        const uint64_t bit = uint64_t(1) << k;
        masks.present &= count > 1 ? ~uint64_t(0) : ~bit;
        masks.pairs &= count > 2 ? ~uint64_t(0) : ~bit;
        masks.odd ^= bit;
        --tiles;
        if (k < 32) {
            --bytes[k];
            nibbles[k >> 4] -= uint64_t(1) << (4 * (k & 15));
        }
    }
    // The summary with the `count` tiles of kind k taken out.
    void Empty(int k, int32_t count) {
        const uint64_t bit = uint64_t(1) << k;
        masks.present &= ~bit;
        masks.pairs &= ~bit;
        masks.odd &= ~bit;
        tiles -= count;
        if (k < 32) {
            bytes[k] = 0;
            nibbles[k >> 4] &= ~(uint64_t(0xF) << (4 * (k & 15)));
        }
    }
};

// Reads the counts once: whether they are a hand at all (every count 0-4,
// none in the slots 0, 10 and 20), and when they are, its summary.
bool SummariseHand(const TileCountArray& counts, HandSummary* summary);
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
bool StandardHookKinds(uint64_t* refused);

// Which of the whole-hand shapes (bits) take the hand: `total` counts its
// tiles and wildcards. For this game's hooks, without option 0x4.
inline uint32_t ShapesTaking(uint32_t shapes, const KindMasks& m, int64_t total, int32_t jokers,
                             RuleOptions options) {
    uint32_t takes = 0;
    if ((shapes & kShapeSevenPairs) && (total == 12 || total == 14) && CountBits(m.odd) <= jokers)
        takes |= kShapeSevenPairs;
    if (shapes & kShapeKnitted) {
        // At most one of each kind, and no suited kind with the next or the
        // one after it.
        const uint64_t low = m.present & ~kHonourKinds & ~kNineKinds;
        if (total == 14 && m.pairs == 0 && (((low << 1) | (low << 2)) & m.present) == 0)
            takes |= kShapeKnitted;
    }
    if (shapes & kShapeSevenHonours) {
        // Each missing honour costs a wildcard.
        const uint64_t missing = kHonourKinds & ~m.present;
        if (missing == 0 ||
            (!(options & kOptNoJokerSevenHonours) && (jokers >= 7 || CountBits(missing) <= jokers)))
            takes |= kShapeSevenHonours;
    }
    if ((shapes & kShapeAllHonours) && total > 0 && (m.present & ~kHonourKinds) == 0)
        takes |= kShapeAllHonours;
    if ((shapes & kShape258) && total > 0 && (m.present & ~kKinds258) == 0) takes |= kShape258;
    return takes;
}

// Whether one whole-hand shape (its bit) takes the hand.
inline bool ShapeTakes(uint32_t shape, const KindMasks& m, int64_t total, int32_t jokers,
                       RuleOptions options) {
    return ShapesTaking(shape, m, total, jokers, options) != 0;
}

inline int32_t HandSummary::SuitCode(int suit) const {
    // Pairs of ranks, then fours, then the eight and the ninth.
    const uint64_t x = SuitNibbles(suit);
    const uint64_t pairs = (x & 0x0F0F0F0F0Full) + 5 * (x >> 4 & 0x0F0F0F0F0Full);
    const uint64_t fours = (pairs & 0x00FF00FF00FFull) + 25 * (pairs >> 8 & 0x00FF00FF00FFull);
    const uint64_t eights = (fours & 0xFFFF0000FFFFull) + 625 * (fours >> 16 & 0xFFFF0000FFFFull);
    return int32_t((eights & 0xFFFFFFFF) + 390625 * (eights >> 32));
}

inline uint64_t HandSummary::SuitNibbles(int suit) const {
    constexpr uint64_t kNine = (uint64_t(1) << 36) - 1;
    switch (suit) {
        case 0:
            return nibbles[0] >> 4 & kNine;
        case 1:
            return (nibbles[0] >> 44 | nibbles[1] << 20) & kNine;
        default:
            return nibbles[1] >> 20 & kNine;
    }
}

}  // namespace rules::detail
