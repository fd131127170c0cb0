#pragma once
// Pieces the hu tests share between their files.

#include "rules/hand_summary.h"
#include "rules/hu.h"

namespace rules::detail {

// CheckHuShapes with the decomposition told whether the pair is already taken
// (the rest of a hand whose winning tile made the pair).
int32_t CheckShapes(const TileCountArray& counts, int32_t nA, int32_t nB, TileId jokerA,
                    TileId jokerB, TileIndex winKind, RuleOptions options, uint32_t allowed,
                    HuResult& result, uint32_t mode, int32_t pairTaken);
// The same for counts of a valid hand that SummariseHand read into `hand`.
int32_t CheckShapesOf(const TileCountArray& counts, const HandSummary& hand, int32_t nA, int32_t nB,
                      TileId jokerA, TileId jokerB, TileIndex winKind, RuleOptions options,
                      uint32_t allowed, HuResult& result, uint32_t mode, int32_t pairTaken);

}  // namespace rules::detail
