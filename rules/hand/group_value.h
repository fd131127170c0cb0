#pragma once
// What a group of kinds (a suit, the winds, the dragons, a lone kind) needs of
// the wildcards to split into melds, in two forms:
//  - GroupValue: per residue r of 3, the fewest wildcards that complete the
//    group's tiles into melds using a number of wildcards = r (mod 3), without
//    a pair (m[0]) and with exactly one pair (m[1]). More wildcards of the same
//    residue always fit (three more make a pung of wildcards), so the minima
//    decide, for any number of wildcards.
//  - GroupMask: the same as a bit set of wildcard counts up to 15, on which
//    adding a group or asking what a group leaves are a few shifts.
// The group tables are made at build time (group_table_gen.cpp) from the
// meld moves below, which are those of the decomposition.

#include <cstdint>
#include <cstring>

namespace rules::detail {

inline constexpr uint8_t kInf = 60;

struct GroupValue {
    uint8_t m[2][3];
    uint8_t pad[2] = {0, 0};
};
static_assert(sizeof(GroupValue) == 8);

inline constexpr GroupValue kEmptyValue{{{0, kInf, kInf}, {kInf, kInf, kInf}}, {0, 0}};

// Whole-word compare: the padding is zero in every value made here, and a
// value with other padding only misses the shortcuts this test guards (an
// empty value combines as the identity anyway). Reading the value as the word
// it was stored as keeps the load from stalling on the store before it.
inline bool IsEmptyValue(const GroupValue& v) {
    uint64_t key = 0, empty = 0;
    std::memcpy(&key, &v, sizeof v);
    std::memcpy(&empty, &kEmptyValue, sizeof kEmptyValue);
    return key == empty;
}

// Two groups as one. Written out residue by residue: residue r of the sum
// takes residue i of a with r - i of b.
inline GroupValue Combine(const GroupValue& a, const GroupValue& b) {
    if (IsEmptyValue(a)) return b;
    if (IsEmptyValue(b)) return a;
    const int a0 = a.m[0][0], a1 = a.m[0][1], a2 = a.m[0][2];
    const int p0 = a.m[1][0], p1 = a.m[1][1], p2 = a.m[1][2];
    const int b0 = b.m[0][0], b1 = b.m[0][1], b2 = b.m[0][2];
    const int q0 = b.m[1][0], q1 = b.m[1][1], q2 = b.m[1][2];
    auto low = [](int x, int y) { return x < y ? x : y; };
    auto cap = [](int x) { return uint8_t(x < kInf ? x : kInf); };
    auto sum0 = [&](int x0, int x1, int x2, int y0, int y1, int y2) {
        return low(low(x0 + y0, x1 + y2), x2 + y1);
    };
    auto sum1 = [&](int x0, int x1, int x2, int y0, int y1, int y2) {
        return low(low(x0 + y1, x1 + y0), x2 + y2);
    };
    auto sum2 = [&](int x0, int x1, int x2, int y0, int y1, int y2) {
        return low(low(x0 + y2, x1 + y1), x2 + y0);
    };
    GroupValue c{{{cap(sum0(a0, a1, a2, b0, b1, b2)), cap(sum1(a0, a1, a2, b0, b1, b2)),
                   cap(sum2(a0, a1, a2, b0, b1, b2))},
                  {cap(low(sum0(a0, a1, a2, q0, q1, q2), sum0(p0, p1, p2, b0, b1, b2))),
                   cap(low(sum1(a0, a1, a2, q0, q1, q2), sum1(p0, p1, p2, b0, b1, b2))),
                   cap(low(sum2(a0, a1, a2, q0, q1, q2), sum2(p0, p1, p2, b0, b1, b2)))}}};
    return c;
}

// Whether `jokers` wildcards complete the groups summed up in v; leftover
// wildcards form pungs, and a pair when none was taken.
inline bool Completes(const GroupValue& v, int32_t jokers, bool pairTaken) {
    if (jokers < 0) return false;
    int r = jokers % 3;
    if (jokers >= v.m[0][r]) return true;
    if (pairTaken) return false;
    if (jokers >= v.m[1][r]) return true;
    return jokers >= 2 && jokers - 2 >= v.m[0][(jokers - 2) % 3];
}

// --- Masks --------------------------------------------------------------------
//
// Bit u (u <= 15) of a mask: u wildcards complete the tiles without a pair;
// bit 32 + u: with exactly one pair. A group's mask is closed under adding
// three wildcards, like its value; the bits between the halves stay clear.
// Counts of wildcards above 15 are left to the values.

inline constexpr int kMaskMaxJokers = 15;
inline constexpr uint64_t kMaskValid = 0x0000FFFF0000FFFFull;
inline constexpr int kMaskPair = 32;
// No tiles: any multiple of three wildcards (pungs of wildcards alone).
inline constexpr uint64_t kMaskNoTiles = 0x9249;

struct GroupMask {
    uint64_t bits;
    // The fewest wildcards per pair state and residue (3 * pair + residue) as
    // shift amounts: u, or 32 + u with the pair; 63 when above 15.
    uint8_t shift[6];
    uint8_t pad[2];
};
static_assert(sizeof(GroupMask) == 16);

inline constexpr GroupMask MaskOf(const GroupValue& v) {
    GroupMask g{0, {63, 63, 63, 63, 63, 63}, {0, 0}};
    for (int pair = 0; pair < 2; ++pair) {
        for (int r = 0; r < 3; ++r) {
            const int least = v.m[pair][r];
            if (least > kMaskMaxJokers) continue;
            g.shift[pair * 3 + r] = uint8_t(least + pair * kMaskPair);
            for (int u = least; u <= kMaskMaxJokers; u += 3)
                g.bits |= uint64_t(1) << (u + pair * kMaskPair);
        }
    }
    return g;
}

// The group of a closed mask: its lowest count of each residue, with and
// without the pair, as the shifts.
inline GroupMask MaskFromBits(uint64_t bits) {
    constexpr uint64_t kResidue[3] = {0x9249, 0x2492, 0x4924};
    GroupMask g{bits, {63, 63, 63, 63, 63, 63}, {0, 0}};
    for (int pair = 0; pair < 2; ++pair) {
        for (int r = 0; r < 3; ++r) {
            const uint64_t low = (bits >> (pair * kMaskPair)) & kResidue[r];
            if (low) g.shift[pair * 3 + r] = uint8_t(__builtin_ctzll(low) + pair * kMaskPair);
        }
    }
    return g;
}

// The counts of x (a closed mask) with one of g's group added: x moved up by
// each of g's fewest counts (the rest follow by closure); a pair added to a
// pair falls off the top.
inline uint64_t AddGroup(uint64_t x, const GroupMask& g) {
    const uint8_t* s = g.shift;
    return ((x << s[0]) | (x << s[1]) | (x << s[2]) | (x << s[3]) | (x << s[4]) | (x << s[5])) &
           kMaskValid;
}

// The counts that, with one of g's group added, land in `a`: a and every
// count three, six, ... below it, moved down by each of g's fewest counts.
inline uint64_t BeforeGroup(uint64_t a, const GroupMask& g) {
    uint64_t d = a;
    d |= d >> 3;
    d |= d >> 6;
    d |= d >> 6;
    d &= kMaskValid;
    const uint8_t* s = g.shift;
    return ((d >> s[0]) | (d >> s[1]) | (d >> s[2]) | (d >> s[3]) | (d >> s[4]) | (d >> s[5])) &
           kMaskValid;
}

// The counts of the whole hand's groups that `jokers` wildcards complete:
// all of them, or two fewer with a pair of wildcards, when no pair is taken.
inline constexpr uint64_t FinalMask(int32_t jokers, bool pairTaken) {
    uint64_t f = uint64_t(1) << jokers;
    if (!pairTaken) {
        f |= uint64_t(1) << (jokers + kMaskPair);
        if (jokers >= 2) f |= uint64_t(1) << (jokers - 2);
    }
    return f;
}

// FinalMask with three, six, ... fewer wildcards too (the ones left form
// pungs), by the number of wildcards up to kMaskMaxJokers and the pair state.
inline constexpr auto kClosedFinalMask = [] {
    struct {
        uint64_t masks[2][kMaskMaxJokers + 1];
    } t{};
    for (int pairTaken = 0; pairTaken < 2; ++pairTaken) {
        for (int jokers = 0; jokers <= kMaskMaxJokers; ++jokers) {
            uint64_t d = FinalMask(jokers, pairTaken);
            d |= d >> 3;
            d |= d >> 6;
            d |= d >> 6;
            t.masks[pairTaken][jokers] = d & kMaskValid;
        }
    }
    return t;
}();

// BeforeGroup(FinalMask(jokers, pairTaken), g) for the group g of a closed
// mask (jokers up to kMaskMaxJokers), with the pair taken and without: its
// fewest counts read from the bits as they are needed, once for both, so no
// shift table is stored and read back. An empty residue scans to the top bit,
// which moves every count of the context out of range.
inline void BeforeFinals(int32_t jokers, uint64_t bits, uint64_t* pairTaken, uint64_t* noPair) {
    const uint64_t taken = kClosedFinalMask.masks[1][jokers];
    const uint64_t free = kClosedFinalMask.masks[0][jokers];
    uint64_t t = 0, f = 0;
    auto from = [&](uint64_t residue) {
        const int s = __builtin_ctzll((bits & residue) | uint64_t(1) << 63);
        t |= taken >> s;
        f |= free >> s;
    };
    constexpr uint64_t kPair = uint64_t(1) << kMaskPair;
    from(0x9249);
    from(0x2492);
    from(0x4924);
    from(0x9249 * kPair);
    from(0x2492 * kPair);
    from(0x4924 * kPair);
    *pairTaken = t & kMaskValid;
    *noPair = f & kMaskValid;
}

// The number of bits set (std::popcount is a library call on the baseline
// instruction set).
inline int CountBits(uint64_t x) {
    x -= (x >> 1) & 0x5555555555555555ull;
    x = (x & 0x3333333333333333ull) + ((x >> 2) & 0x3333333333333333ull);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return int((x * 0x0101010101010101ull) >> 56);
}

// --- The tables' build ----------------------------------------------------------

// Group kinds, as far as the melds of the search go.
enum class GroupKind { kSuit, kWinds, kDragons, kSingle };

inline constexpr int GroupSize(GroupKind kind) {
    switch (kind) {
        case GroupKind::kSuit:
            return 9;
        case GroupKind::kWinds:
            return 4;
        case GroupKind::kDragons:
            return 3;
        default:
            return 1;
    }
}

inline constexpr int32_t kPow5[10] = {1, 5, 25, 125, 625, 3125, 15625, 78125, 390625, 1953125};

// A suit code, as the form lookups read it: the counts of ranks 1-3 in base
// 5 in the low seven bits, those of ranks 4-9 in base 5 above them, so that
// a lookup finds its row and its place by a shift and a mask rather than a
// division. Each rank has its own weight, and a tile taken or added changes
// its rank's digit alone.
inline constexpr int32_t kSuitWeight[9] = {1, 5, 25, 128, 640, 3200, 16000, 80000, 400000};
// The suit code of the base-5 code of the nine counts.
constexpr int32_t SuitCodeOfBase5(int32_t base5) {
    return base5 % 125 + 128 * (base5 / 125);
}

// v takes the better of what it holds and the move to s at `cost` wildcards.
inline void Relax(GroupValue& v, const GroupValue& s, int cost, bool pair) {
    for (int r = 0, to = cost % 3; r < 3; ++r, to = to == 2 ? 0 : to + 1) {
        const int none = s.m[0][r] + cost < kInf ? s.m[0][r] + cost : kInf;
        if (pair) {
            if (none < v.m[1][to]) v.m[1][to] = uint8_t(none);
            continue;
        }
        const int withPair = s.m[1][r] + cost < kInf ? s.m[1][r] + cost : kInf;
        if (none < v.m[0][to]) v.m[0][to] = uint8_t(none);
        if (withPair < v.m[1][to]) v.m[1][to] = uint8_t(withPair);
    }
}

// Every value of a group, by base-5 code of its counts (digit i: kind i).
// Moves only take tiles away, so a successor's code is smaller: one pass in
// rising code order fills the table, which reads back what it stored with
// Get(code) and keeps a value with Set(code, value). The moves are those of
// the decomposition: from the lowest kind present, a kong, pungs with none,
// one or two wildcards, pairs with none or one, and the chows.
template <typename Table>
void FillGroupTable(GroupKind kind, Table& table) {
    const int n = GroupSize(kind);
    int d[10] = {};
    for (int32_t code = 1; code < kPow5[n]; ++code) {
        // Counting up in base 5: the digits below i roll over to 0, so digit
        // i is the lowest kind present.
        int i = 0;
        while (d[i] == 4)
            d[i++] = 0;
        ++d[i];
        GroupValue v{{{kInf, kInf, kInf}, {kInf, kInf, kInf}}};
        auto move = [&](int32_t removed, int cost, bool pair) {
            Relax(v, table.Get(code - removed), cost, pair);
        };
        const int32_t p = kPow5[i];
        if (d[i] == 4) move(4 * p, 0, false);
        if (d[i] >= 3) move(3 * p, 0, false);
        if (d[i] >= 2) move(2 * p, 1, false);
        move(p, 2, false);
        if (d[i] >= 2) move(2 * p, 0, true);
        move(p, 1, true);
        if (kind == GroupKind::kSuit) {
            int rank = i + 1;
            if (rank <= 7 && d[i + 1] && d[i + 2]) move(p + kPow5[i + 1] + kPow5[i + 2], 0, false);
            if (rank <= 8 && d[i + 1]) move(p + kPow5[i + 1], 1, false);
            if (rank <= 7 && d[i + 2]) move(p + kPow5[i + 2], 1, false);
        } else if (kind == GroupKind::kWinds || kind == GroupKind::kDragons) {
            // Any three different kinds of the group, or two with a wildcard.
            for (int a = i + 1; a < n; ++a) {
                if (!d[a]) continue;
                move(p + kPow5[a], 1, false);
                for (int b = a + 1; b < n; ++b) {
                    if (d[b]) move(p + kPow5[a] + kPow5[b], 0, false);
                }
            }
        }
        table.Set(code, v);
    }
}

}  // namespace rules::detail
