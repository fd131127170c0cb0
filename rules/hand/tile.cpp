#include "rules/hand/tile.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace rules {
namespace {

int32_t DefaultHonourOrFlower(TileIndex index, TileId, TileId, RuleOptions) {
    return IsFlowerIndex(index);
}

// The hooks are process-wide by design: a table's constructor replaces them
// for every later tile test.
constinit TileHooks g_hooks{TileIdToSuit,  TileIdToRank, DefaultHonourOrFlower,
                            IsHonourIndex, IsJokerIndex, SubstituteIndex};

// Which of this game's own hooks are installed, worked out when they are
// installed, so that tile and hand tests can answer without calling them.
struct HookTraits {
    bool standardSuitRank;
    HonourHookSet honours;  // (kept in detail::g_honourHooks)
    bool standardJoker;     // this game's joker test on this game's kinds
};
constinit HookTraits g_traits{true, HonourHookSet::kFlowersOnly, true};

HookTraits TraitsOf(const TileHooks& h) {
    HookTraits t{};
    t.standardSuitRank = (h.suit == TileIdToSuit || h.suit == SuitHook) &&
                         (h.rank == TileIdToRank || h.rank == RankHook);
    t.standardJoker = t.standardSuitRank && h.joker == IsJokerIndex;
    t.honours = HonourHookSet::kOther;
    if (h.honour == IsHonourIndex) {
        if (h.honourOrFlower == DefaultHonourOrFlower) t.honours = HonourHookSet::kFlowersOnly;
        if (h.honourOrFlower == IsHonourOrFlowerIndex)
            t.honours = HonourHookSet::kHonoursAndFlowers;
    }
    return t;
}

bool IsSuitedIndex(TileIndex index) {
    return index >= 1 && index <= 29 && index % 10 != 0;
}

}  // namespace

TileHooks DefaultTileHooks() {
    return {TileIdToSuit,  TileIdToRank, DefaultHonourOrFlower,
            IsHonourIndex, IsJokerIndex, SubstituteIndex};
}

TileHooks TableTileHooks() {
    return {SuitHook,      RankHook,     IsHonourOrFlowerIndex,
            IsHonourIndex, IsJokerIndex, SubstituteIndex};
}

void InstallTileHooks(const TileHooks& hooks) {
    g_hooks = hooks;
    g_traits = TraitsOf(hooks);
    detail::g_standardSuitRank = g_traits.standardSuitRank;
    detail::g_standardJoker = g_traits.standardJoker;
    detail::g_honourHooks = g_traits.honours;
}

void ResetTileHooks() {
    InstallTileHooks(DefaultTileHooks());
}
const TileHooks& CurrentTileHooks() {
    return g_hooks;
}

int32_t TileIdToSuit(TileId id, RuleOptions) {
    if (id < 0 || id >= kTileIdCount) return -1;
    if (id < 108) return id / 36;
    return id < 136 ? 3 : 4;
}

int32_t TileIdToRank(TileId id, RuleOptions) {
    if (id < 0 || id >= kTileIdCount) return 0;
    if (id < 108) return id % 9 + 1;
    if (id < 136) return (id - 108) % 7 + 1;
    return id - 135;
}

int32_t SuitHook(TileId id, RuleOptions options) {
    return TileIdToSuit(id, options);
}
int32_t RankHook(TileId id, RuleOptions options) {
    return TileIdToRank(id, options);
}

// The suit and rank hooks of this game both read the id table; answered
// here without the two calls (the same answers).
static bool StandardSuitAndRank() {
    return g_traits.standardSuitRank;
}

constinit bool detail::g_standardSuitRank = true;
constinit bool detail::g_standardJoker = true;
constinit HonourHookSet detail::g_honourHooks = HonourHookSet::kFlowersOnly;

constexpr std::array<uint8_t, kTileIdCount> detail::kKindOfId = [] {
    std::array<uint8_t, kTileIdCount> kinds{};
    for (int id = 0; id < kTileIdCount; ++id) {
        const int suit = id < 108 ? id / 36 : id < 136 ? 3 : 4;
        const int rank = id < 108 ? id % 9 + 1 : id < 136 ? (id - 108) % 7 + 1 : id - 135;
        kinds[size_t(id)] = uint8_t(suit * 10 + rank);
    }
    return kinds;
}();

TileIndex TileIdToIndex(TileId id, RuleOptions options) {
    if (StandardSuitAndRank())
        return id >= 0 && id < kTileIdCount ? detail::kKindOfId[size_t(id)] : -10;
    return g_hooks.suit(id, options) * 10 + g_hooks.rank(id, options);
}

TileIndex MakeTileIndex(int32_t suit, int32_t rank) {
    if (suit < 0 || rank < 1) return 0;
    int64_t index = int64_t(suit) * 10 + rank;
    return index <= INT32_MAX ? int32_t(index) : 0;  // no kind past the int range
}

TileIndex detail::TileKindByHooks(TileId id, RuleOptions options) {
    if (id < 0) return 0;
    if (StandardSuitAndRank()) return id < kTileIdCount ? detail::kKindOfId[size_t(id)] : 0;
    int32_t suit = g_hooks.suit(id, options);
    int32_t rank = g_hooks.rank(id, options);
    // Hooks of a variant could hand back anything; a kind past the slots is none.
    if (suit < 0 || rank < 1 || suit > 6 || rank > 63) return 0;
    TileIndex kind = MakeTileIndex(suit, rank);
    return kind < kCountSlots ? kind : 0;
}

