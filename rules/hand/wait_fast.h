#pragma once
// The combined test's fast road (wait_fast.cpp), where IsWinningHand
// enters: it hands the calls it declines down to the general road.

#include <cstdint>

#include "rules/hand/hand_count.h"
#include "rules/hand/hu_result.h"

namespace rules::detail {

// IsWinningHand for this game's hooks (or the defaults) with jokers as
// wildcards only, no honour chows and no shape restriction in mode; a call
// not of that kind goes on to WinningHandGeneral.
int32_t FastCombinedTest(const TileCountArray& counts, TileId tile, TileId jokerA, TileId jokerB,
                         RuleOptions options, uint32_t allowed, HuResult& result, uint32_t mode,
                         int32_t extra);
}  // namespace rules::detail
