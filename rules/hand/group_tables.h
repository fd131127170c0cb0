#pragma once
// The group tables, written at build time by group_table_gen.cpp: every suit
// (by the base-5 code of its nine counts) as one of its few distinct forms,
// the winds, the dragons and a lone kind by code, and the blocks.

#include <cstdint>

#include "rules/hand/group_value.h"

namespace rules::detail {

inline constexpr int32_t kSuitCodes = 1953125;  // 5^9

// A suit's form in two steps, so that the tables stay small enough to stay
// close to the processor: its six high digits choose a row of forms (many
// rows are alike), its three low digits the form in the row.
inline constexpr int32_t kFormRowCodes = 125;
inline constexpr int32_t kFormRowStride = 128;
// (A suit code keeps the three low digits in the low seven bits: SuitCode.)
static_assert(kSuitWeight[3] == kFormRowStride && kPow5[3] == kFormRowCodes);
// rowOf holds each row's offset in rows less the codes before the row
// (modulo 2^32): one add of the code finds the form, with no mask of its low
// digits nor scale of the offset. (One object: a lookup needs one base
// address. The generator checks the number of distinct rows.)
inline constexpr int32_t kFormRows = 2531;
struct SuitFormTable {
    uint32_t rowOf[kSuitCodes / kFormRowCodes];
    unsigned char rows[kFormRows * kFormRowStride + 1];  // (and the literal's end)
};
extern const SuitFormTable kSuitFormTable;
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
inline constexpr int kBlockMaxJokers = 8;
// Longer blocks, up to kBlockLongTiles tiles, hold only the states of at
// most kBlockLongTiles tiles and wildcards in all (no rest of a 17-tile hand
// less its wait's meld has more): a lookup with more wildcards than that
// leaves them finds no slot (see the marks) and the walk takes the hand.
inline constexpr int kBlockLongTiles = 15;
// An entry: byte 0 its state, byte 1 its number of melds, then one byte a
// meld as TakenMeld (decompose_moves.h) writes it from its move and its rank
// in the block, and zero bytes after the last.
inline constexpr int kBlockEntryMelds = 6;

// A block's slot: its key (0: no block) in the low 36 bits, its form as a
// suit code in the next 8, its first entry above them. A key's nibbles
// hold at most 4, so their top bits are free: a long block's slot marks
// there the wildcard counts its entries do not cover, bit 4u + 3 for u
// wildcards, and a lookup with u wildcards compares that bit too.
using BlockSlot = uint64_t;
inline constexpr int kBlockKeyBits = 36;
inline constexpr uint64_t kBlockKeyMask = (uint64_t(1) << kBlockKeyBits) - 1;
inline constexpr uint64_t kBlockNibbleMarks = 0x888888888ull;
inline constexpr uint64_t BlockMark(int jokers) {
    return uint64_t(8) << (4 * jokers);
}
// The bits of a slot that a lookup with u wildcards compares with the key.
inline constexpr auto kBlockKeyMaskFor = [] {
    struct {
        uint64_t masks[kBlockMaxJokers + 1];
    } t{};
    for (int u = 0; u <= kBlockMaxJokers; ++u)
        t.masks[u] = (kBlockKeyMask & ~kBlockNibbleMarks) | BlockMark(u);
    return t;
}();
inline constexpr int BlockForm(BlockSlot slot) {
    return int(slot >> kBlockKeyBits & 0xFF);
}
inline constexpr uint32_t BlockFirstEntry(BlockSlot slot) {
    return uint32_t(slot >> (kBlockKeyBits + 8));
}

// The hash table: a block's bucket moves its slot by the bucket's
// displacement, so that no two blocks share a slot.
inline constexpr int kBlockBucketBits = 15;
inline constexpr int kBlockBuckets = 1 << kBlockBucketBits;
inline constexpr uint32_t kBlockSlotCount = 1 << 17;
inline constexpr uint64_t kBlockHash = 0x9E3779B97F4A7C15ull;
inline constexpr uint32_t BlockBucket(uint64_t key) {
    return uint32_t((key * kBlockHash) >> (64 - kBlockBucketBits));
}
inline constexpr uint32_t BlockSlotIndex(uint64_t key, uint16_t displacement) {
    return (uint32_t((key * kBlockHash) >> 24) ^ displacement) & (kBlockSlotCount - 1);
}

// For each suit form, wildcard count up to kBlockMaxJokers and pair state:
// the counts from which a group of the form completes the hand, closed
// (BeforeGroup of the closed final mask, kClosedFinalMask).
extern const uint64_t kFormBeforeFinal[][2][kBlockMaxJokers + 1];

// The block walk's contexts: the closed masks it meets (with up to
// kBlockMaxJokers wildcards: a hundred and a half or so) by number, so that
// a step before a block is one read of kContextBefore by the context and the
// block's form instead of a shift by each of the form's fewest counts.
// Context 0 is the empty mask. By form first: the step before a block is
// one add of its form's row (its slot's bits in place) and one read.
inline constexpr int kContextFormStride = 128;
inline constexpr int kContextStride = 256;
extern const uint64_t kContextBits[];
extern const uint8_t kContextBefore[][kContextStride];
// The numbers of kClosedFinalMask's masks.
extern const uint8_t kContextFinal[2][kBlockMaxJokers + 1];

// Two suits' groups summed (AddGroup of the one's bits and the other's
// mask) by their forms, as a number in kFormPairBits: a suit's others, when
// the hand holds no kind from 30 up, in two reads instead of six shifts.
extern const uint16_t kFormPairSum[][kContextFormStride];
extern const uint64_t kFormPairBits[];
inline uint64_t SumOfForms(size_t a, size_t b) {
    return kFormPairBits[kFormPairSum[a][b]];
}

extern const uint16_t kBlockDisplacement[kBlockBuckets];
extern const BlockSlot kBlockSlots[kBlockSlotCount];
extern const uint64_t kBlockEntries[];

// Blocks of at most three ranks (most of those real hands hold) also stand
// directly at their key, in tables small enough to stay in the first-level
// cache: no hash, no displacement to wait for. One table for each number of
// wildcards held, whose slots lead to the block's entries without those
// that spend more (which the context never allows: the scan would pass over
// them). (0x444 has twelve tiles: a long block, found as the longer ones.)
inline constexpr uint32_t kBlockShortKeys = 0x444;
extern const BlockSlot kBlockShort[kBlockMaxJokers + 1][kBlockShortKeys];

// The block's slot, or 0 when the tables do not hold it (or a long block's
// entries do not cover its wildcards: keyMask is kBlockKeyMaskFor's).
inline BlockSlot FindBlock(uint64_t key, uint64_t keyMask) {
    const BlockSlot slot = kBlockSlots[BlockSlotIndex(key, kBlockDisplacement[BlockBucket(key)])];
    return (slot & keyMask) == key ? slot : 0;
}
// The form of a suit code.
inline int SuitForm(int32_t code) {
    const uint32_t c = uint32_t(code);
    return kSuitFormTable.rows[kSuitFormTable.rowOf[c / kFormRowStride] + c];
}
inline const GroupValue& SuitValue(int32_t code) {
    return kSuitFormValue[SuitForm(code)];
}
inline const GroupMask& SuitMask(int32_t code) {
    return kSuitFormMask[SuitForm(code)];
}

}  // namespace rules::detail
