#pragma once
// The tile model: tile ids and tile kinds, the rule-option word as tile
// classification reads it, and the six replaceable tile hooks through which
// every hand analysis classifies a tile.

#include <array>
#include <cstdint>
#include <span>

namespace rules {

using TileId = int32_t;     // one physical tile, 0-151; negative: no tile
using TileIndex = int32_t;  // a kind: suit * 10 + rank
using RuleOptions = uint32_t;

inline constexpr int kTileIdCount = 152;
inline constexpr int kCountSlots = 64;  // slots of a count array

// Rule-option bits read by the tile model and the hand analysis.
inline constexpr RuleOptions kOptJokers = 0x1;
inline constexpr RuleOptions kOptSubstitute = 0x4;
inline constexpr RuleOptions kOptJokersAsTiles = 0x8;
inline constexpr RuleOptions kOptHonourChows = 0x20;
inline constexpr RuleOptions kOptNoChows = 0x100;
inline constexpr RuleOptions kOptNoHuRestricted1 = 0x200;
inline constexpr RuleOptions kOptNoHuRestricted4 = 0x400;
inline constexpr RuleOptions kOptNoJokerPairOnGrab = 0x4000;
inline constexpr RuleOptions kOptNoJokerSevenHonours = 0x400000;
inline constexpr RuleOptions kOptJokerPairSelfDrawnOnly = 0x1000000;
inline constexpr RuleOptions kOptTwoJokerPungSelfDrawnOnly = 0x2000000;
inline constexpr RuleOptions kOptJokerMiddleSelfDrawnOnly = 0x4000000;

// The tile hooks, in their installation order.
using SuitHookFn = int32_t (*)(TileId, RuleOptions);
using RankHookFn = int32_t (*)(TileId, RuleOptions);
using IndexTestFn = int32_t (*)(TileIndex, TileId jokerA, TileId jokerB, RuleOptions);
using SubstituteFn = TileIndex (*)(TileIndex jokerIndexA, TileIndex jokerIndexB, RuleOptions);

struct TileHooks {
    SuitHookFn suit;
    RankHookFn rank;
    IndexTestFn honourOrFlower;
    IndexTestFn honour;
    IndexTestFn joker;
    SubstituteFn substitute;
};

// The hooks in force before any table installs its own.
TileHooks DefaultTileHooks();
// The hooks the mahjong table installs.
TileHooks TableTileHooks();
// Replaces all six hooks at once; nothing restores them.
void InstallTileHooks(const TileHooks& hooks);
// Puts the default hooks back (tests; a fresh process starts with them).
void ResetTileHooks();
const TileHooks& CurrentTileHooks();

int32_t TileIdToSuit(TileId id, RuleOptions options);
int32_t TileIdToRank(TileId id, RuleOptions options);
int32_t SuitHook(TileId id, RuleOptions options);
int32_t RankHook(TileId id, RuleOptions options);

TileIndex TileIdToIndex(TileId id, RuleOptions options);
TileIndex MakeTileIndex(int32_t suit, int32_t rank);
// The kind of a tile through the hooks, 0 when it has none (negative suit,
// rank below 1). Never an index outside a count array's slots.
inline TileIndex TileKindOrZero(TileId id, RuleOptions options);
inline int32_t JokerIdsToIndices(TileId jokerA, TileId jokerB, RuleOptions options, TileIndex* outA,
                                 TileIndex* outB);
TileId IndexToFirstTileId(TileIndex index, RuleOptions options);
int32_t IsSameKind(TileId a, TileId b, RuleOptions options);
int32_t CollectSameKind(std::span<const TileId> list, TileId id, std::span<TileId> out, int32_t max,
                        RuleOptions options);
int32_t CollectByIndex(std::span<const TileId> list, TileIndex index, std::span<TileId> out,
                       int32_t max, RuleOptions options);

int32_t IsJokerTile(TileId id, TileId jokerA, TileId jokerB, RuleOptions options);
int32_t IsJokerIndex(TileIndex index, TileId jokerA, TileId jokerB, RuleOptions options);
int32_t IsWindIndex(TileIndex index);
int32_t IsDragonIndex(TileIndex index);
int32_t IsHonourIndex(TileIndex index, TileId jokerA, TileId jokerB, RuleOptions options);
int32_t IsFlowerIndex(TileIndex index);
int32_t IsHonourOrFlowerIndex(TileIndex index, TileId jokerA, TileId jokerB, RuleOptions options);
int32_t IsHonourOrFlowerTile(TileId id, TileId jokerA, TileId jokerB, RuleOptions options);
TileIndex SubstituteIndex(TileIndex indexA, TileIndex indexB, RuleOptions options);
TileIndex SubstituteIndexOfTiles(TileId jokerA, TileId jokerB, RuleOptions options);
TileIndex MatchSubstituteIndex(TileIndex index, TileId jokerA, TileId jokerB, RuleOptions options);
int32_t IsSubstituteTile(TileId id, TileId jokerA, TileId jokerB, RuleOptions options);
int32_t IsEyesTile258(TileIndex index);

// The GBK name of a tile kind ("一万" ...), empty for an index without one.
const char* TileKindName(TileIndex index);

// Which of this game's honour-or-flower classifications the installed hooks
// make (with this game's honour hook), so that counting can answer without a
// call per kind.
enum class HonourHookSet { kFlowersOnly, kHonoursAndFlowers, kOther };

namespace detail {
// (Read inline: the hand tests ask on every call.)
extern HonourHookSet g_honourHooks;
// This game's kind of every tile id, and whether the installed suit and rank
// hooks are this game's own (then kinds are read off the table; the hand
// tests ask for kinds on every call).
extern const std::array<uint8_t, kTileIdCount> kKindOfId;
extern bool g_standardSuitRank;
// Whether the installed joker hook is this game's own on this game's kinds
// (so the suit and rank hooks are too).
extern bool g_standardJoker;
TileIndex TileKindByHooks(TileId id, RuleOptions options);
}  // namespace detail

inline HonourHookSet InstalledHonourHooks() {
    return detail::g_honourHooks;
}

inline TileIndex TileKindOrZero(TileId id, RuleOptions options) {
    if (detail::g_standardSuitRank) {
        return id >= 0 && id < kTileIdCount ? detail::kKindOfId[size_t(id)] : 0;
    }
    return detail::TileKindByHooks(id, options);
}

// Each hand test asks for its joker kinds: inline, as the kinds are read.
inline int32_t JokerIdsToIndices(TileId jokerA, TileId jokerB, RuleOptions options, TileIndex* outA,
                                 TileIndex* outB) {
    int32_t n = 0;
    if (jokerA >= 0) {
        *outA = TileKindOrZero(jokerA, options);
        ++n;
    }
    if (jokerB >= 0) {
        *outB = TileKindOrZero(jokerB, options);
        ++n;
    }
    return n;
}

// Hook calls used by the hand analysis (always with the caller's options).
inline int32_t HookHonourOrFlower(TileIndex i, TileId a, TileId b, RuleOptions o) {
    return CurrentTileHooks().honourOrFlower(i, a, b, o);
}
inline int32_t HookHonour(TileIndex i, TileId a, TileId b, RuleOptions o) {
    return CurrentTileHooks().honour(i, a, b, o);
}
inline int32_t HookJoker(TileIndex i, TileId a, TileId b, RuleOptions o) {
    return CurrentTileHooks().joker(i, a, b, o);
}

}  // namespace rules
