// The combined test's fast road: for this game's hooks (or the defaults),
// jokers as wildcards only (no option 0x4 or 0x8), no honour chows and no
// shape restriction in mode, the hand is read once, the rests the checkers
// try are judged by a few mask operations against contexts kept per suit,
// and only the rest that wins is decomposed and recorded. The checkers'
// searches are those of wait_checkers.h; results are those of the checkers.

#include "rules/hand/wait_fast.h"

#include <array>
#include <bit>
#include <cstring>
#include <initializer_list>
#include <type_traits>
#include <utility>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "rules/hand/decompose.h"
#include "rules/hand/decompose_record.h"
#include "rules/hand/group_tables.h"
#include "rules/hand/hand_summary.h"
#include "rules/hand/hu.h"
#include "rules/hand/hu_internal.h"
#include "rules/hand/wait_checkers.h"

namespace rules::detail {
namespace {

// The highest kind the fast road reads as a suit or an honour.
constexpr int kLastKind = 37;

// The weight of each suited kind's rank in its suit's code.
constexpr auto kPowOfKind = [] {
    std::array<int32_t, kCountSlots> powers{};
    for (int k = 1; k < 30; ++k)
        powers[size_t(k)] = k % 10 ? kSuitWeight[k % 10 - 1] : 0;
    return powers;
}();

// The rank of each suited kind (0 for the others, up to the last kind read).
constexpr auto kRankOfKind = [] {
    std::array<uint8_t, kLastKind + 1> ranks{};
    for (int k = 1; k < 30; ++k)
        ranks[size_t(k)] = uint8_t(k % 10);
    return ranks;
}();

// The suited kinds (1-29), and the suit of each.
constexpr uint64_t kSuitedKinds = (uint64_t(1) << 30) - 1;
constexpr auto kSuitOfKind = [] {
    std::array<uint8_t, 30> suits{};
    for (int k = 0; k < 30; ++k)
        suits[size_t(k)] = uint8_t(k / 10);
    return suits;
}();

// The weight in its suit's code of what a loop takes by anchor a: a tile of
// a + d1, and one of a + d2 unless d2 is negative (by d1 0-1 and d2 + 1, d2
// -1 to 2).
constexpr auto kTakenPowers = [] {
    std::array<std::array<std::array<int32_t, 30>, 4>, 2> powers{};
    for (int d1 = 0; d1 < 2; ++d1) {
        for (int d2 = -1; d2 < 3; ++d2) {
            for (int a = 0; a < 30; ++a) {
                powers[size_t(d1)][size_t(d2 + 1)][size_t(a)] =
                    kPowOfKind[size_t(a + d1)] + (d2 < 0 ? 0 : kPowOfKind[size_t(a + d2)]);
            }
        }
    }
    return powers;
}();

// A tile of kind k as the summary's nibble words count it, up to the suits'
// last kind.
alignas(16) constexpr auto kTakenNibbles = [] {
    std::array<std::array<uint64_t, 2>, 30> nibbles{};
    for (int k = 0; k < 30; ++k)
        nibbles[size_t(k)][size_t(k >> 4)] = uint64_t(1) << (4 * (k & 15));
    return nibbles;
}();

// The group each kind falls in, as a bit (suits 1, 2, 4; the kinds from 30
// up 8; none for slot 0, which stands for no kind).
constexpr auto kGroupBitOfKind = [] {
    std::array<uint8_t, kCountSlots> bits{};
    for (int k = 1; k < kCountSlots; ++k)
        bits[size_t(k)] = uint8_t(k < 30 ? 1 << (k / 10) : 8);
    return bits;
}();

// The number of honours among kinds 31-37 (no other bit set), by table: the
// calls that keep seven honours live ask it twice.
constexpr auto kHonoursIn = [] {
    std::array<uint8_t, 128> counts{};
    for (int x = 1; x < 128; ++x)
        counts[size_t(x)] = uint8_t(counts[size_t(x >> 1)] + (x & 1));
    return counts;
}();
inline int CountHonours(uint64_t honours) {
    return kHonoursIn[size_t(honours >> 31)];
}

// The fewest ranks a suit (bit r - 1 for rank r held) must drop so that no
// two left lie within two ranks, as a knitted hand's: keeping the lowest
// rank left each time keeps the most.
constexpr auto kKnitDrops = [] {
    std::array<uint8_t, 512> drops{};
    for (int held = 0; held < 512; ++held) {
        for (int r = 0, next = 0; r < 9; ++r) {
            if (!(held >> r & 1)) continue;
            if (r < next) {
                ++drops[size_t(held)];
            } else {
                next = r + 3;
            }
        }
    }
    return drops;
}();

// The lowest bit set of x (not 0), as an index. (The compiler widens the int
// of countr_zero once more before it indexes, an instruction an anchor in
// the loops' walks; tzcnt, or bsf where it reads as bsf, already writes the
// whole register.)
inline size_t LowestBit(uint64_t x) {
#if defined(__x86_64__) && defined(__GNUC__)
    uint64_t k;
    __asm__("rep bsf %1, %0" : "=r"(k) : "r"(x) : "cc");
    return size_t(k);
#else
    return size_t(std::countr_zero(x));
#endif
}

// Bit k, none for k <= 0 (no kind).
constexpr uint64_t BitOf(int k) {
    return k > 0 ? KindBit(k) : 0;
}

// The whole-hand shapes that take only 12 or 14 tiles and wildcards.
constexpr uint32_t kShapesByTotal = kShapeSevenPairs | kShapeKnitted;

// Whether more than two bits are set.
constexpr bool MoreThanTwo(uint64_t x) {
    x &= x - 1;
    x &= x - 1;
    return x != 0;
}

// A rest that wins by a whole-hand shape, by its melds; or loses.
enum class Rest { kWinsByShape, kWins, kLoses, kLosesUntouched };

constexpr bool Wins(Rest rest) {
    return rest == Rest::kWinsByShape || rest == Rest::kWins;
}

class FastWaits {
  public:
    // (Nothing set here: Reset sets every member a test reads.)
    FastWaits() {}
    // Reads the call: -1 when the fast road does not apply, 0 when the hand
    // holds a kind the hooks refuse (no test wins, the result untouched),
    // else 1.
    int Reset(const TileCountArray& counts, TileId tile, TileId jokerA, TileId jokerB,
              RuleOptions options, uint32_t allowed, uint32_t mode, HuResult& result);

    // The plain test of the hand with its winning tile (TryHuWithJokers).
    bool Plain() const;

    // The context of wait_checkers.h.
    TileIndex kind() const { return kind_; }
    bool winIsWild() const { return winIsWild_; }
    bool jokersOn() const { return jokersOn_; }
    int32_t Jokers() const { return nA_ + nB_; }
    TileIndex idxA() const { return idxA_; }
    TileIndex idxB() const { return idxB_; }
    // (Without the options Reset leaves to the general road: their tests
    // fold away.)
    RuleOptions options() const {
        return options_ & ~(kOptSubstitute | kOptJokersAsTiles | kOptHonourChows);
    }
    uint32_t mode() const { return mode_; }
    bool SelfDrawn() const { return mode_ & kModeSelfDrawn; }
    // (Asked only for kinds, 1 to 63; the summary holds no jokers.)
    int32_t Count(int k) const { return hand_.bytes[k]; }
    // (Without a range test: the checkers ask kinds from 1 to 37, and k & 63
    // keeps any from -1 to 39 apart; the hand holds no kind in slot 0 nor
    // from 38 up.)
    bool Has(int k) const { return hand_.masks.present >> (k & 63) & 1; }
    uint64_t Kinds(int least) const { return least > 1 ? hand_.masks.pairs : hand_.masks.present; }
    int rank() const { return kRankOfKind[size_t(kind_)]; }
    bool Honour(TileIndex k) const { return k >= 31 && k <= 37; }
    // A rest that MayWin named wins: MayWin's answers are Judge's. (Inline
    // in every checker, so that its meld's type picks Record's copy there.)
    [[gnu::always_inline]] bool RestWins(std::initializer_list<int> taken, int32_t jokers,
                                         bool pairTaken, WaitMeld meld, int32_t waitBit,
                                         bool named = false) const {
        // The checkers take only kinds held (twice for a kind taken twice)
        // and no more wildcards than the hand holds.
        const int* t = taken.begin();
        const int n = int(taken.size());
        const int k1 = n > 0 ? t[0] : -1, k2 = n > 1 ? t[1] : -1;
        // The chow wait asks again for rests that the middle wait (a tile
        // beside the winning tile and a wildcard) or the edge wait (two
        // tiles in a row) found lost: kept by their lowest kind. (Which
        // memo a call site reads is known where the checkers are inlined.)
        const bool one = !named && n == 1 && jokers == 1 && !pairTaken;
        const bool run = !named && n == 2 && jokers == 0 && !pairTaken && k2 == k1 + 1;
        if ((one && (lostOnes_ >> k1 & 1)) || (run && (lostRuns_ >> k1 & 1))) return false;
        // (MayWin does not tell how a rest it named wins.)
        const int32_t left = Jokers() - jokers;
        const Rest rest = named    ? Rest::kWinsByShape
                          : n == 0 ? JudgeWhole(left, pairTaken)
                          : n == 1 ? JudgeOne(k1, left, pairTaken)
                                   : Judge(k1, k2, 2, left, pairTaken);
        // (A rest that loses leaves the result: the rest that wins rewrites
        // it, and when none does the shape checks clear it first.)
        if (!Wins(rest)) {
            if (one) lostOnes_ |= KindBit(k1);
            if (run) lostRuns_ |= KindBit(k1);
            return false;
        }
        if (quiet_) {
            quietRest_ = rest;
            return true;
        }
        // (The meld taken by value and copied only here: its fields stay
        // values, not stores made before every judge.)
        const WaitMeld made = meld;
        // (The checkers' melds are pairs, pungs and chows.)
        const bool byShape = rest == Rest::kWinsByShape;
        if (meld.type == kMeldPair)
            return Record<kMeldPair>(k1, k2, jokers, pairTaken, byShape, made, waitBit);
        if (meld.type == kMeldPung)
            return Record<kMeldPung>(k1, k2, jokers, pairTaken, byShape, made, waitBit);
        return Record<kMeldChow>(k1, k2, jokers, pairTaken, byShape, made, waitBit);
    }
    [[gnu::always_inline]] uint64_t MayWin(uint64_t anchors, int d1, int d2, int32_t spent,
                                           bool pairTaken) const;
    // The loops that judge the same rests: the pair wait's (a tile of the
    // anchor, the pair taken) and the pung wait's with a wildcard (the same
    // tile, a wildcard fewer, no pair): the first judges both. Each loop of
    // the checkers has its own copy, its steps (kD1, kD2) fixed; kAnySteps
    // reads them from the arguments.
    enum class Loop { kOther, kPair, kPungWild };
    static constexpr int kAnySteps = 99;
    template <Loop kLoop, int kD1 = kAnySteps, int kD2 = kAnySteps>
    [[gnu::noinline]] uint64_t MayWinOnce(uint64_t anchors, int d1, int d2, int32_t spent,
                                          bool pairTaken) const;
    // MayWinOnce for every batch: whole-hand shapes, the kinds from 30 up,
    // wildcards past the rows (MayWinOnce takes the common batches alone).
    template <Loop kLoop, int kD1 = kAnySteps, int kD2 = kAnySteps>
    [[gnu::noinline]] uint64_t MayWinApart(uint64_t anchors, int d1, int d2, int32_t spent,
                                           bool pairTaken) const;

