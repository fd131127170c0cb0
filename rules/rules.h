#pragma once
// The mahjong rules engine: the tile model and tile hooks (tile.h), random
// numbers and dice (random.h), wall, level and int-list helpers
// (table_util.h), hand counting and claim tests (hand_count.h), the hu result
// (hu_result.h), the meld decomposition (decompose.h) and the winning-hand
// tests with their wait checkers (hu.h); and the rules model of a table:
// CGameTable (game_table.h) under CTileGameTable (tile_table.h) under
// CMJGameTable (mj_table.h) under the game's CRuleTable (rule_table.h), built
// from a TableConfig (table_config.h) and filling the records of
// table_record.h.

#include "rules/decompose.h"
#include "rules/game_table.h"
#include "rules/hand_count.h"
#include "rules/hu.h"
#include "rules/hu_result.h"
#include "rules/mj_table.h"
#include "rules/random.h"
#include "rules/rule_table.h"
#include "rules/table_config.h"
#include "rules/table_record.h"
#include "rules/table_util.h"
#include "rules/tile.h"
#include "rules/tile_table.h"
