#pragma once
// The hand analysis: what a hand holds and whether it wins.
//
//   tile.h            tile ids, kinds and the tile hooks a game installs
//   random.h          random numbers and dice
//   hand_count.h      count arrays, the claims a hand allows (peng, gang, chi, flowers)
//   hu_result.h       HuResult: the melds and shapes of a winning hand
//   decompose.h       the meld decomposition with jokers (group_tables.h: its
//                     generated tables, written by group_table_gen.cpp)
//   hand_summary.h    a hand read once into masks; hand_probe.h its quick verdicts
//   hu.h              the winning-hand tests: shapes, jokers, the wait checkers
//                     (hu_waits.cpp over wait_checkers.h) under their fast road
//                     (wait_fast.cpp, where IsWinningHand enters)

#include "rules/hand/decompose.h"
#include "rules/hand/hand_count.h"
#include "rules/hand/hu.h"
#include "rules/hand/hu_result.h"
#include "rules/hand/random.h"
#include "rules/hand/tile.h"
