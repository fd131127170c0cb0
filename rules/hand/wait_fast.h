#pragma once
// The combined test's fast road (wait_fast.cpp).

#include <cstdint>

#include "rules/hand/hand_count.h"
#include "rules/hand/hu_result.h"

namespace rules::detail {

// What FastCombinedTest returns for a call it does not take.
inline constexpr int32_t kFastDeclined = -1;

// IsWinningHand for this game's hooks (or the defaults) with jokers as
// wildcards only, no honour chows and no shape restriction in mode: 8 or 0;
// kFastDeclined for a call not of that kind, which the caller hands on to
// the general road (hu_waits.cpp).
int32_t FastCombinedTest(const TileCountArray& counts, TileId tile, TileId jokerA, TileId jokerB,
                         RuleOptions options, uint32_t allowed, HuResult& result, uint32_t mode,
                         int32_t extra);

}  // namespace rules::detail
