#pragma once
// The group tables, written at build time by group_table_gen.cpp: every suit
// (by the base-5 code of its nine counts) as one of its few distinct forms,
// and the winds, the dragons and a lone kind by code.

#include <cstdint>

#include "rules/group_value.h"

namespace rules::detail {

inline constexpr int32_t kSuitCodes = 1953125;  // 5^9

// Where the forms of the codes whose r lowest digits are 0 start, by
// code / 5^r: the rests of a suit that the decomposition walks through at
// rank r lie close together there. The first run (r = 0) holds every code.
inline constexpr int32_t kRankOffset[10] = {0,       1953125, 2343750, 2421875, 2437500,
                                            2440625, 2441250, 2441375, 2441400, 2441405};
inline constexpr int32_t kSuitFormEntries = kRankOffset[9];
// code / 5^r for a code whose r lowest digits are 0: a multiple by the
// inverse of 5^r modulo 2^32.
inline constexpr uint32_t kInverse5[9] = {1,         3435973837u, 3264175145u, 652835029, 989560465,
                                          197912093, 1757569337,  2928494245u, 585698849};

extern const unsigned char kSuitFormByRank[kSuitFormEntries + 1];
extern const GroupValue kSuitFormValue[];
extern const GroupMask kSuitFormMask[];
extern const int kSuitForms;

extern const GroupValue kWindValue[625];
extern const GroupValue kDragonValue[125];
extern const GroupValue kSingleValue[5];
extern const GroupMask kSingleMask[5];

// --- Blocks ---------------------------------------------------------------
//
// A block is a run of a suit's ranks from a held rank to a held rank with no
// two empty ranks in a row: no meld reaches across two empty ranks, so a
// suit's blocks split into melds each on its own, the walk takes them one
// after the other, and a block splits the same wherever it lies in its suit.
// A block is keyed by its nibbles (one per rank, from its first). For each
// block of up to kBlockMaxTiles tiles the tables hold, for every exact
// number of wildcards up to kBlockMaxJokers and pair (as a mask's shift: u,
// or 32 + u with the pair) with which it splits, the first decomposition in
// the search's order; these entries stand in the search's order too, so the
// first whose state the context allows is the one the walk would take.
inline constexpr int kBlockMaxTiles = 11;
inline constexpr int kBlockMaxJokers = 4;
// An entry: byte 0 its state, byte 1 its number of melds, then one byte a
// meld: its move (group_value.h) times 16 plus the rank in the block.
inline constexpr int kBlockEntryMelds = 6;

struct BlockSlot {
    uint64_t key;    // 0: no block
    uint32_t first;  // its first entry
    uint8_t count;   // of entries
    uint8_t form;    // its form as a suit code
    uint8_t pad[2];
};
static_assert(sizeof(BlockSlot) == 16);

// The hash table: a block's bucket moves its slot by the bucket's
// displacement, so that no two blocks share a slot.
inline constexpr int kBlockBucketBits = 13;
inline constexpr int kBlockBuckets = 1 << kBlockBucketBits;
inline constexpr uint32_t kBlockSlotCount = 1 << 15;
inline constexpr uint64_t kBlockHash = 0x9E3779B97F4A7C15ull;
inline constexpr uint32_t BlockBucket(uint64_t key) {
    return uint32_t((key * kBlockHash) >> (64 - kBlockBucketBits));
}
inline constexpr uint32_t BlockSlotIndex(uint64_t key, uint16_t displacement) {
    return (uint32_t((key * kBlockHash) >> 24) ^ displacement) & (kBlockSlotCount - 1);
}

extern const uint16_t kBlockDisplacement[kBlockBuckets];
extern const BlockSlot kBlockSlots[kBlockSlotCount];
extern const uint64_t kBlockEntries[];

// The block's slot, or null when the tables do not hold it.
inline const BlockSlot* FindBlock(uint64_t key) {
    const BlockSlot& slot = kBlockSlots[BlockSlotIndex(key, kBlockDisplacement[BlockBucket(key)])];
    return slot.key == key ? &slot : nullptr;
}

inline const GroupValue& SuitValue(int32_t code) {
    return kSuitFormValue[kSuitFormByRank[code]];
}
inline const GroupMask& SuitMask(int32_t code) {
    return kSuitFormMask[kSuitFormByRank[code]];
}

}  // namespace rules::detail