    // The checkers after the plain test won, in the combined test's order.
    bool Waits();
    // The whole-hand shape checks once every checker failed (ShapeChecks):
    // each is the plain test restricted to one shape, which clears the result
    // and, when the masks take the hand, records the shape.
    // (Cold and out of line: it runs only for the rare hand that wins the
    // plain test and no checker, and the checkers' code then packs closer.)
    [[gnu::cold]] [[gnu::noinline]] int32_t ShapeChecks(int32_t extra) const;
    // The end of a test that Plain or Waits answered: the clearing that the
    // lost rests left due (Clear).
    void EndClear() const {
        if (cleared_) ClearHuResult(*result_);
    }

  private:
    // RestWins for a rest that wins (when not byShape, by its melds alone):
    // its record, then the meld's. (The meld by value: the checkers' calls
    // then build it only for the rest that wins, not before every judge.)
    // A copy for each type of meld (pair, pung, chow), which the checkers
    // know where they call: the meld's writer then folds to its type's.
    template <int32_t kType>
    bool Record(int k1, int k2, int32_t jokers, bool pairTaken, bool byShape, WaitMeld meld,
                int32_t waitBit) const;
    // The whole-hand shapes (live) that take the rest less a tile of k1 and
    // of k2 (-1: none) with `jokers` wildcards, `total` in all: seven pairs
    // told by the odd kinds, the others by the rest's masks.
    uint32_t RestShapes(int k1, int k2, int32_t total, int32_t jokers) const {
        const uint32_t live = liveShapes_ & allowed_ & kShapeBits;
        uint32_t shapes =
            (live & kShapeSevenPairs) && (total == 12 || total == 14) && OddAfter(k1, k2) <= jokers
                ? kShapeSevenPairs
                : 0u;
        if (live & ~kShapeSevenPairs) [[unlikely]] {
            KindMasks m = hand_.masks;
            auto take = [&](int k, int32_t count) {
                const uint64_t bit = KindBit(k);
                m.present &= count > 1 ? ~uint64_t(0) : ~bit;
                m.pairs &= count > 2 ? ~uint64_t(0) : ~bit;
            };
            if (k1 != -1) take(k1, Count(k1));
            if (k2 != -1) take(k2, Count(k2) - (k2 == k1));
            shapes |= ShapesTaking(live & ~kShapeSevenPairs, m, total, jokers, options_);
        }
        return shapes;
    }
    // Record's rest (as its arguments) where Record's own road does not
    // take it: by RecordWinningRest on counts made for it, which tries the
    // first of `shapes` (the whole-hand shapes that take it) or decomposes
    // it. (Out of line: its copies of the summary and the counts would cost
    // Record's common road a large frame and more registers saved.)
    [[gnu::noinline]] bool RecordRestApart(int k1, int k2, int32_t nA, int32_t nB, bool pairTaken,
                                           uint32_t shapes) const;
    // The hand less a tile of k1 and of k2 (0: none; `taken` of them), with
    // `jokers` wildcards: whether CheckShapes wins on it.
    // A rest of one suit is judged by summing its group with the others':
    // a context costs several sums, and the checkers' single rests seldom
    // share one.
    [[gnu::noinline]] Rest Judge(int k1, int k2, int taken, int32_t jokers, bool pairTaken) const;
    // Judge for the rests that take wildcards alone, and for those that take
    // one tile, apart: the branches on what a rest changes then see only the
    // rests of tiles, and the tiles not taken are not looked up. (The rests
    // of wildcards alone fold to a few tests where the checkers ask: judged
    // there, without a call; calls of the others keep the checkers small.)
    [[gnu::always_inline]] Rest JudgeWhole(int32_t jokers, bool pairTaken) const;
    [[gnu::noinline]] Rest JudgeOne(int k, int32_t jokers, bool pairTaken) const;
    Rest JudgeRest(int k1, int k2, int taken, int32_t jokers, bool pairTaken) const;
    // Judge for a rest of 14 that knitted may take and the other shapes do
    // not: knitted told by the kinds.
    [[gnu::noinline]] Rest JudgeKnitted(int k1, int k2, int32_t jokers, bool pairTaken) const;
    // JudgeRest's rest of 14 while knitted lives: JudgeKnitted when the
    // kinds let knitted take it, else JudgeSuit. (Cold and apart: knitted
    // seldom lives, and every checker's call site inlines JudgeRest.)
    [[gnu::cold]] [[gnu::noinline]] Rest JudgeMayKnit(int k1, int k2, int32_t jokers,
                                                      bool pairTaken) const;
    // Judge for a rest that no whole-hand shape takes.
    Rest JudgeSuit(int k1, int k2, int32_t jokers, bool pairTaken) const;
    // Judge for the rests its own steps leave: kinds from 30 up taken while
    // shapes other than seven pairs and knitted live, more than one group
    // changed, sums not made yet.
    [[gnu::noinline]] Rest JudgeCold(int k1, int k2, int32_t jokers, bool pairTaken) const;
    // Judge in the caller (the plain test, on every call), for the hand plus
    // a tile of `added` (0: none) too.
    Rest JudgeHere(int k1, int k2, int added, int32_t jokers, bool pairTaken) const;
    // JudgeHere's rests of more wildcards than the form rows cover (a hand
    // of nine or more): the whole, or `others` with the group `g`, against
    // Final. (Cold and apart, the whole's sum too: the plain test's road
    // packs closer.)
    [[gnu::cold]] [[gnu::noinline]] Rest JudgeWholeManyWild(int32_t jokers, bool pairTaken) const {
        return Whole() & Final(jokers, pairTaken) ? Rest::kWins : Rest::kLoses;
    }
    [[gnu::cold]] [[gnu::noinline]] static Rest JudgeManyWild(uint64_t others, const GroupMask& g,
                                                              int32_t jokers, bool pairTaken) {
        return AddGroup(others, g) & Final(jokers, pairTaken) ? Rest::kWins : Rest::kLoses;
    }
    // Judge for a rest that changes more than one group, or the kinds from
    // 30 up.
    Rest JudgeSpread(int k1, int k2, int added, int32_t jokers, bool pairTaken) const;
    // What a sum of groups (closed under three more wildcards) must meet
    // for `jokers` wildcards to complete the hand: as FinalMask, closed too,
    // which meets the sum where FinalMask does, and comes from a table.
    static uint64_t Final(int32_t jokers, bool pairTaken) {
        return kClosedFinalMask.masks[pairTaken][jokers];
    }
    // What all the hand's groups sum up to (made on first use).
    uint64_t Whole() const { return wholeKnown_ ? whole_ : SumWhole(); }
    uint64_t SumWhole() const;
    // What a suit's group must sum up to, with the others', for the hand's
    // wildcards less `spent` to complete the hand. Only the loops ask, and
    // only above the form rows' wildcards (kBlockMaxJokers): for all the
    // wildcards with and without the pair taken, and for one fewer without;
    // the three are made together on first use.
    uint64_t Context(int suit, int32_t spent, bool pairTaken) const {
        if (!(contextsKnown_ >> suit & 1)) MakeContexts(suit);
        return context_[suit][pairTaken ? 0 : 1 + spent];
    }
    [[gnu::noinline]] void MakeContexts(int suit) const;
    uint64_t Others(int group) const {
        return othersKnown_ >> group & 1 ? others_[group] : SumOthers(group);
    }
    // (In the caller: the plain test sums the others on most calls.)
    uint64_t SumOthers(int group) const;
    // The sums of every suit not made yet, for the loops (whose anchors
    // reach most suits): their walk then makes no call.
    [[gnu::noinline]] void SumAllOthers() const {
        if (lone_ == kMaskNoTiles) {
            // All three from the forms at once (a known sum made again is the
            // same): no walk over the ones missing.
            const size_t f0 = form_[0], f1 = form_[1], f2 = form_[2];
            others_[0] = SumOfForms(f1, f2);
            others_[1] = SumOfForms(f2, f0);
            others_[2] = SumOfForms(f0, f1);
            othersKnown_ = 7;
            return;
        }
        SumOthersApart();
    }
    // (Apart: the registers its walk needs are then saved only on its road.)
    [[gnu::noinline]] void SumOthersApart() const {
        for (unsigned need = 7u & ~unsigned(othersKnown_); need; need &= need - 1)
            SumOthers(std::countr_zero(need));
    }
    uint64_t LoneBits(int k1, int k2, int added) const;
    // Whether a whole-hand shape takes the rest (as Judge's arguments), when
    // one may.
    bool ShapeWins(int k1, int k2, int added, int64_t total, int32_t jokers) const;
    // The anchors of a MayWin batch (as its arguments, `total` the rests'
    // tiles and wildcards) whose rests a whole-hand shape takes by the masks,
    // and those the masks leave open (to ShapeWins).
    struct ShapeSplit {
        uint64_t wins, open;
    };
    ShapeSplit ShapeAnchors(uint64_t anchors, int d1, int d2, int64_t total, int32_t jokers) const;
    // The anchors of a batch (as its arguments, the rests of 12 or 14) whose
    // rests seven pairs takes: all it needs is a wildcard per odd kind.
    [[gnu::always_inline]] uint64_t SevenPairsAnchors(uint64_t anchors, int d1, int d2,
                                                      int32_t jokers) const;
    // The anchors of a batch (as its arguments) whose rests take every tile
    // of `kinds` (a rest takes two tiles at most).
    [[gnu::noinline]] uint64_t AnchorsTakingAll(uint64_t anchors, int d1, int d2,
                                                uint64_t kinds) const;
    // Knitted holds no kind twice nor two suited kinds one or two apart: the
    // lowest two kinds so close, one of which a rest must lose (0: none).
    uint64_t KnittedClose() const {
        const uint64_t present = hand_.masks.present;
        const uint64_t near = present & ~kHonourKinds & ~kNineKinds & (present >> 1 | present >> 2);
        if (!near) return 0;
        const int x = std::countr_zero(near);
        return KindBit(x) | KindBit(present >> (x + 1) & 1 ? x + 1 : x + 2);
    }
    // The kinds the rest less a tile of k1 and of k2, plus one of `added`
    // (0: none), holds an odd number of times: each tile taken or added
    // turns its kind's count.
    int32_t OddAfter(int k1, int k2, int added = 0) const {
        const uint64_t odd = hand_.masks.odd;
        const int32_t d1 = k1 > 0 ? 1 - 2 * int32_t(odd >> k1 & 1) : 0;
        const int32_t d2 = k2 > 0 ? 1 - 2 * int32_t((odd ^ BitOf(k1)) >> k2 & 1) : 0;
        const int32_t d3 =
            added > 0 ? 1 - 2 * int32_t((odd ^ BitOf(k1) ^ BitOf(k2)) >> added & 1) : 0;
        return oddKinds_ + d1 + d2 + d3;
    }
    // Whether seven honours, all honours or 2-5-8 (those live) take the rest
    // less a tile of k1 and of k2 (suited kinds, or 0: none): it holds the
    // hand's honours, and a kind taken goes when the hand holds no more.
    bool OtherShapesTake(int k1, int k2, int32_t total, int32_t jokers) const {
        const uint32_t live = liveShapes_;
        if (live & kShapeSevenHonours) {
            const int missing = CountHonours(kHonourKinds & ~hand_.masks.present);
            if (missing == 0 ||
                (!(options_ & kOptNoJokerSevenHonours) && (jokers >= 7 || missing <= jokers)))
                return true;
        }
        if (!(live & (kShapeAllHonours | kShape258)) || total <= 0) return false;
        uint64_t present = hand_.masks.present;
        if (k1 > 0 && hand_.bytes[k1] == 1 + (k2 == k1)) present &= ~KindBit(k1);
        if (k2 > 0 && k2 != k1 && hand_.bytes[k2] == 1) present &= ~KindBit(k2);
        return ((live & kShapeAllHonours) && !(present & ~kHonourKinds)) ||
               ((live & kShape258) && !(present & ~kKinds258));
    }
    // Whether a whole-hand shape may take a rest of `total` tiles and
    // wildcards (seven pairs and knitted take only 12 or 14).
    bool ShapesMayTake(int64_t total) const {
        return (liveShapes_ & ~kShapesByTotal) ||
               ((liveShapes_ & kShapesByTotal) && (total == 12 || total == 14));
    }
    // A rest that loses clears the result. The clearing waits for the end
    // of the test: a rest that wins next records over a result it clears
    // first, so only a test that ends without a record clears it.
    void Clear() const { cleared_ = true; }

