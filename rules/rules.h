#pragma once
// The mahjong rules, in two libraries, table above hand:
//   hand/    the hand analysis: tiles, counting, claims, winning hands with jokers
//   table/   the rules model of a table: deal, draws, claims, kongs, scores

#include "rules/hand/hand.h"
#include "rules/table/table.h"
