#pragma once
// The rules model of a table, above the hand analysis (rules/hand).
//
//   table_config.h    TableConfig: what a table is built from
//   game_table.h      CGameTable: seats, turns, timers and requests of any table
//   tile_table.h      CTileGameTable: the wall, hands and discards
//   mj_table.h        CMJGameTable: jokers, claims and their priority, kongs, hu and scores
//   rule_table.h      CRuleTable: this game's rules (its hu, requests)
//   table_record.h    the records a table fills for the clients
//   table_util.h      wall positions, elapsed time, levels and int-list helpers

#include "rules/table/game_table.h"
#include "rules/table/mj_table.h"
#include "rules/table/rule_table.h"
#include "rules/table/table_config.h"
#include "rules/table/table_record.h"
#include "rules/table/table_util.h"
#include "rules/table/tile_table.h"
