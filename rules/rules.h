#pragma once
// The mahjong rules engine: the tile model and tile hooks (tile.h), random
// numbers and dice (random.h), wall, level and int-list helpers
// (table_util.h), hand counting and claim tests (hand_count.h), the hu result
// (hu_result.h), the meld decomposition (decompose.h) and the winning-hand
// tests with their wait checkers (hu.h).

#include "rules/decompose.h"
#include "rules/hand_count.h"
#include "rules/hu.h"
#include "rules/hu_result.h"
#include "rules/random.h"
#include "rules/table_util.h"
#include "rules/tile.h"
