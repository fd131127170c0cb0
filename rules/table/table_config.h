#pragma once
// What a rule table is built from: its construction values (the defaults are
// the mahjong client's), the world it reads (random numbers and the clock),
// the seated player objects it owns, and the parameters of a game's start.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "rules/hand/random.h"
#include "rules/hand/tile.h"

namespace rules {

struct TableConfig {
    // The table rules base.
    int32_t tableId = -1;
    int32_t stakeStep = -1;
    int32_t levelUnit = 1;
    int32_t seatCount = 4;
    RuleOptions options = 0x80022011;
    int32_t sixthValue = 0;
    int32_t requestLimit = 3;
    // The tile table.
    int32_t tileCount = 144;
    int32_t copiesPerKind = 4;
    int32_t tileConfig3 = 32;
    int32_t reserveCount = 0;
    int32_t kindCountA = 49;
    int32_t suitStride = 10;
    int32_t kindCountB = 49;
    std::optional<std::array<int32_t, 16>> ruleWords;
    int32_t turnTime = 20;
    int32_t tileConfig17 = 0x7fffffff;
    int32_t tileConfig18 = 2;
    int32_t topBid = 400;
    int32_t bottomBid = 0;
    int32_t defaultBid = 100;
    // The mahjong table.
    int32_t operationSeconds = 10;
    int32_t secondRuleValue = 100;
    uint32_t allowed = 22;
    uint32_t waitOptions = 0;
    TileHooks hooks = TableTileHooks();
};

// Random numbers and the tick count in milliseconds. Empty members mean a
// generator seeded from the system and the process clock.
struct TableEnvironment {
    RandomSource random;
    std::function<uint32_t()> tickCount;
};

// A seated player or looker-on; the table owns it.
struct TablePlayer {
    virtual ~TablePlayer() = default;
    int32_t userId = 0;
    int32_t looker = 0;
    int32_t score = 0;
    int32_t silver = 0;
    int32_t level = 0;
    int32_t playSeconds = 0;
    int32_t extraWord = 0;
};

// The start parameters, named by the argument of StartGame that fills them.
struct StartParams {
    int32_t stakeFactor = 0;       // p2
    int32_t minSilver = 0;         // p3
    int32_t feeUnit = 0;           // p4
    int32_t leaveCap = 0;          // p5
    int32_t leavePercent = 0;      // p6
    int32_t threshold = 0;         // p7
    int32_t settlementMode = 0;    // p8: 1 or 6; 0 or 1 let the stake cap apply
    int32_t perSeatMinimum = 0;    // p9
    int32_t stakeCap = 0;          // p10
    int32_t elapsedLimit = 0;      // p11: seconds, 60000 when below 1
    int32_t baseValue = 0;         // p12: positive is taken as given
    int32_t minScore = INT32_MIN;  // p13
    int32_t maxScore = INT32_MAX;  // p14
};

// StartGame's refusals; the seat concerned goes to the out seat.
inline constexpr int32_t kStartSilverTooLow = -10001;
inline constexpr int32_t kStartSeatEmpty = -10010;
inline constexpr int32_t kStartScoreTooLow = -10100;
inline constexpr int32_t kStartScoreTooHigh = -10200;

}  // namespace rules
