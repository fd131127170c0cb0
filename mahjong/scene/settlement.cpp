#include "mahjong/scene/settlement.h"

namespace mahjong {

namespace {

// A text's width in the panel's units: its length in bytes, one per narrow
// and two per wide character of the system's code page.
int32_t Length(const std::string& gbk) {
    return int32_t(gbk.size());
}

}  // namespace

std::vector<SettlementText> LayOutSettlement(const SettlementResult& r) {
    std::vector<SettlementText> out;
    const bool hasWinner = r.winner >= 0 && r.winner < 4;
    const SettlementSeat* winner = hasWinner ? &r.seats[size_t(r.winner)] : nullptr;
    for (int32_t chair = 0; chair < 4; ++chair) {
        const SettlementSeat& s = r.seats[size_t(chair)];
        if (!s.seated) continue;
        const int32_t y = 130 + 19 * chair;
        const uint32_t rowColor = chair == r.ownChair ? kSettlementHighlight : kSettlementWhite;
        out.push_back({18, y, rowColor, chair == r.banker ? s.name + "(庄)" : s.name});
        std::string word;
        if (s.silver < 1) {
            if (hasWinner && !r.drawn && chair == r.discarder && !winner->robbed) word = "放冲";
        } else {
            word = s.robbed ? "抢金" : r.discarder < 0 ? "自摸" : "胡";
        }
        if (!word.empty()) out.push_back({160, y, kSettlementWhite, word});
        if (s.charged) out.push_back({200, y, kSettlementWhite, "承包"});
        const std::string points = std::to_string(s.points) + "积分";
        out.push_back({(90 - Length(points)) * 3, y, kSettlementWhite, points});
        const std::string silver = std::to_string(s.silver) + "银两";
        out.push_back({(115 - Length(silver)) * 3, y, kSettlementWhite, silver});
    }
    if (r.drawn) {
        out.push_back({18, 63, kSettlementWhite, "流局"});
        return out;
    }
    if (!hasWinner) return out;
    out.push_back({18, 63, kSettlementHighlight,
                   winner->name + " 赢" + std::to_string(winner->points) + "分，" +
                       std::to_string(winner->silver) + "两"});
    // The fans the winner counted, as one line centred at x 300.
    std::vector<std::string> items;
    for (int32_t i = 0; i < kSettlementFans; ++i) {
        const int32_t count = winner->fans[size_t(i)];
        if (count == 0) continue;
        const std::string& name = r.fanNames[size_t(i)];
        items.push_back(i == 0 ? std::to_string(count) + name : name);
    }
    int32_t width = 0;
    for (const std::string& item : items)
        width += (Length(item) * 3 + 3) * 2;
    int32_t x = 300 - width / 2;
    for (const std::string& item : items) {
        out.push_back({x, 72, kSettlementWhite, item});
        x += (Length(item) * 3 + 3) * 2;
    }
    return out;
}

}  // namespace mahjong