    bool PairStep(bool quiet) const;

    const TileCountArray* counts_;
    HuResult* result_;
    RuleOptions options_;
    uint32_t allowed_, mode_;
    TileIndex kind_, idxA_, idxB_;
    bool winIsWild_, jokersOn_;
    int32_t nA_, nB_;
    // The hand without its jokers. (In a union, so that it is not cleared
    // first: the summary writes every field the road reads.)
    union {
        HandSummary hand_;
    };
    uint64_t refused_;  // kinds the hooks refuse a hand for (none held)
    uint32_t liveShapes_;
    int32_t oddKinds_;  // held an odd number of times (read by the checkers' seven pairs)
    // The suits as codes and masks, the kinds from 30 up as one group's
    // bits, and (made on first use) what the groups other than a suit sum up
    // to.
    int32_t code_[3];
    // The suits' forms: suits 0, 1, 2, then 0, 1 again (a suit's others
    // follow it). As bytes, which index the form tables with no conversion.
    uint8_t form_[8];
    uint64_t lone_;
    mutable uint64_t others_[3];
    mutable uint64_t whole_;
    mutable uint64_t context_[3][3];  // the pair taken; not, all or one fewer
    // What MayWin named of a loop's anchors, kept for the loops asked twice:
    // the pair wait's (run again when the joker pair loses after it) and the
    // middle wait's (the chow wait's middle loop).
    // (Whether each is known is kept with the sums' flags.)
    struct Named {
        uint64_t anchors, may;
    };
    mutable Named pairNamed_, middleNamed_;
    // The suited anchors the pair loop judged for the pung loop with a
    // wildcard too (made with pairNamed_; their rests are the same), and
    // those whose rest wins that loop by the masks.
    mutable uint64_t pairJudged_, pairWild_;
    // The loops (bit 0 the pair loop, 1 the pung loop with a wildcard, 2 the
    // loops taking two tiles) whose suited batches are all common ones, as
    // MayWinOnce tells them. Set as the pair loop is asked: the pair wait
    // runs first, and asks it before any other loop runs (on any hand).
    mutable uint8_t commonLoops_;
    // Which sums and named anchors are known, and the clearing due (side by
    // side, which Reset clears in one store).
    mutable uint8_t othersKnown_, contextsKnown_;
    mutable bool wholeKnown_, pairKnown_, middleKnown_;
    mutable bool cleared_;    // by the rests lost since the last record
    mutable bool quiet_;      // (set by the pair step, the only one to read it)
    mutable Rest quietRest_;  // how the last rest that won quietly won
    // The rests found lost that a later checker asks for again, by their
    // lowest kind: one tile and a wildcard taken, two kinds in a row taken
    // (cleared by Waits).
    mutable uint64_t lostOnes_, lostRuns_;
};

int FastWaits::Reset(const TileCountArray& counts, TileId tile, TileId jokerA, TileId jokerB,
                     RuleOptions options, uint32_t allowed, uint32_t mode, HuResult& result) {
    uint64_t refused = 0;
    if ((options & (kOptSubstitute | kOptJokersAsTiles | kOptHonourChows)) || (mode & kShapeBits) ||
        !g_standardJoker || !StandardHookKinds(&refused) || jokerA < -1 || jokerB < -1 ||
        jokerA >= kTileIdCount || jokerB >= kTileIdCount || tile < 0 || tile >= kTileIdCount ||
        ((options & kOptJokers) && jokerA == -1 && jokerB != -1)) {
        return -1;
    }
    counts_ = &counts;
    result_ = &result;
    options_ = options;
    allowed_ = allowed;
    mode_ = mode;
    kind_ = kKindOfId[size_t(tile)];
    jokersOn_ = (options & kOptJokers) && jokerA != -1;
    idxA_ = jokersOn_ && jokerA >= 0 ? kKindOfId[size_t(jokerA)] : 0;
    idxB_ = jokersOn_ && jokerB >= 0 ? kKindOfId[size_t(jokerB)] : 0;
    // Flowers as jokers (whose kinds the joker test reads apart) take the
    // general road.
    if (kind_ > kLastKind || idxA_ > kLastKind || idxB_ > kLastKind) return -1;
    winIsWild_ = jokersOn_ && (kind_ == idxA_ || kind_ == idxB_);
    // The hand without its jokers. (Holding at most four of each, it holds
    // fewer jokers than the masks count.)
    static_assert(2 * 4 + 1 <= kMaskMaxJokers);
    oddKinds_ = SummariseHandLess(counts, idxA_, idxB_, refused, &hand_, code_);
    if (oddKinds_ < 0) return oddKinds_ == kHoldsRefused ? 0 : -1;
    // (A valid hand holds nothing in slot 0, the kind of no joker.)
    nA_ = counts[size_t(idxA_)];
    nB_ = idxB_ != idxA_ ? counts[size_t(idxB_)] : 0;
    if (hand_.masks.present >> (kLastKind + 1)) return -1;
    refused_ = refused;
    // Shapes that no rest can take (a rest changes at most three kinds):
    // knitted needs no pair, all honours and all 2-5-8 no other kind, seven
    // honours a wildcard for each honour missing. (Told without a branch per
    // shape: the calls vary the shapes allowed.)
    const KindMasks& m = hand_.masks;
    uint32_t live = allowed & kShapeBits;
    if (live & ~kShapeSevenPairs) {
        // The plain test's hand gains the winning tile (a wildcard when
        // wild), the checkers' rests only lose tiles and wildcards; seven
        // wildcards or more make up any honours missing. (The tile's kind,
        // 1 to 37, masked out without a branch.)
        const uint64_t added = KindBit(kind_) & (uint64_t(winIsWild_) - 1);
        const uint64_t missing = kHonourKinds & ~m.present & ~added;
        const int32_t jokers = (options & kOptNoJokerSevenHonours) ? 0 : nA_ + nB_ + winIsWild_;
        uint32_t dead = (MoreThanTwo(m.pairs) ? kShapeKnitted : 0u) |
                        (CountHonours(missing) > jokers ? kShapeSevenHonours : 0u);
        // More than two suited kinds off 2-5-8 rule out both all honours and
        // 2-5-8: one test for most hands (only a hand of few kinds asks each).
        if (MoreThanTwo(m.present & ~kHonourKinds & ~kKinds258)) [[likely]] {
            dead |= kShapeAllHonours | kShape258;
        } else {
            dead |= (MoreThanTwo(m.present & ~kHonourKinds) ? kShapeAllHonours : 0u) |
                    (MoreThanTwo(m.present & ~kKinds258) ? kShape258 : 0u);
        }
        live &= ~dead;
    }
    liveShapes_ = live;
    {
        // (All five in one store.)
        const uint64_t f0 = uint64_t(SuitForm(code_[0])), f1 = uint64_t(SuitForm(code_[1])),
                       f2 = uint64_t(SuitForm(code_[2]));
        const uint64_t forms = f0 | f1 << 8 | f2 << 16 | f0 << 24 | f1 << 32;
        std::memcpy(form_, &forms, sizeof forms);
    }
    lone_ = hand_.masks.present >> 30 ? LoneBits(-1, -1, 0) : kMaskNoTiles;
    othersKnown_ = 0;
    wholeKnown_ = false;
    contextsKnown_ = 0;
    pairKnown_ = middleKnown_ = false;
    cleared_ = false;
    return 1;
}

[[gnu::always_inline]] inline uint64_t FastWaits::SumOthers(int group) const {
    const size_t a = form_[group + 1], b = form_[group + 2];
    // (Without kinds from 30 up the two suits' forms tell the sum.)
    const uint64_t sum = lone_ == kMaskNoTiles
                             ? SumOfForms(a, b)
                             : AddGroup(AddGroup(lone_, kSuitFormMask[a]), kSuitFormMask[b]);
    others_[group] = sum;
    othersKnown_ = uint8_t(othersKnown_ | 1u << group);
    return sum;
}

// The kinds from 30 up summed up, with the changes.
uint64_t FastWaits::LoneBits(int k1, int k2, int added) const {
    uint64_t kinds = hand_.masks.present >> 30 << 30;
    if (added >= 30) kinds |= KindBit(added);
    uint64_t bits = kMaskNoTiles;
    for (; kinds; kinds &= kinds - 1) {
        const int k = std::countr_zero(kinds);
        const int32_t c = Count(k) - (k == k1) - (k == k2) + (k == added);
        if (c < 0 || c > 4) return 0;
        if (c > 0) bits = AddGroup(bits, kSingleMask[c]);
    }
    return bits;
}

bool FastWaits::ShapeWins(int k1, int k2, int added, int64_t total, int32_t jokers) const {
    // Seven pairs by the odd kinds (told first: the others do not read them).
    const uint32_t live = liveShapes_;
    if ((live & kShapeSevenPairs) && (total == 12 || total == 14) &&
        OddAfter(k1, k2, added) <= jokers)
        return true;
    const uint32_t others = live & ~kShapeSevenPairs;
    if (others == kShapeKnitted) {
        // Knitted holds no kind twice: every pair of the hand must lose a
        // tile, and the two closest kinds one of theirs.
        const uint64_t lost = BitOf(k1) | BitOf(k2);
        if (total != 14 || (hand_.masks.pairs & ~lost)) return false;
        const uint64_t close = KnittedClose();
        if (close && !(lost & close)) return false;
    } else if (!others) {
        return false;
    }
    // A kind taken may go, or lose its pair, a kind added gain them.
    KindMasks m = hand_.masks;
    auto recount = [&](int k) {
        const int32_t c = Count(k) - (k == k1) - (k == k2) + (k == added);
        const uint64_t bit = KindBit(k);
        m.present = c > 0 ? m.present | bit : m.present & ~bit;
        m.pairs = c > 1 ? m.pairs | bit : m.pairs & ~bit;
    };
    if (k1 > 0) recount(k1);
    if (k2 > 0 && k2 != k1) recount(k2);
    if (added > 0) recount(added);
    return ((others & kShapeKnitted) && shape::Knitted(m, total)) ||
           ((others & kShapeSevenHonours) && shape::SevenHonours(m, jokers, options_)) ||
           ((others & kShapeAllHonours) && shape::AllHonours(m, total)) ||
           ((others & kShape258) && shape::All258(m, total));
}

uint64_t FastWaits::AnchorsTakingAll(uint64_t anchors, int d1, int d2, uint64_t kinds) const {
    auto at = [&](int a) { return a >= 0 ? anchors & KindBit(a) : uint64_t(0); };
    const int o1 = std::countr_zero(kinds);
    const uint64_t second = kinds & (kinds - 1);
    if (!second) {
        const int32_t c = Count(o1);
        if (d2 < 0) return c == 1 ? at(o1 - d1) : 0;
        if (d2 == d1) return c == 2 ? at(o1 - d1) : 0;
        return c == 1 ? at(o1 - d1) | at(o1 - d2) : 0;
    }
    if ((second & (second - 1)) || d2 <= d1) return 0;
    const int o2 = std::countr_zero(second);
    return o2 - o1 == d2 - d1 && Count(o1) == 1 && Count(o2) == 1 ? at(o1 - d1) : 0;
}

inline uint64_t FastWaits::SevenPairsAnchors(uint64_t anchors, int d1, int d2,
                                             int32_t jokers) const {
    // Each tile taken turns its kind's count from odd to even or back; two
    // of one kind leave it as it was.
    const uint64_t odd = hand_.masks.odd;
    auto oddLeft = [&](int n) { return oddKinds_ + n <= jokers; };
    if (d2 == d1) return oddLeft(0) ? anchors : 0;
    if (d2 < 0) return anchors & ((oddLeft(-1) ? odd >> d1 : 0) | (oddLeft(1) ? ~(odd >> d1) : 0));
    // Neither kind odd, one of them, or both.
    const uint64_t o1 = odd >> d1, o2 = odd >> d2;
    if (oddLeft(2)) return anchors;
    if (oddLeft(0)) return anchors & (o1 | o2);
    return oddLeft(-2) ? anchors & o1 & o2 : 0;
}

FastWaits::ShapeSplit FastWaits::ShapeAnchors(uint64_t anchors, int d1, int d2, int64_t total,
                                              int32_t jokers) const {
    const KindMasks& m = hand_.masks;
    // Bit a: the rest of anchor a loses a tile of one of `kinds`.
    auto hits = [&](uint64_t kinds) {
        return anchors & (kinds >> d1 | (d2 < 0 ? 0 : kinds >> d2));
    };
    uint64_t wins = 0, open = 0;
    if ((liveShapes_ & kShapeSevenPairs) && (total == 12 || total == 14))
        wins = SevenPairsAnchors(anchors, d1, d2, jokers);
    // Taking tiles only loses kinds: a shape that needs kinds gone is open
    // for the anchors that take one of them, a shape that the hand meets
    // already holds for the others.
    if ((liveShapes_ & kShapeKnitted) && total == 14) {
        // Knitted holds no kind twice nor two suited kinds one or two apart.
        const uint64_t close = KnittedClose();
        if (m.pairs) {
            // Every kind held twice must lose a tile: of one kind any anchor
            // that takes it, of two the anchor that takes both.
            const uint64_t pairs = m.pairs;
            if (!(pairs & (pairs - 1))) {
                open |= hits(pairs);
            } else if (d2 > d1) {
                const int p = std::countr_zero(pairs);
                if (pairs >> p == (uint64_t(1) | uint64_t(1) << (d2 - d1))) {
                    open |= anchors & uint64_t(1) << (p - d1);
                }
            }
        } else if (close) {
            open |= hits(close);
        } else {
            wins |= anchors;
        }
    }
    if ((liveShapes_ & kShapeSevenHonours) &&
        ShapeTakes(kShapeSevenHonours, m, total, jokers, options_)) {
        wins |= anchors & ~hits(kHonourKinds);
        open |= hits(kHonourKinds);
    }
    // A shape of only `kinds` takes the rests that keep no kind outside
    // them: those that take every tile of the one or two kinds outside.
    auto only = [&](uint32_t shape, uint64_t kinds) {
        if (!(liveShapes_ & shape) || total <= 0) return;
        const uint64_t outside = m.present & ~kinds;
        if (!outside) {
            wins = anchors;
            return;
        }
        wins |= AnchorsTakingAll(anchors, d1, d2, outside);
    };
    only(kShapeAllHonours, kHonourKinds);
    only(kShape258, kKinds258);
    return {wins, open & ~wins};
}

void FastWaits::MakeContexts(int suit) const {
    const int32_t jokers = Jokers();
    uint64_t* context = context_[suit];
    BeforeFinals(jokers, Others(suit), &context[0], &context[1]);
    // One wildcard fewer moves every count of the final mask down by one.
    context[2] = context[1] >> 1 & kMaskValid;
    contextsKnown_ = uint8_t(contextsKnown_ | 1u << suit);
}

Rest FastWaits::Judge(int k1, int k2, int taken, int32_t jokers, bool pairTaken) const {
    return JudgeRest(k1, k2, taken, jokers, pairTaken);
}

inline Rest FastWaits::JudgeWhole(int32_t jokers, bool pairTaken) const {
    return JudgeRest(0, 0, 0, jokers, pairTaken);
}

Rest FastWaits::JudgeOne(int k, int32_t jokers, bool pairTaken) const {
    // (The kind is held: 1 to 37.)
    if (k < 1) __builtin_unreachable();
    return JudgeRest(k, 0, 1, jokers, pairTaken);
}

[[gnu::always_inline]] inline Rest FastWaits::JudgeRest(int k1, int k2, int taken, int32_t jokers,
                                                        bool pairTaken) const {
    // The common rests without a call (and so without saving registers):
    // the whole-hand shapes told by the masks (ShapeWins' steps, for rests
    // of suited tiles when shapes other than seven pairs and knitted live),
    // and the rest changes one suit whose others are summed, or no kind
    // once the whole is.
    const int32_t total = hand_.tiles + jokers - taken;
    const uint32_t live = liveShapes_;
    if (total > kMaxDecomposedTiles || ((live & ~kShapesByTotal) && (k1 >= 30 || k2 >= 30)))
        return JudgeCold(k1, k2, jokers, pairTaken);
    if ((live & ~kShapesByTotal) && OtherShapesTake(k1, k2, total, jokers))
        return Rest::kWinsByShape;
    // (Seven pairs and knitted take only 12 or 14.)
    const uint32_t byTotal = (total | 2) == 14 ? live & kShapesByTotal : 0u;
    if (byTotal) {
        if ((byTotal & kShapeSevenPairs) && OddAfter(k1, k2) <= jokers) return Rest::kWinsByShape;
        if ((byTotal & kShapeKnitted) && total == 14)
            return JudgeMayKnit(k1, k2, jokers, pairTaken);
    }
    return JudgeSuit(k1, k2, jokers, pairTaken);
}

Rest FastWaits::JudgeMayKnit(int k1, int k2, int32_t jokers, bool pairTaken) const {
    const uint64_t lost = BitOf(k1) | BitOf(k2), close = KnittedClose();
    if (!(hand_.masks.pairs & ~lost) && (!close || (lost & close)))
        return JudgeKnitted(k1, k2, jokers, pairTaken);
    return JudgeSuit(k1, k2, jokers, pairTaken);
}

Rest FastWaits::JudgeKnitted(int k1, int k2, int32_t jokers, bool pairTaken) const {
    KindMasks m = hand_.masks;
    for (int k : {k1, k2}) {
        if (k <= 0) continue;
        const int32_t c = Count(k) - (k == k1) - (k == k2);
        m.present &= c > 0 ? ~uint64_t(0) : ~KindBit(k);
        m.pairs &= c > 1 ? ~uint64_t(0) : ~KindBit(k);
    }
    if (shape::Knitted(m, 14)) return Rest::kWinsByShape;
    return JudgeSuit(k1, k2, jokers, pairTaken);
}

[[gnu::always_inline]] inline Rest FastWaits::JudgeSuit(int k1, int k2, int32_t jokers,
                                                        bool pairTaken) const {
    const size_t i1 = size_t(k1), i2 = size_t(k2);
    const unsigned touched = kGroupBitOfKind[i1] | kGroupBitOfKind[i2];
    if (touched == 0 && (wholeKnown_ || othersKnown_)) {
        // (Most calls judge the joker pair's rest once the plain test
        // summed the others of its tile's suit: the suit's form row against
        // them, the whole not summed.)
        if (wholeKnown_) return whole_ & Final(jokers, pairTaken) ? Rest::kWins : Rest::kLoses;
        const int s = std::countr_zero(unsigned(othersKnown_));
        const size_t form = form_[s];
        return others_[s] & kFormBeforeFinal[form][pairTaken][jokers] ? Rest::kWins : Rest::kLoses;
    }
    // Suit 0, 1 or 2 (touched 1, 2 or 4), judged by the form's row: the
    // checkers' rests keep at most the hand's wildcards, which the rows
    // cover.
    static_assert(2 * 4 <= kBlockMaxJokers);
    const unsigned suit = touched >> 1;
    // (A suit's others are known by the suit's group bit.)
    if ((0x16u >> touched & 1) && (othersKnown_ & touched)) {
        const int form = SuitForm(code_[suit] - kPowOfKind[i1] - kPowOfKind[i2]);
        return others_[suit] & kFormBeforeFinal[form][pairTaken][jokers] ? Rest::kWins
                                                                         : Rest::kLoses;
    }
    return JudgeCold(k1, k2, jokers, pairTaken);
}

Rest FastWaits::JudgeCold(int k1, int k2, int32_t jokers, bool pairTaken) const {
    return JudgeHere(k1, k2, 0, jokers, pairTaken);
}

[[gnu::always_inline]] inline Rest FastWaits::JudgeHere(int k1, int k2, int added, int32_t jokers,
                                                        bool pairTaken) const {
    // (The kinds taken are held: the checkers ask only for those.)
    if (added > 0 && ((KindBit(added) & refused_) || Count(added) >= 4)) {
        // A winning tile of a refused kind, or a fifth tile, ends the test
        // before the result is cleared.
        return Rest::kLosesUntouched;
    }
    const int32_t total = hand_.tiles + jokers - (k1 > 0) - (k2 > 0) + (added > 0);
    if (ShapesMayTake(total) && ShapeWins(k1, k2, added, total, jokers)) return Rest::kWinsByShape;
    if (total > kMaxDecomposedTiles) return Rest::kLoses;
    // The groups the changes fall in (bit 3: the kinds from 30 up).
    const size_t i1 = size_t(k1 > 0 ? k1 : 0), i2 = size_t(k2 > 0 ? k2 : 0),
                 i3 = size_t(added > 0 ? added : 0);
    const unsigned touched = kGroupBitOfKind[i1] | kGroupBitOfKind[i2] | kGroupBitOfKind[i3];
    if (touched == 0) {
        if (wholeKnown_) return whole_ & Final(jokers, pairTaken) ? Rest::kWins : Rest::kLoses;
        if (jokers > kBlockMaxJokers) [[unlikely]]
            return JudgeWholeManyWild(jokers, pairTaken);
        // A suit's form row against its others' sum, the whole not summed:
        // the first suit the hand holds, whose others the loops read first.
        const uint64_t suited = hand_.masks.present & kSuitedKinds;
        const int s = othersKnown_ ? std::countr_zero(unsigned(othersKnown_))
                      : suited     ? kSuitOfKind[size_t(std::countr_zero(suited))]
                                   : 0;
        const size_t form = form_[s];
        return Others(s) & kFormBeforeFinal[form][pairTaken][jokers] ? Rest::kWins : Rest::kLoses;
    }
    if (touched >= 8 || (touched & (touched - 1)) != 0) {
        return JudgeSpread(k1, k2, added, jokers, pairTaken);
    }
    // One suit: every change is in it.
    const int suit = std::countr_zero(touched);
    const int form = SuitForm(code_[suit] - kPowOfKind[i1] - kPowOfKind[i2] + kPowOfKind[i3]);
    const uint64_t others = Others(suit);
    if (jokers > kBlockMaxJokers) [[unlikely]]
        return JudgeManyWild(others, kSuitFormMask[form], jokers, pairTaken);
    return others & kFormBeforeFinal[form][pairTaken][jokers] ? Rest::kWins : Rest::kLoses;
}

Rest FastWaits::JudgeSpread(int k1, int k2, int added, int32_t jokers, bool pairTaken) const {
    const size_t i1 = size_t(k1 > 0 ? k1 : 0), i2 = size_t(k2 > 0 ? k2 : 0),
                 i3 = size_t(added > 0 ? added : 0);
    uint64_t sum = LoneBits(k1, k2, added);
    if (!sum) return Rest::kLosesUntouched;
    for (int s = 0; s < 3; ++s) {
        int32_t code = code_[s];
        for (const auto& [k, sign] : {std::pair{i1, -1}, std::pair{i2, -1}, std::pair{i3, 1}}) {
            if (kGroupBitOfKind[k] == 1u << s) code += sign * kPowOfKind[k];
        }
        sum = AddGroup(sum, SuitMask(code));
    }
    return sum & Final(jokers, pairTaken) ? Rest::kWins : Rest::kLoses;
}

uint64_t FastWaits::SumWhole() const {
    // Any suit's others with the suit: one that a rest summed already.
    const int suit = othersKnown_ ? std::countr_zero(unsigned(othersKnown_)) : 0;
    whole_ = AddGroup(Others(suit), kSuitFormMask[form_[suit]]);
    wholeKnown_ = true;
    return whole_;
}

// (Inline: the combined test's frame saves the registers its calls need.)
[[gnu::always_inline]] inline bool FastWaits::Plain() const {
    // (The restricted modes are rare: one test for both.)
    if (mode_ & (kModeRestricted1 | kModeRestricted4)) [[unlikely]] {
        if (winIsWild_ || ((options_ & kOptNoHuRestricted1) && (mode_ & kModeRestricted1)) ||
            ((options_ & kOptNoHuRestricted4) && (mode_ & kModeRestricted4))) {
            return false;
        }
    }
    const Rest rest = winIsWild_ ? JudgeHere(-1, -1, 0, Jokers() + 1, false)
                                 : JudgeHere(-1, -1, kind_, Jokers(), false);
    if (rest == Rest::kLoses) Clear();
    return Wins(rest);
}

template <int32_t kType>
bool FastWaits::Record(int k1, int k2, int32_t jokers, bool pairTaken, bool byShape, WaitMeld meld,
                       int32_t waitBit) const {
    // The wildcards the rest spends, as TakeJokers spends them (the smaller
    // counter first): the checkers spend at most two, never more than held.
    int32_t nA = nA_, nB = nB_;
    if (jokers != 0) {
        const uint32_t fromB = kSpendOrder[size_t(nA)][size_t(nB)] & ~(~0u << jokers);
        const int32_t spentB = int32_t((fromB & 1) + (fromB >> 1 & 1));
        nA -= jokers - spentB;
        nB -= spentB;
    }
    // The record rewrites the whole result: a clearing the lost rests left
    // due is done by it.
    cleared_ = false;
    // A rest that MayWin named may win by a whole-hand shape, when a live
    // one may take its tiles and wildcards: the shapes that take it told by
    // its masks (the first decides), which seven pairs writes from.
    const int32_t jokersLeft = nA + nB;
    uint32_t shapes = 0;
    if (byShape && liveShapes_) {
        const int32_t total = hand_.tiles - (k1 != -1) - (k2 != -1) + jokersLeft;
        if (ShapesMayTake(total)) shapes = RestShapes(k1, k2, total, jokersLeft);
    }
    // The rest (the hand without its jokers, less the tiles taken) as the
    // block tables read it: its tiles, kinds and nibbles. Of the counts they
    // read only the kinds from 30 up, which the rest holds as the hand does.
    enum Recorded { kLost, kWhole, kMelds };
    Recorded recorded = kLost;
    if (!shapes && k1 < 30 && k2 < 30) [[likely]] {
        // A kind taken (none: -1) stays when the hand holds it twice (three
        // times when taken twice). In registers, stored once: the block
        // tables read the rest from its stores. (The nibbles less a tile by
        // table: no branch on the word a kind falls in.)
        uint64_t present = hand_.masks.present;
        int32_t tiles = hand_.tiles;
#if defined(__SSE2__)
        auto nibbles = [](const uint64_t* p) {
            return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        };
        __m128i nibble = nibbles(hand_.nibbles);
#else
        uint64_t nibble[2] = {hand_.nibbles[0], hand_.nibbles[1]};
#endif
        auto take = [&](int k, uint64_t kept) {
            if (k == -1) return;
            present &= ~(KindBit(k) & ~kept);
            --tiles;
#if defined(__SSE2__)
            nibble = _mm_sub_epi64(nibble, nibbles(kTakenNibbles[size_t(k)].data()));
#else
            nibble[0] -= kTakenNibbles[size_t(k)][0];
            nibble[1] -= kTakenNibbles[size_t(k)][1];
#endif
        };
        const uint64_t pairs = hand_.masks.pairs;
        take(k1, pairs);
        take(k2, k2 != k1 ? pairs : k2 != -1 && Count(k2) > 2 ? ~uint64_t(0) : 0);
        // (In a union, so that the fields the tables do not read are not
        // cleared first: two stores fewer.)
        union RestSummary {
            RestSummary() {}
            HandSummary summary;
        } made;
        HandSummary& rest = made.summary;
        rest.tiles = tiles;
        rest.masks.present = present;
#if defined(__SSE2__)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(rest.nibbles), nibble);
#else
        rest.nibbles[0] = nibble[0];
        rest.nibbles[1] = nibble[1];
#endif
        if (DecomposesByBlocks(rest, jokersLeft, options())) [[likely]] {
            ClearBeforeMelds(*result_);
            if (!DecomposeByBlocks(*counts_, rest, nA, nB, idxA_, idxB_, pairTaken, *result_)) {
                ClearAfterMelds(*result_, 0);
                return false;
            }
            recorded = kMelds;
        }
    } else if ((shapes & kShapeSevenPairs) && jokersLeft <= kMaskMaxJokers) {
        // (Seven pairs, the lowest shape bit, is the first tried.)
        static_assert((kShapeBits & (kShapeSevenPairs - 1)) == 0);
        ClearBeforeMelds(*result_);
        RecordSevenPairs(hand_, k1, k2, nA, nB, idxA_, idxB_, *result_);
        recorded = kMelds;
    } else if (const uint32_t first = shapes & (0u - shapes); first & ~kShapeSevenPairs)
        [[unlikely]] {
        // The other shapes' record is a meld of the shape's type with no
        // tiles, once the masks take the rest (which tell it exactly for
        // these hooks without the substitute).
        ClearBeforeMelds(*result_);
        AddShapeMeld(*result_, first);
        recorded = kMelds;
    }
    if (recorded == kLost) {
        if (!RecordRestApart(k1, k2, nA, nB, pairTaken, shapes)) return false;
        recorded = kWhole;
    }
    int32_t usedA = nA_ - nA, usedB = nB_ - nB;
    // The winning tile itself, when a wildcard, is charged to its own kind.
    if (winIsWild_) ++(kind_ == idxA_ ? usedA : usedB);
    int32_t count;
    if (meld.tilesOnly) [[unlikely]] {
        count = AddMeldTiles(*result_, kType, meld.tiles[0], meld.tiles[1], meld.tiles[2], 0);
    } else if (meld.k == 0) [[unlikely]] {
        count = AddMeldEx(*result_, kType, usedA, usedB, idxA_, idxB_);
    } else {
        count = AddMeld(*result_, kType, meld.k, usedA, usedB, idxA_, idxB_, meld.jokerPlace,
                        meld.gapPlace);
    }
    // (The waits written with the clearing, and the count the writer
    // returned: neither read back from a store just made.)
    if (recorded == kMelds) {
        ClearAfterMelds(*result_, waitBit, count);
    } else {
        result_->waits |= waitBit;
    }
    return true;
}

bool FastWaits::RecordRestApart(int k1, int k2, int32_t nA, int32_t nB, bool pairTaken,
                                uint32_t shapes) const {
    HandSummary summary = hand_;
    if (k1 != -1) summary.Take(k1, Count(k1));
    if (k2 != -1) summary.Take(k2, Count(k2) - (k2 == k1));
    TileCountArray counts = *counts_;
    if (idxA_) counts[size_t(idxA_)] = 0;
    if (idxB_) counts[size_t(idxB_)] = 0;
    for (int k : {k1, k2}) {
        if (k != -1) --counts[size_t(k)];
    }
    return RecordWinningRest(counts, summary, nA, nB, idxA_, idxB_, kind_, options_, allowed_,
                             shapes, *result_, pairTaken);
}

inline uint64_t FastWaits::MayWin(uint64_t anchors, int d1, int d2, int32_t spent,
                                  bool pairTaken) const {
    // (Only the pair wait takes the pair, only the pung wait with a wildcard
    // takes one tile and spends one; the pair loop is asked again when the
    // joker pair loses after it, the middle loop by the chow wait too.)
    if (pairTaken) {
        // Without a shape but seven pairs live, every batch is a common one
        // (but the pung loop's with a wildcard when there is none to spend):
        // its rests hold fewer tiles and wildcards than the hand.
        const int32_t jokers = Jokers();
        commonLoops_ = !(liveShapes_ & ~kShapeSevenPairs) && jokers <= kBlockMaxJokers &&
                               hand_.tiles - 1 + jokers <= kMaxDecomposedTiles
                           ? uint8_t(jokers >= 1 ? 7 : 5)
                           : 0;
        if (!anchors) return 0;
        if (othersKnown_ != 7) SumAllOthers();
        if (!pairKnown_ || pairNamed_.anchors != anchors) {
            uint64_t may;
            if (d1 == 0 && d2 == -1 && spent == 0) {
                may = MayWinOnce<Loop::kPair, 0, -1>(anchors, d1, d2, spent, true);
            } else {
                pairJudged_ = 0;
                may = MayWinOnce<Loop::kOther>(anchors, d1, d2, spent, true);
            }
            pairNamed_ = {anchors, may};
            pairKnown_ = true;
        }
        return pairNamed_.may;
    }
    // (The pair loop, asked first, made the sums: a hand without a tile,
    // whose anchors are none, asks no loop.)
    if (!anchors) return 0;
    if (d1 == 0 && d2 == 2 && spent == 0) {
        if (!middleKnown_ || middleNamed_.anchors != anchors) {
            middleNamed_ = {anchors, MayWinOnce<Loop::kOther, 0, 2>(anchors, d1, d2, spent, false)};
            middleKnown_ = true;
        }
        return middleNamed_.may;
    }
    // (The pung loop with a wildcard reads the pair loop's answers when
    // that loop judged its anchors: MayWinOnce tells.)
    if (d1 == 0 && d2 == -1 && spent == 1)
        return MayWinOnce<Loop::kPungWild, 0, -1>(anchors, d1, d2, spent, false);
    if (spent == 0) {
        if (d1 == 0 && d2 == 0) return MayWinOnce<Loop::kOther, 0, 0>(anchors, 0, 0, 0, false);
        if (d1 == 1 && d2 == 2) return MayWinOnce<Loop::kOther, 1, 2>(anchors, 1, 2, 0, false);
        if (d1 == 0 && d2 == 1) return MayWinOnce<Loop::kOther, 0, 1>(anchors, 0, 1, 0, false);
    }
    return MayWinOnce<Loop::kOther>(anchors, d1, d2, spent, false);
}

template <FastWaits::Loop kLoop, int kD1, int kD2>
uint64_t FastWaits::MayWinOnce(uint64_t anchors, int d1, int d2, int32_t spent,
                               bool pairTaken) const {
    // (MayWin asks for a loop's copy only with its own arguments.)
    if constexpr (kD1 != kAnySteps) d1 = kD1, d2 = kD2;
    if constexpr (kLoop == Loop::kPair) pairTaken = true, spent = 0;
    if constexpr (kLoop == Loop::kPungWild) pairTaken = false, spent = 1;
    if constexpr (kLoop == Loop::kOther && kD1 != kAnySteps) pairTaken = false, spent = 0;
    const int32_t jokers = Jokers() - spent;
    const int64_t total = hand_.tiles - 1 - (d2 >= 0) + jokers;
    // The common batch: suited anchors only, no shape but seven pairs that
    // may take a rest, the rows hold the wildcards; the rest is MayWinApart's.
    // (Knitted takes only 14; seven pairs is told per anchor by the masks,
    // exactly, as MayWinApart tells it.)
    // (MayWin told which loops' batches are all common: seven pairs, when
    // live, is then the only shape.)
    constexpr unsigned kCommonBit = kLoop == Loop::kPair ? 1u : kLoop == Loop::kPungWild ? 2u : 4u;
    uint32_t live;
    if (kD1 != kAnySteps && (commonLoops_ & kCommonBit)) {
        live = total == 12 || total == 14 ? liveShapes_ : 0u;
    } else {
        live = ShapesMayTake(total) ? liveShapes_ : 0u;
        const uint32_t byMasks = kShapeSevenPairs | (total == 12 ? kShapeKnitted : 0u);
        if (jokers < 0 || (live & ~byMasks) || total > kMaxDecomposedTiles ||
            jokers > kBlockMaxJokers) [[unlikely]]
            return MayWinApart<kLoop, kD1, kD2>(anchors, d1, d2, spent, pairTaken);
    }
    if (anchors >> 30) [[unlikely]]
        return MayWinApart<kLoop, kD1, kD2>(anchors, d1, d2, spent, pairTaken);
    const uint64_t pairs = live & kShapeSevenPairs ? SevenPairsAnchors(anchors, d1, d2, jokers) : 0;
    // The pair loop judged these rests as it went.
    if (kLoop == Loop::kPungWild && pairKnown_ && !(anchors & ~pairJudged_)) {
        const uint64_t won = (pairWild_ & anchors) | pairs;
        return won ? anchors >> std::countr_zero(won) << std::countr_zero(won) : 0;
    }
    // MayWinApart's walk by the rows (the pair loop's sees the pung loop's
    // with a wildcard too), up to the first anchor that wins, which names
    // the others. (MayWin made the sums it reads: it makes no call, and
    // keeps its values in registers.)
    const uint64_t* row = &kFormBeforeFinal[0][pairTaken][jokers];
    constexpr size_t kRowStride = sizeof(kFormBeforeFinal[0]) / sizeof(uint64_t);
    const int32_t* taken = kTakenPowers[size_t(d1)][size_t(d2 + 1)].data();
    const bool wild = kLoop == Loop::kPair && jokers >= 1;
    const uint64_t* wildRow = &kFormBeforeFinal[0][0][wild ? jokers - 1 : 0];
    uint64_t wildWins = 0, won = 0;
    for (uint64_t left = anchors; left; left &= left - 1) {
        const size_t a = LowestBit(left);
        const int suit = kSuitOfKind[a];
        const uint64_t meets = others_[suit];
        const size_t form = size_t(SuitForm(code_[suit] - taken[a])) * kRowStride;
        if (kLoop == Loop::kPair && (wildRow[form] & meets)) wildWins |= left & (0 - left);
        if (row[form] & meets) {
            won = left & (0 - left);
            break;
        }
    }
    if constexpr (kLoop == Loop::kPair) {
        pairJudged_ = wild ? anchors & (won - 1) : 0;
        pairWild_ = wildWins;
    }
    // The first anchor that wins by the masks or by seven pairs names the
    // others.
    won |= pairs;
    return won ? anchors >> std::countr_zero(won) << std::countr_zero(won) : 0;
}

template <FastWaits::Loop kLoop, int kD1, int kD2>
uint64_t FastWaits::MayWinApart(uint64_t anchors, int d1, int d2, int32_t spent,
                                bool pairTaken) const {
    if (Jokers() < spent) return 0;
    const int32_t jokers = Jokers() - spent;
    const int64_t total = hand_.tiles - 1 - (d2 >= 0) + jokers;
    ShapeSplit shapes{0, 0};
    if (ShapesMayTake(total)) shapes = ShapeAnchors(anchors, d1, d2, total, jokers);
    const bool masks = total <= kMaxDecomposedTiles;
    // A rest wins by the masks when its suit's form, read by a row (a form's
    // entry every kRowStride or kMaskStride words), meets what the suit is
    // judged against: the form's counts before the final against the other
    // groups' sum (up to the rows' wildcards; no context to make), else the
    // form's own counts against the suit's context.
    const bool byRow = jokers <= kBlockMaxJokers;
    const uint64_t* row = byRow ? &kFormBeforeFinal[0][pairTaken][jokers] : &kSuitFormMask[0].bits;
    constexpr size_t kRowStride = sizeof(kFormBeforeFinal[0]) / sizeof(uint64_t);
    constexpr size_t kMaskStride = sizeof(GroupMask) / sizeof(uint64_t);
    // The anchors in order, up to the first that wins: the checkers record
    // only its rest (a rest that wins rewrites the result, so the ones that
    // lose need not clear it). The anchors after it are named unjudged, and
    // their full test is Record's, should the first one's fail.
    auto from = [anchors](int a) { return anchors >> a << a; };
    const int32_t* taken = kTakenPowers[size_t(d1)][size_t(d2 + 1)].data();
    const uint64_t shaped = shapes.wins | shapes.open;
    // A suited anchor changes only its suit: its code less the tiles taken,
    // judged against the suit's own (made on reaching the suit: the first
    // anchor may win).
    const uint64_t suited = anchors & kSuitedKinds;
    uint64_t won = 0;  // the first suited anchor that wins by the masks, as a bit
    if constexpr (kLoop == Loop::kPair) pairJudged_ = 0;
    if (kLoop == Loop::kPungWild && masks && pairKnown_ && !(suited & ~pairJudged_)) {
        won = pairWild_ & suited;
        won &= 0 - won;
    } else if (masks) {
        // The pung loop with a wildcard judges the pair loop's rests with a
        // wildcard fewer and no pair: with the pair loop's forms and sums
        // when both read the rows (the entry is read on every anchor, and
        // kept only then).
        const int32_t wildJokers = jokers - 1;
        const bool wild =
            kLoop == Loop::kPair && byRow && wildJokers >= 0 && total - 1 <= kMaxDecomposedTiles;
        const uint64_t* wildRow = &kFormBeforeFinal[0][0][wild ? wildJokers : 0];
        uint64_t wildWins = 0;
        auto walk = [&](auto stride) {
            int end = 0;  // past the suit reached
            int32_t code = 0;
            uint64_t meets = 0;
            for (uint64_t left = suited; left; left &= left - 1) {
                const int a = std::countr_zero(left);
                if (a >= end) {
                    const int suit = kSuitOfKind[size_t(a)];
                    end = 10 * suit + 10;
                    code = code_[suit];
                    // (MayWin made the sums.)
                    if constexpr (stride() == kRowStride) {
                        meets = others_[suit];
                    } else {
                        meets = Context(suit, spent, pairTaken);
                    }
                }
                const size_t form = size_t(SuitForm(code - taken[a]));
                if (kLoop == Loop::kPair && (wildRow[form * stride] & meets))
                    wildWins |= left & (0 - left);
                if (row[form * stride] & meets) return left & (0 - left);
            }
            return uint64_t(0);
        };
        won = byRow ? walk(std::integral_constant<size_t, kRowStride>())
                    : walk(std::integral_constant<size_t, kMaskStride>());
        if constexpr (kLoop == Loop::kPair) {
            pairJudged_ = wild ? suited & (won - 1) : 0;
            pairWild_ = wildWins;
        }
    }
    // A shape may take an anchor before it (asked only where one may).
    for (uint64_t left = suited & shaped & (won - 1); left; left &= left - 1) {
        const int a = std::countr_zero(left);
        if ((shapes.wins >> a & 1) || ShapeWins(a + d1, d2 < 0 ? -1 : a + d2, 0, total, jokers))
            return from(a);
    }
    if (won) return from(std::countr_zero(won));
    // The kinds from 30 up one at a time (shapes too).
    for (uint64_t left = anchors >> 30 << 30; left; left &= left - 1) {
        const int a = std::countr_zero(left);
        if ((shapes.wins >> a & 1) ||
            Wins(Judge(a + d1, d2 < 0 ? 0 : a + d2, 1 + (d2 >= 0), jokers, pairTaken)))
            return from(a);
    }
    return 0;
}

bool FastWaits::PairStep(bool quiet) const {
    quiet_ = quiet;
    const bool won = PairWait(*this);
    quiet_ = false;
    return won;
}

bool FastWaits::Waits() {
    // The checkers' rests only lose tiles and wildcards: seven pairs needs a
    // wildcard for each odd kind but the two that the tiles taken may even
    // out, seven honours for each honour the hand misses already (seven
    // wildcards or more make up any).
    const int32_t jokers = Jokers();
    uint32_t dead = oddKinds_ - 2 > jokers ? kShapeSevenPairs : 0u;
    if (liveShapes_ & kShapeSevenHonours) {
        const int missing = CountHonours(kHonourKinds & ~hand_.masks.present);
        if (missing > ((options_ & kOptNoJokerSevenHonours) ? 0 : jokers))
            dead |= kShapeSevenHonours;
    }
    liveShapes_ &= ~dead;
    lostOnes_ = lostRuns_ = 0;
    // Knitted holds no kind twice, nor two kinds of a suit within two ranks.
    // A rest takes at most two tiles: so many or fewer must make up the
    // tiles past the first of each kind and the fewest ranks each suit must
    // drop. Of the pairs, it may take one kind (held three times at most) or
    // two kinds of a suit at most two apart (each held twice). (Knitted lives
    // here only when the hand holds two kinds twice at most, Reset tells: the
    // tiles past the first of each kind are theirs, no bits counted.)
    if (liveShapes_ & kShapeKnitted) {
        const uint64_t present = hand_.masks.present, pairs = hand_.masks.pairs;
        int over = kKnitDrops[present >> 1 & 0x1FF] + kKnitDrops[present >> 11 & 0x1FF] +
                   kKnitDrops[present >> 21 & 0x1FF];
        bool may = true;
        if (pairs) {
            const int p = std::countr_zero(pairs), q = 63 - std::countl_zero(pairs);
            may = p == q
                      ? Count(p) <= 3
                      : q - p <= 2 && q < 30 && p / 10 == q / 10 && Count(p) == 2 && Count(q) == 2;
            over += p == q ? Count(p) - 1 : 2;
        }
        if (!may || over > 2) liveShapes_ &= ~kShapeKnitted;
    }
    // The joker-pair wait runs the pair wait first: when that step fails the
    // pair-wait checker fails the same way, when it wins it wins the same
    // way. While the joker pair may still win, the pair step needs only to
    // tell whether it wins. (Else the pair-wait checker runs as that step.)
    // (Jokers on tells option kOptJokers.)
    const bool jokerPair =
        !(mode_ & (kModeRestricted1 | kModeRestricted4)) && jokersOn_ && Jokers() >= 1;
    // (One call site of the pair wait, so that it is inlined: the quiet step,
    // then at most once more to record the rest it named.)
    for (bool quiet = jokerPair, again = false;; quiet = false, again = true) {
        const bool won = PairStep(quiet);
        if (again || (won && !quiet)) return true;
        if (!won) break;
        if (RestWins({}, 1, true, {kMeldPair, winIsWild_ ? 0 : kind_}, kWaitJokerPair)) return true;
        // Without a wildcard winning tile the pair step judged one rest,
        // the tile's pair when the hand holds the tile (else the joker
        // pair's): it is recorded as the pair wait would, not judged again.
        if (!winIsWild_ && Has(kind_)) {
            Record<kMeldPair>(kind_, -1, 0, true, quietRest_ == Rest::kWinsByShape,
                              {kMeldPair, kind_}, kWaitPair);
            return true;
        }
    }
    // (A checker here fails more often than it wins: so marked, the compiler
    // lays the later ones out as the likely road.)
    if (PungWait(*this)) [[unlikely]]
        return true;
    if (MiddleWait(*this)) [[unlikely]]
        return true;
    if (EdgeWait(*this)) [[unlikely]]
        return true;
    return ChowWait(*this);
}

int32_t FastWaits::ShapeChecks(int32_t extra) const {
    ClearHuResult(*result_);
    uint32_t shapes = allowed_ & kShapeBits;
    if (extra != 0 && !(extra & 1)) shapes &= ~kShapeAllHonours;
    if (extra != 0 && !(extra & 2)) shapes &= ~kShape258;
    if (!shapes) return 0;
    // The hand with its winning tile, as the joker extraction leaves it.
    KindMasks m = hand_.masks;
    int32_t nA = nA_, nB = nB_;
    const bool added = !winIsWild_ && kind_ > 0;
    if (winIsWild_) {
        ++(kind_ == idxA_ ? nA : nB);
    } else if (added) {
        const int32_t c = Count(kind_) + 1;
        m.present |= KindBit(kind_);
        if (c > 1) m.pairs |= KindBit(kind_);
        m.odd ^= KindBit(kind_);
    }
    const int32_t jokers = nA + nB;
    const int64_t total = hand_.tiles + added + jokers;
    // Lowest bit first, the order in which the shapes are tried.
    for (; shapes; shapes &= shapes - 1) {
        const uint32_t bit = shapes & (0u - shapes);
        if (!ShapeTakes(bit, m, total, jokers, options_)) continue;
        if (bit == kShapeSevenPairs) {
            TileCountArray counts = *counts_;
            if (added) ++counts[size_t(kind_)];
            if (idxA_) counts[size_t(idxA_)] = 0;
            if (idxB_) counts[size_t(idxB_)] = 0;
            if (!SevenPairsShape(counts, nA, nB, idxA_, idxB_, kind_, options_, allowed_, *result_))
                continue;
        } else {
            // The others' record is a meld of the shape's type with no
            // tiles, once the masks take the hand (which tell it exactly for
            // these hooks without the substitute).
            AddShapeMeld(*result_, bit);
        }
        result_->shapes |= int32_t(bit);
        return 8;
    }
    return 0;
}

}  // namespace

// (Hot: every block of it is compiled for speed, the checkers' tests of
// ranks too, whatever the compiler guesses of how often they run.)
[[gnu::hot]] int32_t FastCombinedTest(const TileCountArray& counts, TileId tile, TileId jokerA,
                                      TileId jokerB, RuleOptions options, uint32_t allowed,
                                      HuResult& result, uint32_t mode, int32_t extra) {
    FastWaits waits;
    const int ready = waits.Reset(counts, tile, jokerA, jokerB, options, allowed, mode, result);
    if (ready < 0) {
        return WinningHandGeneral(counts, tile, jokerA, jokerB, options, allowed, result, mode,
                                  extra);
    }
    if (ready == 0) return 0;
    int32_t won = 0;
    if (waits.Plain()) {
        // (The shape checks clear the result first.)
        if (!waits.Waits()) return waits.ShapeChecks(extra);
        won = 8;
    }
    // (One clearing for both ends: its stores are many.)
    waits.EndClear();
    return won;
}

}  // namespace rules::detail

namespace rules {

int32_t IsWinningHand(const TileCountArray& counts, TileId tile, TileId jokerA, TileId jokerB,
                      RuleOptions options, uint32_t allowed, HuResult& result, uint32_t mode,
                      int32_t extra) {
    // The fast road hands the calls it declines on to the general one.
    if (detail::g_winningShortcut.load(std::memory_order_relaxed)) {
        return detail::FastCombinedTest(counts, tile, jokerA, jokerB, options, allowed, result,
                                        mode, extra);
    }
    return detail::WinningHandGeneral(counts, tile, jokerA, jokerB, options, allowed, result, mode,
                                      extra);
}

}  // namespace rules
