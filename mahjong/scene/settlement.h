#pragma once
// The settlement panel's texts: what the round result says of each chair,
// where on the 400 x 240 panel it stands and in which colour. Kept apart
// from the drawing so that the layout can be checked word by word.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace mahjong {

inline constexpr uint32_t kSettlementWhite = 0xffffff;
inline constexpr uint32_t kSettlementHighlight = 0x00a8ff;  // the own rows, the winner's line
inline constexpr int32_t kSettlementFans = 32;

struct SettlementSeat {
    bool seated = false;
    std::string name;
    int32_t points = 0;
    int32_t silver = 0;
    bool charged = false;  // "承包"
    bool robbed = false;   // "抢金"
    std::array<int32_t, kSettlementFans> fans{};
};

struct SettlementResult {
    bool drawn = false;   // no winner: "流局"
    int32_t winner = -1;  // chair
    int32_t discarder = -1;
    int32_t banker = -1;
    int32_t ownChair = -1;  // -1 for a looker: every row white
    std::array<SettlementSeat, 4> seats{};
    std::array<std::string, kSettlementFans> fanNames{};
};

struct SettlementText {
    int32_t x = 0, y = 0;
    uint32_t color = kSettlementWhite;  // 0x00BBGGRR
    std::string text;
    bool operator==(const SettlementText&) const = default;
};

std::vector<SettlementText> LayOutSettlement(const SettlementResult& result);

}  // namespace mahjong
