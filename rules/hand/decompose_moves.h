#pragma once
// The meld moves of the decomposition, in the search's order, as the walk,
// the block tables and their generator share them; and the recording of the
// melds a decomposition took.

#include <cstdint>
#include <iterator>

#include "rules/hand/group_value.h"
#include "rules/hand/hu_result.h"

namespace rules::detail {

// The moves from the lowest kind k, by number in the search's order: the
// tiles taken of k, k + 1 and k + 2 (as nibbles, and as a base-5 number),
// the wildcards spent and whether it is the pair (as the shift they add to a
// mask), and how the meld is written: its tile words as k, k + 1, k + 2, the
// first or second wildcard's kind, or nothing.
struct Move {
    uint16_t nibbles;
    uint8_t weight;
    uint8_t shift;
    uint8_t jokers;
    uint8_t pair;
    int8_t type;
    uint8_t words[4];
};
enum : uint8_t { kK0, kK1, kK2, kJoker1 = 4, kJoker2, kNothing };
inline constexpr Move kMoves[] = {
    {0x004, 4, 0, 0, 0, kMeldKong, {kK0, kK0, kK0, kK0}},
    {0x003, 3, 0, 0, 0, kMeldPung, {kK0, kK0, kK0, kNothing}},
    {0x002, 2, 1, 1, 0, kMeldPung, {kK0, kK0, kJoker1, kNothing}},
    {0x001, 1, 2, 2, 0, kMeldPung, {kK0, kJoker1, kJoker2, kNothing}},
    {0x002, 2, kMaskPair, 0, 1, kMeldPair, {kK0, kK0, kNothing, kNothing}},
    {0x001, 1, kMaskPair + 1, 1, 1, kMeldPair, {kK0, kJoker1, kNothing, kNothing}},
    {0x111, 31, 0, 0, 0, kMeldChow, {kK0, kK1, kK2, kNothing}},
    {0x011, 6, 1, 1, 0, kMeldChow, {kK0, kK1, kJoker1, kNothing}},
    {0x101, 26, 1, 1, 0, kMeldChow, {kK0, kJoker1, kK2, kNothing}},
    {0, 0, 0, 0, 0, 0, {}}};  // no move: ends a list of candidates
inline constexpr uint8_t kNoMove = std::size(kMoves) - 1;

// Whether move m can be taken from the lowest kind held `count` times, the
// next two kinds held or not, the pair free or not and `jokers` wildcards
// left.
constexpr bool MoveFits(const Move& m, int count, bool next, bool after, bool pairFree,
                        int jokers) {
    return count >= (m.nibbles & 0xF) && next >= (m.nibbles >> 4 & 0xF) &&
           after >= (m.nibbles >> 8) && (pairFree || !m.pair) && jokers >= m.jokers;
}

// One meld as a decomposition took it: its move plus one times 16 plus the
// rank of its lowest kind from k (as the block tables hold a meld: never 0, so
// that a zero byte ends their list of melds), and k.
struct Taken {
    uint8_t meld;
    uint8_t k;
};
constexpr uint8_t TakenMeld(int move, int rank) {
    return uint8_t((move + 1) << 4 | rank);
}
inline constexpr int kTakenMelds = std::size(kMoves) * 16;
static_assert(TakenMeld(kNoMove - 1, 15) < kTakenMelds);

// Appends the melds taken (in the order taken, the first from the lowest
// kind; `spent` wildcards in all) as the search records them: each charged
// with the wildcards it spent, then the nA + nB wildcards not spent as pungs
// and a pair of wildcards alone; from the last taken to the first. At most
// 15 wildcards.
void RecordMelds(const Taken* taken, int n, int spent, int32_t nA, int32_t nB, TileIndex idxA,
                 TileIndex idxB, HuResult& result);

}  // namespace rules::detail