// The smallest id of 0-167 with that index. Ids 152-167 have no kind (index
// -10), so -10 finds 152.
TileId IndexToFirstTileId(TileIndex index, RuleOptions options) {
    for (TileId id = 0; id < 168; ++id) {
        if (TileIdToIndex(id, options) == index) return id;
    }
    return -1;
}

int32_t IsSameKind(TileId a, TileId b, RuleOptions options) {
    return TileIdToIndex(a, options) == TileIdToIndex(b, options);
}

int32_t CollectByIndex(std::span<const TileId> list, TileIndex index, std::span<TileId> out,
                       int32_t max, RuleOptions options) {
    int32_t limit = std::min<int32_t>(max, int32_t(out.size()));
    int32_t n = 0;
    for (TileId id : list) {
        if (n >= limit) break;
        if (id < 0) continue;
        if (TileIdToIndex(id, options) == index) out[n++] = id;
    }
    return n;
}

int32_t CollectSameKind(std::span<const TileId> list, TileId id, std::span<TileId> out, int32_t max,
                        RuleOptions options) {
    return CollectByIndex(list, TileIdToIndex(id, options), out, max, options);
}

int32_t IsJokerTile(TileId id, TileId jokerA, TileId jokerB, RuleOptions options) {
    if (id < 0) return 0;
    if (g_traits.standardJoker) {
        // IsJokerIndex on the id's kind, by table (an id past the tiles has none).
        if (id >= kTileIdCount) return 0;
        const TileIndex index = detail::kKindOfId[size_t(id)];
        if (!(options & kOptJokers) || jokerA == -1) return 0;
        auto matches = [&](TileId joker) {
            return joker >= 0 && joker < 145 && detail::kKindOfId[size_t(joker)] == index;
        };
        return matches(jokerA) || matches(jokerB) ? 1 : 0;
    }
    return g_hooks.joker(TileIdToIndex(id, options), jokerA, jokerB, options) ? 1 : 0;
}

int32_t IsJokerIndex(TileIndex index, TileId jokerA, TileId jokerB, RuleOptions options) {
    if (index < 1 || !(options & kOptJokers) || jokerA == -1) return 0;
    const bool standard = StandardSuitAndRank();
    auto matches = [&](TileId joker) {
        if (joker < 0) return false;
        // A flower of rank 10 or more is no index's last digit (ids 145 on).
        if (standard) return joker < 145 && detail::kKindOfId[size_t(joker)] == index;
        int32_t suit = g_hooks.suit(joker, options);
        int32_t rank = g_hooks.rank(joker, options);
        return index / 10 == suit && index % 10 == rank;
    };
    return matches(jokerA) || matches(jokerB) ? 1 : 0;
}

int32_t IsWindIndex(TileIndex index) {
    return index >= 31 && index <= 34 ? index : 0;
}
int32_t IsDragonIndex(TileIndex index) {
    return index >= 35 && index <= 37 ? index : 0;
}

int32_t IsHonourIndex(TileIndex index, TileId, TileId, RuleOptions) {
    return IsWindIndex(index) || IsDragonIndex(index) ? 1 : 0;
}

int32_t IsFlowerIndex(TileIndex index) {
    return index / 10 >= 4 ? 1 : 0;
}

int32_t IsHonourOrFlowerIndex(TileIndex index, TileId jokerA, TileId jokerB, RuleOptions options) {
    if (g_hooks.honour(index, jokerA, jokerB, options)) return 1;
    return index / 10 >= 4 ? 1 : 0;
}

int32_t IsHonourOrFlowerTile(TileId id, TileId jokerA, TileId jokerB, RuleOptions options) {
    return g_hooks.honourOrFlower(TileIdToIndex(id, options), jokerA, jokerB, options) ? 1 : 0;
}

TileIndex SubstituteIndex(TileIndex, TileIndex, RuleOptions) {
    return 37;
}

TileIndex SubstituteIndexOfTiles(TileId jokerA, TileId jokerB, RuleOptions options) {
    auto kind = [&](TileId joker) {
        return MakeTileIndex(g_hooks.suit(joker, options), g_hooks.rank(joker, options));
    };
    return g_hooks.substitute(kind(jokerA), kind(jokerB), options);
}

TileIndex MatchSubstituteIndex(TileIndex index, TileId jokerA, TileId jokerB, RuleOptions options) {
    return index == SubstituteIndexOfTiles(jokerA, jokerB, options) ? index : 0;
}

int32_t IsSubstituteTile(TileId id, TileId jokerA, TileId jokerB, RuleOptions options) {
    return MatchSubstituteIndex(TileIdToIndex(id, options), jokerA, jokerB, options);
}

int32_t IsEyesTile258(TileIndex index) {
    return IsSuitedIndex(index) && (index % 10 == 2 || index % 10 == 5 || index % 10 == 8);
}

const char* TileKindName(TileIndex index) {
    static const char* const kSuited[3][9] = {
        {"一万", "二万", "三万", "四万", "五万", "六万", "七万", "八万", "九万"},
        {"一条", "二条", "三条", "四条", "五条", "六条", "七条", "八条", "九条"},
        {"一洞", "二洞", "三洞", "四洞", "五洞", "六洞", "七洞", "八洞", "九洞"},
    };
    static const char* const kHonours[7] = {"东风", "南风", "西风", "北风", "红中", "发财", "白板"};
    static const char* const kFlowers[8] = {"春", "夏", "秋", "冬", "梅", "兰", "竹", "菊"};
    if (IsSuitedIndex(index)) return kSuited[index / 10][index % 10 - 1];
    if (index >= 31 && index <= 37) return kHonours[index - 31];
    if (index >= 41 && index <= 48) return kFlowers[index - 41];
    return "";
}

}  // namespace rules
