#pragma once
// The level titles of the stand-in server and hall: one per level of the
// rules' level table, so that a title always names the level of a score.
// The server's rules write them into every round result; the hall gives
// each player the title of his score.

#include <cstdint>
#include <string>

#include "rules/table/table_util.h"

namespace gameserver {

// The title of a level; empty outside the level table.
std::string LevelTitle(int32_t level);
// Level -> title, as the rules look titles up.
rules::TextRecordMap LevelTitleMap();
// The title of the level that a score reaches (level unit 1).
std::string LevelTitleOfScore(int32_t score);

}  // namespace gameserver
