#include "rules/decompose.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

namespace rules {
namespace {

// --- Feasibility values -----------------------------------------------------
//
// For a group of kinds (a suit, the winds, the dragons, a lone kind) the value
// holds, per residue r of 3, the fewest wildcards that complete the group's
// tiles into melds using a number of wildcards = r (mod 3): without a pair
// (m[0]) and with exactly one pair (m[1]). More wildcards of the same residue
// always fit (three more make a pung of wildcards), so the minima decide.

constexpr uint8_t kInf = 60;

struct GroupValue {
    uint8_t m[2][3];
    uint8_t pad[2] = {0, 0};
};

constexpr GroupValue kEmptyValue{{{0, kInf, kInf}, {kInf, kInf, kInf}}, {0, 0}};

static_assert(sizeof(GroupValue) == 8);

// Whole-word compare: the padding is zero in every value made here, and a
// value with other padding only misses the shortcuts this test guards (an
// empty value combines as the identity anyway). Reading the value as the word
// it was stored as keeps the load from stalling on the store before it.
bool IsEmptyValue(const GroupValue& v) {
    uint64_t key = 0, empty = 0;
    std::memcpy(&key, &v, sizeof v);
    std::memcpy(&empty, &kEmptyValue, sizeof kEmptyValue);
    return key == empty;
}

// Written out residue by residue (the loop form costs a good share of a
// losing hand's test): residue r of the sum takes residue i of a with r - i
// of b.
GroupValue Combine(const GroupValue& a, const GroupValue& b) {
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
bool Completes(const GroupValue& v, int32_t jokers, bool pairTaken) {
    if (jokers < 0) return false;
    int r = jokers % 3;
    if (jokers >= v.m[0][r]) return true;
    if (pairTaken) return false;
    if (jokers >= v.m[1][r]) return true;
    return jokers >= 2 && jokers - 2 >= v.m[0][(jokers - 2) % 3];
}

// Group kinds, as far as the melds of the search go.
enum class GroupKind { kSuit, kWinds, kDragons, kSingle };

int GroupSize(GroupKind kind) {
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

constexpr int32_t kPow5[10] = {1, 5, 25, 125, 625, 3125, 15625, 78125, 390625, 1953125};

// Every value of a group, by base-5 code of its counts (digit i: kind i).
// Moves only take tiles away, so a successor's code is smaller: one pass in
// rising code order fills the table. The table reads back what it stored with
// Get(code) and keeps it with Set(code, value).
// The table build: two million small steps, every one of them checked under
// the sanitizers of a test build, where each test process builds the tables
// anew. Its indices stay in range by construction, and the oracle tests
// check every table it makes.
#if defined(__GNUC__)
#define QEVO_RULES_TABLE_BUILD __attribute__((no_sanitize("address", "undefined")))
#else
#define QEVO_RULES_TABLE_BUILD
#endif

// v takes the better of what it holds and the move to s at `cost` wildcards.
QEVO_RULES_TABLE_BUILD inline void Relax(GroupValue& v, const GroupValue& s, int cost, bool pair) {
    for (int r = 0, to = cost; r < 3; ++r, to = to == 2 ? 0 : to + 1) {
        // (No std::min here: the sanitizers' copy of it would not inline.)
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

template <typename Table>
QEVO_RULES_TABLE_BUILD void FillGroupTable(GroupKind kind, Table& table) {
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
        auto move = [&](int32_t removed, int cost, bool pair)
                        QEVO_RULES_TABLE_BUILD { Relax(v, table.Get(code - removed), cost, pair); };
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

struct ValueTable {
    std::vector<GroupValue> values;
    GroupValue* data;
    explicit ValueTable(GroupKind kind)
        : values(size_t(kPow5[GroupSize(kind)]), kEmptyValue), data(values.data()) {
        FillGroupTable(kind, *this);
    }
    QEVO_RULES_TABLE_BUILD GroupValue Get(int32_t code) const { return data[code]; }
    QEVO_RULES_TABLE_BUILD void Set(int32_t code, const GroupValue& v) { data[code] = v; }
};

// A value as one word, padding and all (zero in every value made here): read
// and written whole, it never waits on a narrower store to the same place.
QEVO_RULES_TABLE_BUILD uint64_t ValueKey(const GroupValue& v) {
    uint64_t key = 0;
    std::memcpy(&key, &v, sizeof v);
    return key;
}

// A suit's values take few distinct forms: the table holds an index into a
// palette, two megabytes in all, so that lookups stay in cache. Built in
// place (with a small hash of the forms seen), which keeps the one-off cost
// low for every process that tests a hand.
struct PaletteTable {
    std::vector<uint8_t> index;
    std::vector<GroupValue> palette;
    static constexpr size_t kSlots = 1024;  // a power of two, well above 256
    std::vector<uint64_t> keys = std::vector<uint64_t>(kSlots, ~uint64_t(0));
    std::vector<uint8_t> slots = std::vector<uint8_t>(kSlots, 0);

    PaletteTable() : index(size_t(kPow5[9]), 0) {
        palette.push_back(kEmptyValue);
        Remember(ValueKey(kEmptyValue), 0);
        FillGroupTable(GroupKind::kSuit, *this);
    }
    QEVO_RULES_TABLE_BUILD GroupValue Get(int32_t code) const {
        return palette.data()[index.data()[code]];
    }
    QEVO_RULES_TABLE_BUILD void Set(int32_t code, const GroupValue& v) {
        const uint64_t key = ValueKey(v);
        size_t h = size_t((key * 0x9E3779B97F4A7C15ull) >> 54);
        while (keys[h] != key && keys[h] != ~uint64_t(0))
            h = (h + 1) & (kSlots - 1);
        if (keys[h] != key) {
            if (palette.size() == 256) std::abort();  // cannot happen: 116 forms
            Remember(key, uint8_t(palette.size()));
            palette.push_back(v);
        }
        index[size_t(code)] = slots[h];
    }
    QEVO_RULES_TABLE_BUILD void Remember(uint64_t key, uint8_t slot) {
        size_t h = size_t((key * 0x9E3779B97F4A7C15ull) >> 54);
        while (keys[h] != ~uint64_t(0))
            h = (h + 1) & (kSlots - 1);
        keys[h] = key;
        slots[h] = slot;
    }
};

struct Tables {
    std::vector<uint8_t> suit;
    std::vector<GroupValue> palette;
    std::vector<GroupValue> winds, dragons, single;
    const GroupValue& Suit(int32_t code) const { return palette[suit[size_t(code)]]; }
};

[[gnu::noinline]] Tables MakeTables() {
    Tables t;
    PaletteTable suit;
    t.suit = std::move(suit.index);
    t.palette = std::move(suit.palette);
    t.winds = ValueTable(GroupKind::kWinds).values;
    t.dragons = ValueTable(GroupKind::kDragons).values;
    t.single = ValueTable(GroupKind::kSingle).values;
    return t;
}

// Small, so that callers keep only the check that the tables are there.
inline const Tables& TheTables() {
    static const Tables tables = MakeTables();
    return tables;
}

int32_t SuitCode(const TileCountArray& c, int base) {
    int32_t code = 0;
    for (int r = 0; r < 9; ++r)
        code += c[size_t(base + r)] * kPow5[r];
    return code;
}

// Kinds 30 and up: winds and dragons (as groups with honour chows, else one
// by one) and every other slot as a lone kind.
GroupValue HonourValue(const Tables& t, const TileCountArray& c, bool honourChows) {
    GroupValue v = kEmptyValue;
    int32_t any = 0;
    for (int k = 30; k < kCountSlots; ++k)
        any |= c[size_t(k)];
    if (any == 0) return v;  // the common case: suited tiles only
    for (int k = 30; k < kCountSlots; ++k) {
        if (honourChows && k >= 31 && k <= 37) continue;
        if (c[size_t(k)]) v = Combine(v, t.single[size_t(c[size_t(k)])]);
    }
    if (honourChows) {
        int32_t w = c[31] + 5 * c[32] + 25 * c[33] + 125 * c[34];
        int32_t d = c[35] + 5 * c[36] + 25 * c[37];
        if (w) v = Combine(v, t.winds[size_t(w)]);
        if (d) v = Combine(v, t.dragons[size_t(d)]);
    }
    return v;
}

// --- The guided search ------------------------------------------------------

// Whether `jokers` wildcards complete the groups of `rest` together with one
// more group `g` (the one a move changed); the residue arithmetic of Combine
// and Completes, done only for the residues asked about.
bool CompletesWith(const GroupValue& rest, const GroupValue& g, int32_t jokers, bool pairTaken) {
    auto best = [&](int pr, int pg, int r) {
        int m = kInf;
        for (int i = 0; i < 3; ++i)
            m = std::min(m, rest.m[pr][i] + g.m[pg][(r - i + 3) % 3]);
        return m;
    };
    const int r = jokers % 3;
    if (jokers >= best(0, 0, r)) return true;
    if (pairTaken) return false;
    if (jokers >= best(0, 1, r) || jokers >= best(1, 0, r)) return true;
    return jokers >= 2 && jokers - 2 >= best(0, 0, (jokers - 2) % 3);
}

struct Search {
    const Tables& t;
    TileCountArray c;
    int32_t codes[3];
    int32_t tiles;
    bool honourChows;
    TileIndex idxA, idxB;
    HuResult& result;
    // The groups after g, combined. The search works through the groups in
    // order and moves change only the group of the lowest kind left, so the
    // groups before g are empty and those after it as they were at the start.
    GroupValue suffix[4];

    static int GroupOf(int k) { return k < 30 ? k / 10 : 3; }

    GroupValue Recompute(int g) const {
        return g < 3 ? t.Suit(codes[g]) : HonourValue(t, c, honourChows);
    }
    void Change(int k, int delta) {
        c[size_t(k)] += delta;
        tiles += delta;
        if (k < 30) codes[k / 10] += delta * kPow5[k % 10 - 1];
    }
};

struct MeldMove {
    int8_t kinds[4];
    int8_t n;       // tiles taken: kinds[0..n-1], with repeats
    int8_t jokers;  // wildcards spent
    int8_t pair;    // 1: the meld is the pair
    int8_t type;
    int8_t k;
    int8_t jokerPlace;
    int8_t gapPlace;
};

int32_t Run(Search& s, int32_t nA, int32_t nB, int32_t pairTaken, int depth, int from);

// Takes the move; when what is left can still complete, recurses (which then
// succeeds) and records the meld after the deeper ones. All kinds of a move
// lie in group g; `others` combines the remaining groups.
bool TryMove(Search& s, const MeldMove& m, int g, const GroupValue& others, int32_t nA, int32_t nB,
             int32_t pairTaken, int depth, int from) {
    int32_t savedA, savedB;
    if (TakeJokers(&savedA, &savedB, &nA, &nB, m.jokers) != m.jokers) return false;
    const bool pairNow = pairTaken || m.pair;
    // Most moves leave a rest that cannot complete: a suit's new value comes
    // from its code alone, so such a move is refused before the hand changes.
    if (g < 3) {
        int32_t code = s.codes[g];
        for (int i = 0; i < m.n; ++i)
            code -= kPow5[m.kinds[i] % 10 - 1];
        if (!CompletesWith(others, s.t.Suit(code), SumJokers(nA, nB), pairNow)) return false;
    }
    for (int i = 0; i < m.n; ++i)
        s.Change(m.kinds[i], -1);
    bool ok = (g < 3 || CompletesWith(others, s.Recompute(g), SumJokers(nA, nB), pairNow)) &&
              Run(s, nA, nB, pairNow, depth + 1, from);
    for (int i = 0; i < m.n; ++i)
        s.Change(m.kinds[i], +1);
    if (!ok) return false;
    AddMeld(s.result, m.type, m.k, savedA - nA, savedB - nB, s.idxA, s.idxB, m.jokerPlace,
            m.gapPlace);
    return true;
}

MeldMove Same(int k, int n, int jokers, int type, bool pair) {
    return {{int8_t(k), int8_t(k), int8_t(k), int8_t(k)},
            int8_t(n),
            int8_t(jokers),
            int8_t(pair),
            int8_t(type),
            int8_t(k),
            int8_t(kNoJokerPlace),
            0};
}

MeldMove Chow(std::initializer_list<int> kinds, int jokers, int first, int place, int gap) {
    MeldMove m{{0, 0, 0, 0},  0,          int8_t(jokers), 0, int8_t(kMeldChow), int8_t(first),
               int8_t(place), int8_t(gap)};
    for (int kind : kinds)
        m.kinds[m.n++] = int8_t(kind);
    return m;
}

int32_t Run(Search& s, int32_t nA, int32_t nB, int32_t pairTaken, int depth, int from) {
    int32_t jokers = SumJokers(nA, nB);
    if (s.tiles == 0) {
        if (jokers == 0) return 8;
        if (depth >= kMaxMelds) return 0;
        int32_t savedA, savedB;
        // Wildcards alone: pungs, and the pair when none was taken.
        auto fits = [](int32_t left, bool pair) {
            return left % 3 == 0 || (!pair && left % 3 == 2);
        };
        if (jokers >= 3) {
            TakeJokers(&savedA, &savedB, &nA, &nB, 3);
            if (fits(SumJokers(nA, nB), pairTaken) && Run(s, nA, nB, pairTaken, depth + 1, from)) {
                AddMeldEx(s.result, kMeldPung, savedA - nA, savedB - nB, s.idxA, s.idxB);
                return 8;
            }
            RestoreJokers(savedA, savedB, &nA, &nB);
        }
        if (!pairTaken && jokers >= 2) {
            TakeJokers(&savedA, &savedB, &nA, &nB, 2);
            if (fits(SumJokers(nA, nB), true) && Run(s, nA, nB, 1, depth + 1, from)) {
                AddMeldEx(s.result, kMeldPair, savedA - nA, savedB - nB, s.idxA, s.idxB);
                return 8;
            }
        }
        return 0;
    }
    if (depth >= kMaxMelds) return 0;
    int k = from;
    while (k < kCountSlots && s.c[size_t(k)] == 0)
        ++k;
    if (k >= kCountSlots) return 0;
    const int32_t n = s.c[size_t(k)];
    const int g = Search::GroupOf(k);
    const GroupValue& others = s.suffix[g];
    auto attempt = [&](const MeldMove& m) {
        return TryMove(s, m, g, others, nA, nB, pairTaken, depth, k);
    };

    if (n == 4 && attempt(Same(k, 4, 0, kMeldKong, false))) return 8;
    if (n >= 3 && attempt(Same(k, 3, 0, kMeldPung, false))) return 8;
    if (n >= 2 && jokers >= 1 && attempt(Same(k, 2, 1, kMeldPung, false))) return 8;
    if (jokers >= 2 && attempt(Same(k, 1, 2, kMeldPung, false))) return 8;
    if (!pairTaken) {
        if (n >= 2 && attempt(Same(k, 2, 0, kMeldPair, true))) return 8;
        if (jokers >= 1 && attempt(Same(k, 1, 1, kMeldPair, true))) return 8;
    }
    const auto& c = s.c;
    if (k < 30) {
        int r = k % 10;
        if (r != 8 && r != 9 && c[size_t(k + 1)] && c[size_t(k + 2)] &&
            attempt(Chow({k, k + 1, k + 2}, 0, k, kNoJokerPlace, 0)))
            return 8;
        if (jokers >= 1 && r != 9 && c[size_t(k + 1)] && attempt(Chow({k, k + 1}, 1, k, 2, 0)))
            return 8;
        if (jokers >= 1 && r != 8 && r != 9 && c[size_t(k + 2)] &&
            attempt(Chow({k, k + 2}, 1, k, 1, 0)))
            return 8;
        return 0;
    }
    if (!s.honourChows) return 0;
    struct Combo {
        int8_t a, b, c, place, gap;
    };
    static constexpr Combo kFull[] = {{31, 32, 33, -1, 0},
                                      {31, 32, 34, -1, 2},
                                      {32, 33, 34, -1, 0},
                                      {31, 33, 34, -1, 1},
                                      {35, 36, 37, -1, 0}};
    static constexpr Combo kWithJoker[] = {{31, 32, 0, 2, 0}, {31, 33, 0, 1, 0}, {31, 34, 0, 1, 2},
                                           {32, 33, 0, 2, 0}, {32, 34, 0, 1, 0}, {33, 34, 0, 0, 0},
                                           {35, 36, 0, 2, 0}, {35, 37, 0, 1, 0}, {36, 37, 0, 0, 0}};
    // The combinations are tried whenever their tiles are present; the one
    // taken need not hold k, and the next level then starts from 30 again.
    for (const Combo& m : kFull) {
        if (c[size_t(m.a)] && c[size_t(m.b)] && c[size_t(m.c)] &&
            TryMove(s, Chow({m.a, m.b, m.c}, 0, m.a, m.place, m.gap), g, others, nA, nB, pairTaken,
                    depth, 30))
            return 8;
    }
    if (jokers >= 1) {
        for (const Combo& m : kWithJoker) {
            if (c[size_t(m.a)] && c[size_t(m.b)] &&
                TryMove(s, Chow({m.a, m.b}, 1, m.a, m.place, m.gap), g, others, nA, nB, pairTaken,
                        depth, 30))
                return 8;
        }
    }
    return 0;
}

detail::DecomposeFn g_decompose = DecomposeHand;
thread_local bool t_acceptOnly = false;

}  // namespace

bool HandCountsValid(const TileCountArray& counts) {
    // For v not negative, v + 3 has no bit above 2 exactly when v is 0-4;
    // written without branches so that it runs as vector code.
    uint32_t bad = uint32_t(counts[0] | counts[10] | counts[20]);
    for (int32_t v : counts)
        bad |= (uint32_t(v) & 0x80000000u) | ((uint32_t(v) + 3u) & ~7u);
    return bad == 0;
}

namespace detail {

bool CanDecompose(const TileCountArray& counts, int32_t jokers, bool pairTaken, bool honourChows) {
    if (!HandCountsValid(counts)) return false;
    const Tables& t = TheTables();
    GroupValue v = HonourValue(t, counts, honourChows);
    for (int s = 0; s < 3; ++s)
        v = Combine(v, t.Suit(SuitCode(counts, s * 10 + 1)));
    return Completes(v, jokers, pairTaken);
}

namespace {
GroupValue Value(uint64_t b) {
    return std::bit_cast<GroupValue>(b);
}
}  // namespace

DecomposeProbe::DecomposeProbe(const TileCountArray& counts, bool honourChows)
    : counts_(&counts), honourChows_(honourChows), valid_(HandCountsValid(counts)) {
    if (!valid_) return;
    const Tables& t = TheTables();
    for (int g = 0; g < 3; ++g) {
        codes_[g] = SuitCode(counts, g * 10 + 1);
        values_[size_t(g)] = ValueKey(t.Suit(codes_[g]));
    }
    values_[3] = ValueKey(HonourValue(t, counts, honourChows));
}

bool DecomposeProbe::Without(std::initializer_list<int> taken, int32_t jokers,
                             bool pairTaken) const {
    if (!valid_) return false;
    const Tables& t = TheTables();
    int32_t codes[3] = {codes_[0], codes_[1], codes_[2]};
    bool touched[4] = {false, false, false, false};
    for (int k : taken) {
        if (k < 1 || k >= kCountSlots || (*counts_)[size_t(k)] <= 0) {
            TileCountArray rest = *counts_;
            for (int kind : taken) {
                if (kind >= 0 && kind < kCountSlots) --rest[size_t(kind)];
            }
            return CanDecompose(rest, jokers, pairTaken, honourChows_);
        }
        if (k < 30) {
            codes[k / 10] -= kPow5[k % 10 - 1];
            touched[k / 10] = true;
        } else {
            touched[3] = true;
        }
    }
    int changed = -1, count = 0;
    for (int g = 0; g < 4; ++g) {
        if (touched[g]) changed = g, ++count;
    }
    if (count <= 1 && jokers >= 0) {
        // The common case: the taken tiles lie in one group (or there are
        // none), and the other groups combine the same for every probe.
        const int g = changed < 0 ? 0 : changed;
        if (!(othersReady_ & (1u << g))) {
            GroupValue o = kEmptyValue;
            for (int h = 0; h < 4; ++h) {
                if (h != g) o = Combine(o, Value(values_[size_t(h)]));
            }
            others_[size_t(g)] = ValueKey(o);
            othersReady_ |= uint8_t(1u << g);
        }
        GroupValue mine;
        if (changed < 0) {
            mine = Value(values_[0]);
        } else if (g < 3) {
            mine = t.Suit(codes[g]);
        } else {
            TileCountArray rest = *counts_;
            for (int k : taken)
                --rest[size_t(k)];
            mine = HonourValue(t, rest, honourChows_);
        }
        return CompletesWith(Value(others_[size_t(g)]), mine, jokers, pairTaken);
    }
    GroupValue v[4];
    for (int g = 0; g < 3; ++g)
        v[g] = touched[g] ? t.Suit(codes[g]) : Value(values_[size_t(g)]);
    if (touched[3]) {
        TileCountArray rest = *counts_;
        for (int k : taken)
            --rest[size_t(k)];
        v[3] = HonourValue(t, rest, honourChows_);
    } else {
        v[3] = Value(values_[3]);
    }
    return Completes(Combine(Combine(v[0], v[1]), Combine(v[2], v[3])), jokers, pairTaken);
}

AcceptOnlyScope::AcceptOnlyScope() : previous_(t_acceptOnly) {
    t_acceptOnly = true;
}
AcceptOnlyScope::~AcceptOnlyScope() {
    t_acceptOnly = previous_;
}

DecomposeFn SetDecomposeForTesting(DecomposeFn fn) {
    return std::exchange(g_decompose, fn ? fn : DecomposeHand);
}

int32_t CallDecompose(const TileCountArray& counts, int64_t tiles, int32_t nA, int32_t nB,
                      TileIndex idxA, TileIndex idxB, TileIndex winKind, RuleOptions options,
                      uint32_t allowed, HuResult& result, int32_t pairTaken) {
    if (g_decompose == DecomposeHand) {
        return DecomposeCounted(counts, tiles, nA, nB, idxA, idxB, options, result, pairTaken);
    }
    return g_decompose(counts, nA, nB, idxA, idxB, winKind, options, allowed, result, pairTaken);
}

}  // namespace detail

namespace detail {

int32_t DecomposeCounted(const TileCountArray& counts, int64_t tiles, int32_t nA, int32_t nB,
                         TileIndex idxA, TileIndex idxB, RuleOptions options, HuResult& result,
                         int32_t pairTaken) {
    int32_t jokers = SumJokers(nA, nB);
    if (tiles + jokers > kMaxDecomposedTiles) return 0;
    const Tables& t = TheTables();
    const bool honourChows = (options & kOptHonourChows) != 0;
    // The root test first, before the search copies anything.
    int32_t codes[3];
    GroupValue value[4];
    for (int i = 0; i < 3; ++i) {
        codes[i] = SuitCode(counts, i * 10 + 1);
        value[i] = t.Suit(codes[i]);
    }
    value[3] = HonourValue(t, counts, honourChows);
    GroupValue suffix[4];
    suffix[3] = kEmptyValue;
    for (int g = 2; g >= 0; --g)
        suffix[g] = Combine(value[g + 1], suffix[g + 1]);
    if (!CompletesWith(suffix[0], value[0], jokers, pairTaken != 0)) return 0;
    if (t_acceptOnly) return 8;
    Search s{t,
             counts,
             {codes[0], codes[1], codes[2]},
             int32_t(tiles),
             honourChows,
             idxA,
             idxB,
             result,
             {suffix[0], suffix[1], suffix[2], suffix[3]}};
    return Run(s, nA, nB, pairTaken != 0, 0, 1);
}

}  // namespace detail

int32_t DecomposeHand(const TileCountArray& counts, int32_t nA, int32_t nB, TileIndex idxA,
                      TileIndex idxB, TileIndex, RuleOptions options, uint32_t, HuResult& result,
                      int32_t pairTaken) {
    if (!HandCountsValid(counts)) return 0;
    if (nA < 0 || nB < 0) nA = nB = 0;  // a negative counter: no jokers at all
    int64_t tiles = 0;
    for (int32_t v : counts)
        tiles += v;
    return detail::DecomposeCounted(counts, tiles, nA, nB, idxA, idxB, options, result, pairTaken);
}

}  // namespace rules
