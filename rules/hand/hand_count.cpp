#include "rules/hand/hand_count.h"

#include <algorithm>

namespace rules {
namespace {

// A slot of the count array for a kind, or -1 when the kind is outside it.
inline int SlotOf(TileIndex kind) {
    return kind >= 0 && kind < kCountSlots ? kind : -1;
}

inline int32_t CountOf(const TileCountArray& counts, TileIndex kind) {
    int slot = SlotOf(kind);
    return slot < 0 ? 0 : counts[size_t(slot)];
}

// A joker offered for a claim cannot be claimed unless jokers count as tiles.
bool JokerBlocksClaim(TileId tile, TileId jokerA, TileId jokerB, RuleOptions options) {
    return (options & kOptJokers) && IsJokerTile(tile, jokerA, jokerB, options) &&
           !(options & kOptJokersAsTiles);
}

std::span<TileId> PrepareOut(std::span<const TileId> list, std::span<TileId> out) {
    std::span<TileId> used = out.first(std::min(list.size(), out.size()));
    std::fill(used.begin(), used.end(), -1);
    return used;
}

}  // namespace

int32_t BuildCountArray(std::span<const TileId> list, TileCountArray& counts, RuleOptions options) {
    int32_t n = 0;
    for (TileId id : list) {
        if (id < 0) continue;
        // An id without a kind has no slot; counting it would write outside the array.
        int slot = SlotOf(TileIdToIndex(id, options));
        if (slot < 1) continue;
        ++counts[size_t(slot)];
        ++n;
    }
    return n;
}

int32_t CountJokersInCounts(const TileCountArray& counts, TileId jokerA, TileId jokerB,
                            RuleOptions options, int32_t* inoutB) {
    if (!(options & kOptJokers) || jokerA == -1) return 0;
    TileIndex kindA = TileKindOrZero(jokerA, options);
    TileIndex kindB = TileKindOrZero(jokerB, options);
    if (kindB != 0 && inoutB) *inoutB += counts[size_t(kindB)];
    return kindA != 0 ? counts[size_t(kindA)] : 0;
}

int32_t CountHonourAndFlowerTiles(const TileCountArray& counts, TileId jokerA, TileId jokerB,
                                  RuleOptions options) {
    const TileHooks& hooks = CurrentTileHooks();
    int32_t sum = 0;
    // The two honour-or-flower hooks this game installs, answered without a
    // call per slot (the same answers).
    const HonourHookSet known = InstalledHonourHooks();
    if (known != HonourHookSet::kOther) {
        for (int i = known == HonourHookSet::kFlowersOnly ? 40 : 31; i < kCountSlots; ++i) {
            if (i == 38) i = 40;
            int32_t c = counts[size_t(i)];
            if (c > 0) sum += std::min(c, 1 << 20);
        }
        return sum;
    }
    for (int i = 0; i < kCountSlots; ++i) {
        int32_t c = counts[size_t(i)];
        if (c > 0 && hooks.honourOrFlower(i, jokerA, jokerB, options)) sum += std::min(c, 1 << 20);
    }
    return sum;
}

bool HoldsHonourOrFlower(const TileCountArray& counts, TileId jokerA, TileId jokerB,
                         RuleOptions options) {
    const HonourHookSet known = InstalledHonourHooks();
    if (known == HonourHookSet::kOther) {
        return CountHonourAndFlowerTiles(counts, jokerA, jokerB, options) != 0;
    }
    uint32_t any = 0;
    if (known == HonourHookSet::kHonoursAndFlowers) {
        for (int i = 31; i <= 37; ++i)
            any |= uint32_t(counts[size_t(i)]);
    }
    for (int i = 40; i < kCountSlots; ++i)
        any |= uint32_t(counts[size_t(i)]);
    return any != 0;
}

int32_t CanPengWithCounts(const TileCountArray& counts, TileId tile, TileId jokerA, TileId jokerB,
                          RuleOptions options) {
    if (JokerBlocksClaim(tile, jokerA, jokerB, options)) return 0;
    TileIndex kind = TileKindOrZero(tile, options);
    return kind != 0 && counts[size_t(kind)] >= 2 ? 1 : 0;
}

int32_t CanGangWithCounts(const TileCountArray& counts, TileId tile, TileId jokerA, TileId jokerB,
                          RuleOptions options) {
    if (JokerBlocksClaim(tile, jokerA, jokerB, options)) return 0;
    TileIndex kind = TileKindOrZero(tile, options);
    return kind != 0 && counts[size_t(kind)] >= 3 ? kClaimGang : 0;
}

int32_t FindConcealedGangIndex(const TileCountArray& counts, TileId, TileId jokerA, TileId jokerB,
                               RuleOptions options, TileIndex* outIndex) {
    *outIndex = 0;
    for (TileIndex kind = 1; kind < kCountSlots; ++kind) {
        if (counts[size_t(kind)] != 4) continue;
        if (!(options & kOptJokers) || (options & kOptJokersAsTiles) ||
            !HookJoker(kind, jokerA, jokerB, options)) {
            *outIndex = kind;
            return kClaimGang;
        }
    }
    return 0;
}

int32_t CanShowFlowerWithCounts(const TileCountArray& counts, TileId tile, TileId jokerA,
                                TileId jokerB, RuleOptions options) {
    TileIndex kind = TileIdToIndex(tile, options);
    if (!HookHonourOrFlower(kind, jokerA, jokerB, options)) return 0;
    return CountOf(counts, kind) >= 1 ? kClaimFlower : 0;
}

int32_t HasSuitChow(const TileCountArray& counts, TileIndex kind) {
    if (kind < 1 || kind > kCountSlots - 3) return 0;
    int r = kind % 10;
    auto has = [&](int k) { return counts[size_t(k)] != 0; };
    if (r >= 3 && has(kind - 2) && has(kind - 1) && has(kind)) return 1;
    if (r >= 2 && r <= 8 && has(kind - 1) && has(kind) && has(kind + 1)) return 1;
    if (r <= 7 && has(kind) && has(kind + 1) && has(kind + 2)) return 1;
    return 0;
}

int32_t HasHonourChow(const TileCountArray& counts, TileIndex kind, RuleOptions options) {
    if (!(options & kOptHonourChows)) return 0;
    int lo = kind >= 31 && kind <= 34 ? 31 : 35;
    int hi = lo == 31 ? 34 : 37;
    int others = 0;
    for (int k = lo; k <= hi; ++k) {
        if (k != kind && counts[size_t(k)] != 0) ++others;
    }
    return others >= 2 ? 1 : 0;
}

int32_t CanChiAtIndex(const TileCountArray& counts, TileIndex kind, TileId jokerA, TileId jokerB,
                      RuleOptions options) {
    if ((options & kOptSubstitute) && kind == SubstituteIndexOfTiles(jokerA, jokerB, options)) {
        // The substitute stands for joker A's kind, when there is one.
        TileIndex kindA = TileKindOrZero(jokerA, options);
        if (kindA != 0) kind = kindA;
    }
    if (HookHonour(kind, jokerA, jokerB, options)) {
        return (options & kOptHonourChows) ? HasHonourChow(counts, kind, options) : 0;
    }
    return HasSuitChow(counts, kind);
}

int32_t ExtractJokers(TileCountArray& counts, TileId tile, TileId jokerA, TileId jokerB,
                      TileIndex* outKind, RuleOptions options, int32_t claim, int32_t* outJokersB) {
    *outKind = 0;
    TileIndex kind = TileKindOrZero(tile, options);
    if (kind != 0) {
        ++counts[size_t(kind)];
        *outKind = kind;
    }
    *outJokersB = 0;
    int32_t removedA = 0;
    if (!(options & kOptJokers)) return 0;
    TileIndex kindA = TileKindOrZero(jokerA, options);
    if (!((options & kOptJokersAsTiles) && claim)) {
        if (jokerA >= 0 && kindA != 0) {
            removedA = counts[size_t(kindA)];
            counts[size_t(kindA)] = 0;
        }
        TileIndex kindB = TileKindOrZero(jokerB, options);
        if (jokerB >= 0 && kindB != 0) {
            *outJokersB += counts[size_t(kindB)];
            counts[size_t(kindB)] = 0;
        }
    }
    if (options & kOptSubstitute) {
        TileIndex sub = SubstituteIndexOfTiles(jokerA, jokerB, options);
        // Only a real joker kind can take the substitute tiles; added, not
        // assigned, so jokers kept as tiles in that slot are not lost.
        if (kindA != 0 && sub > 0 && sub < kCountSlots && sub != kindA) {
            counts[size_t(kindA)] += counts[size_t(sub)];
            counts[size_t(sub)] = 0;
        }
    }
    return removedA;
}

int32_t CanChiWithCounts(const TileCountArray& counts, TileId tile, TileId jokerA, TileId jokerB,
                         RuleOptions options) {
    if (options & kOptNoChows) return 0;
    if ((options & kOptJokers) && IsJokerTile(tile, jokerA, jokerB, options) &&
        !(options & kOptJokersAsTiles))
        return 0;
    bool o20 = options & kOptHonourChows, o8 = options & kOptJokersAsTiles;
    bool o4 = options & kOptSubstitute, o1 = options & kOptJokers;
    bool proceed = o20 ? (!o4 && (!o8 || o1)) : ((!o4 && !o8) || o1);
    if (!proceed) return 0;
    TileCountArray copy = counts;
    TileIndex kind = 0;
    int32_t jokersB = 0;
    ExtractJokers(copy, tile, jokerA, jokerB, &kind, options, 1, &jokersB);
    if (kind == 0) return 0;
    return CanChiAtIndex(copy, kind, jokerA, jokerB, options) ? kClaimChi : 0;
}

int32_t FindPengTiles(std::span<const TileId> list, TileId tile, TileId jokerA, TileId jokerB,
                      RuleOptions options, std::span<TileId> out) {
    std::span<TileId> used = PrepareOut(list, out);
    TileCountArray counts{};
    BuildCountArray(list, counts, options);
    int32_t r = CanPengWithCounts(counts, tile, jokerA, jokerB, options);
    if (r) CollectSameKind(list, tile, used, 2, options);
    return r;
}

int32_t FindGangTiles(std::span<const TileId> list, TileId tile, TileId jokerA, TileId jokerB,
                      RuleOptions options, std::span<TileId> out) {
    std::span<TileId> used = PrepareOut(list, out);
    TileCountArray counts{};
    BuildCountArray(list, counts, options);
    int32_t r = CanGangWithCounts(counts, tile, jokerA, jokerB, options);
    if (r) CollectSameKind(list, tile, used, 3, options);
    return r;
}

int32_t FindGangTilesInHand(std::span<const TileId> list, TileId tile, TileId jokerA, TileId jokerB,
                            RuleOptions options, std::span<TileId> out) {
    std::span<TileId> used = PrepareOut(list, out);
    TileCountArray counts{};
    BuildCountArray(list, counts, options);
    TileIndex kind = 0;
    int32_t r = FindConcealedGangIndex(counts, tile, jokerA, jokerB, options, &kind);
    if (r) CollectByIndex(list, kind, used, 4, options);
    return r;
}

int32_t FindAnyGangTiles(std::span<const TileId> list, TileId jokerA, TileId jokerB,
                         RuleOptions options, std::span<TileId> out) {
    return FindGangTilesInHand(list, -1, jokerA, jokerB, options, out);
}

int32_t FindChiTiles(std::span<const TileId> list, TileId tile, TileId jokerA, TileId jokerB,
                     RuleOptions options, std::span<TileId> out) {
    std::span<TileId> used = PrepareOut(list, out);
    TileCountArray counts{};
    BuildCountArray(list, counts, options);
    int32_t r = CanChiWithCounts(counts, tile, jokerA, jokerB, options);
    size_t written = 0;
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i] < 0) continue;
        for (size_t j = i + 1; j < list.size(); ++j) {
            if (list[j] < 0) continue;
            TileCountArray pair{};
            BuildCountArray(std::span<const TileId>(&list[i], 1), pair, options);
            BuildCountArray(std::span<const TileId>(&list[j], 1), pair, options);
            if (!CanChiWithCounts(pair, tile, jokerA, jokerB, options)) continue;
            // Pairs are listed only while both entries fit in the out list.
            if (written + 2 > used.size()) return r;
            used[written++] = list[i];
            used[written++] = list[j];
        }
    }
    return r;
}

}  // namespace rules
