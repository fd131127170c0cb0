#include "tools/gameserver/level_titles.h"

#include <array>

namespace gameserver {
namespace {

// GBK, at most 15 bytes: the result record holds 16 with the terminator.
constexpr std::array<const char*, rules::kLevelCount> kTitles = {
    "新手", "见习", "初级", "中级", "高级", "雀士", "雀师", "雀豪", "雀杰", "雀侠",
    "雀王", "雀圣", "雀神", "一段", "二段", "三段", "四段", "五段", "六段", "七段"};

}  // namespace

std::string LevelTitle(int32_t level) {
    return level >= 0 && size_t(level) < kTitles.size() ? kTitles[size_t(level)] : "";
}

rules::TextRecordMap LevelTitleMap() {
    rules::TextRecordMap map;
    for (size_t level = 0; level < kTitles.size(); ++level)
        map.Set(int32_t(level), kTitles[level]);
    return map;
}

std::string LevelTitleOfScore(int32_t score) {
    return LevelTitle(rules::LevelOfValue(score, 1));
}

}  // namespace gameserver
