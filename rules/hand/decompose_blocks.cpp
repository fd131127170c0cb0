// The decomposition from the block tables (group_tables.h): the hand's
// blocks in the walk's order, each given the wildcard counts with which the
// blocks after it can still complete the hand, and each taking the first of
// its decompositions whose state that allows. The same melds as the walk,
// without a step per meld.

#include <bit>
#include <cstddef>

#include "rules/hand/decompose.h"
#include "rules/hand/decompose_moves.h"
#include "rules/hand/decompose_record.h"
#include "rules/hand/group_tables.h"
#include "rules/hand/hand_summary.h"

namespace rules::detail {
namespace {

// A suit's blocks by the ranks it holds (bit r - 1 for rank r), from the
// lowest, two bytes a block: its first rank and its number of ranks, each
// times four (the shift and the width of its nibbles, rank r's at nibble r).
// A block ends at two empty ranks in a row, or at the suit's end.
constexpr auto kSuitBlocks = [] {
    struct {
        uint64_t blocks[512];
    } t{};
    for (int held = 1; held < 512; ++held) {
        auto has = [held](int r) { return r < 9 && (held >> r & 1); };
        for (int r = 0, i = 0; r < 9; ++r) {
            if (!has(r)) continue;
            int last = r;
            while (has(last + 1) || has(last + 2))
                last += has(last + 1) ? 1 : 2;
            t.blocks[held] |= uint64_t(4 * (r + 1) | 4 * (last - r + 1) << 8) << (16 * i++);
            r = last;
        }
    }
    return t;
}();
// A suit's kind of rank r (the melds take a block's first as theirs), by
// the suit and 4r (its nibbles' shift).
constexpr auto kSuitKinds = [] {
    struct {
        uint64_t kinds[3][4 * 9 + 1];
    } t{};
    for (int s = 0; s < 3; ++s) {
        for (int r = 1; r <= 9; ++r)
            t.kinds[s][4 * r] = uint64_t(10 * s + r);
    }
    return t;
}();
// Each wildcard count's row of kBlockShort (a read, not a multiply, before
// every slot).
constexpr const BlockSlot* kShortRows[] = {kBlockShort[0], kBlockShort[1], kBlockShort[2],
                                           kBlockShort[3], kBlockShort[4], kBlockShort[5],
                                           kBlockShort[6], kBlockShort[7], kBlockShort[8]};
static_assert(std::size(kShortRows) == kBlockMaxJokers + 1);
// kContextBefore flat: a block's row starts at its slot's form bits masked
// in place (a shift and an and, no multiply), the step adds the context.
const uint8_t* const kContextSteps = &kContextBefore[0][0];
static_assert(kContextStride == 256);
inline size_t BlockContextRow(BlockSlot slot) {
    return size_t(slot >> (kBlockKeyBits - 8) & 0xFF00);
}
// The most blocks a hand splits into: three a suit, and the lone kinds.
constexpr int kMaxBlocks = 3 * 3 + kCountSlots - 30;

// The melds of the entries taken (of `count` blocks, with their first kinds;
// n melds in all) recorded by RecordTakenMelds: for the decompositions that
// find too little room.
[[gnu::noinline]] void RecordEntries(const uint64_t* taken, const uint64_t* kind, int count, int n,
                                     uint32_t order, TileIndex idxA, TileIndex idxB,
                                     HuResult& result) {
    Taken melds[kMaxMelds];
    for (int i = 0, m = 0; i < count; ++i) {
        for (uint64_t e = taken[i] >> 16; e; e >>= 8)
            melds[m++] = {uint8_t(e), uint8_t(kind[i])};
    }
    RecordTakenMelds(melds, n, order, idxA, idxB, result);
}

// The blocks found (their slots, and their first kinds) decomposed and
// recorded: their count is kCount, or `blocks` when kCount is 0. (With the
// count known the loops unroll, and the contexts stay in registers.)
template <int kCount>
[[gnu::always_inline]] inline int32_t Finish(int blocks, const BlockSlot* slot,
                                             const uint64_t* kind, int32_t jokers, int32_t nA,
                                             int32_t nB, TileIndex idxA, TileIndex idxB,
                                             bool pairTaken, HuResult& result) {
    const int count = kCount ? kCount : blocks;
    // context[b]: the counts (spent so far, and whether the pair is taken)
    // from which the blocks after b complete the hand, by their number in
    // kContextBits.
    size_t context[kCount ? kCount : kMaxBlocks];
    // Every block steps back from the final context, the last one too (a
    // table of the steps from the finals costs more to index than the read
    // it saves). Once empty a context stays empty: the test of the first
    // block's finds that nothing completes the hand.
    size_t after = kContextFinal[pairTaken][jokers];
#pragma GCC unroll 8
    for (int b = count - 1; b > 0; --b) {
        context[b] = after;
        after = kContextSteps[BlockContextRow(slot[b]) + after];
    }
    context[0] = after;
    const uint64_t whole = kContextBits[after];
    if (count == 0 ? !(whole & 1) : !(kSuitFormMask[BlockForm(slot[0])].bits & whole)) return 0;
    // The entries taken, added whole (one add a block): the shift so far in
    // the low byte (at most the wildcards and a pair: below 64), the melds
    // so far in the next (each holds a tile of the hand: below 256). Neither
    // carries out of its byte.
    uint64_t sums = 0;
    uint64_t taken[kCount ? kCount : kMaxBlocks];
#pragma GCC unroll 8
    for (int i = 0; i < count; ++i) {
        // The states the blocks after i allow from here: none with a pair
        // once the pair is taken (the shift by 32 or more leaves the upper
        // half empty). One of the block's entries is among them: the state
        // before i is in context[i - 1], so the blocks from i complete from
        // it, and i's fewest wildcards of some residue (an entry's, never
        // above the wildcards held, and the counts allowed are closed
        // downwards by threes) do.
        const uint64_t allowed = kContextBits[context[i]] >> (sums & 63);
        // (A state is below 64: the test reads the entry's low six bits.)
        const uint64_t* entry = kBlockEntries + BlockFirstEntry(slot[i]);
        while (!(allowed >> (*entry & 63) & 1))
            ++entry;
        taken[i] = *entry;
        sums += *entry;
    }
    const int n = int(sums >> 8 & 0xFF);
    if (n > kMaxMelds) return 0;
    const int spent = int(sums % kMaskPair);
    const uint32_t order = kSpendOrder[size_t(nA)][size_t(nB)];
    // The wildcards no meld spent come first (out of line: most hands spend
    // them all), then the melds as below.
    if (nA + nB > spent) [[unlikely]]
        RecordLeftJokers(spent, order, nA, nB, idxA, idxB, result);
    const int first = result.meldCount;
    if (uint32_t(first) > uint32_t(kMaxMelds - n)) [[unlikely]] {
        RecordEntries(taken, kind, count, n, order, idxA, idxB, result);
        return 8;
    }
    // Each block's melds from its entry, each at its place from the back of
    // the record (the first taken last). (From the entries in registers: a
    // list of meld bytes stored by the pick and read back a byte at a time
    // costs more, its loads waiting on the stores.)
    MeldRecord* at = result.melds.data() + first + n;
    const KindWords a = KindWordsOf(int32_t(0u - uint32_t(idxA)));
    const KindWords b = KindWordsOf(int32_t(0u - uint32_t(idxB)));
    int before = 0;
#pragma GCC unroll 8
    for (int i = 0; i < count; ++i) {
        const KindWords k = KindWordsOf(int32_t(kind[i]));
        // (Every block takes a meld; a zero byte ends them.)
        uint64_t melds = taken[i] >> 16;
        do {
            const MeldWords& w = kMeldWords[size_t(melds & 0xFF)];
            WriteMeld(--at, w, k, before, order, a, b);
            before += w.jokers;
        } while (melds >>= 8);
    }
    result.meldCount = first + n;
    return 8;
}

// DecomposeByBlocks, inline in a road for every processor and one for those
// with BMI1, BMI2 and POPCNT (whose shifts by a variable count and bit scans
// are single instructions: most of the work here).
[[gnu::always_inline]] inline int32_t Blocks(const TileCountArray& counts, const HandSummary& hand,
                                             int32_t nA, int32_t nB, TileIndex idxA, TileIndex idxB,
                                             bool pairTaken, HuResult& result) {
    const int32_t jokers = nA + nB;
    if (jokers > kBlockMaxJokers)
        return DecomposeByWalk(counts, hand, nA, nB, idxA, idxB, pairTaken, result);
    const BlockSlot* shortSlots = kShortRows[jokers];
    // Each block's first kind (the melds take it as theirs).
    uint64_t base[kMaxBlocks];
    BlockSlot slot[std::size(base)];
    size_t count = 0;
    // The blocks of each suit, from its ranks held, with their nibbles from
    // the suit's word. Every short block has its slot (a block of three
    // ranks or fewer is one); the longer ones are looked up in the hash at
    // once (adversarial hands hold them often: a slot not stored and read
    // back before the lookup).
    const uint64_t present = hand.masks.present;
    const uint64_t low = hand.nibbles[0], high = hand.nibbles[1];
    const uint64_t words[3] = {low, low >> 40 | high << 24, high >> 16};
    const uint64_t suitBlocks[3] = {kSuitBlocks.blocks[present >> 1 & 0x1FF],
                                    kSuitBlocks.blocks[present >> 11 & 0x1FF],
                                    kSuitBlocks.blocks[present >> 21 & 0x1FF]};
#pragma GCC unroll 3
    for (int s = 0; s < 3; ++s) {
        for (uint64_t e = suitBlocks[s]; e; e >>= 16) {
            const int at = int(e & 0xFF), width = int(e >> 8 & 0xFF);
            const uint64_t key = words[s] >> at & ((uint64_t(1) << width) - 1);
            if (key < kBlockShortKeys) [[likely]] {
                slot[count] = shortSlots[key];
            } else {
                slot[count] = FindBlock(key, kBlockKeyMaskFor.masks[jokers]);
                if (!slot[count])
                    return DecomposeByWalk(counts, hand, nA, nB, idxA, idxB, pairTaken, result);
            }
            base[count++] = kSuitKinds.kinds[s][at];
        }
    }
    // (A lone kind's count, 1 to 4, is a short block's key.)
    for (uint64_t lone = hand.masks.present >> 30 << 30; lone; lone &= lone - 1) {
        const int k = std::countr_zero(lone);
        slot[count] = shortSlots[size_t(counts[size_t(k)])];
        base[count++] = uint64_t(k);
    }
    switch (count) {
        case 1:
            return Finish<1>(int(count), slot, base, jokers, nA, nB, idxA, idxB, pairTaken, result);
        case 2:
            return Finish<2>(int(count), slot, base, jokers, nA, nB, idxA, idxB, pairTaken, result);
        case 3:
            return Finish<3>(int(count), slot, base, jokers, nA, nB, idxA, idxB, pairTaken, result);
        case 4:
            return Finish<4>(int(count), slot, base, jokers, nA, nB, idxA, idxB, pairTaken, result);
        case 5:
            return Finish<5>(int(count), slot, base, jokers, nA, nB, idxA, idxB, pairTaken, result);
        case 6:
            return Finish<6>(int(count), slot, base, jokers, nA, nB, idxA, idxB, pairTaken, result);
        case 7:
            return Finish<7>(int(count), slot, base, jokers, nA, nB, idxA, idxB, pairTaken, result);
        default:
            return Finish<0>(int(count), slot, base, jokers, nA, nB, idxA, idxB, pairTaken, result);
    }
}

}  // namespace

int32_t DecomposeByBlocksPlain(const TileCountArray& counts, const HandSummary& hand, int32_t nA,
                               int32_t nB, TileIndex idxA, TileIndex idxB, bool pairTaken,
                               HuResult& result) {
    return Blocks(counts, hand, nA, nB, idxA, idxB, pairTaken, result);
}

#if QEVO_BIT_ROADS
[[gnu::target("bmi,bmi2,popcnt")]] int32_t DecomposeByBlocksBits(const TileCountArray& counts,
                                                                 const HandSummary& hand,
                                                                 int32_t nA, int32_t nB,
                                                                 TileIndex idxA, TileIndex idxB,
                                                                 bool pairTaken, HuResult& result) {
    return Blocks(counts, hand, nA, nB, idxA, idxB, pairTaken, result);
}
#endif

}  // namespace rules::detail
