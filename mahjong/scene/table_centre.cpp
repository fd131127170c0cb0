// Inside the wall ring: the clock, the banker and stake box, and the dice.
#include "mahjong/scene/table_scene_base.h"

namespace mahjong {

void CMJTableSceneBase::GetTableCentreBox(RECT* rect) const {
    RECT c, clock;
    GetTableCentreRect(&c);
    GetClockRect(&clock);
    *rect = {clock.right + (clock.left - c.left), c.top, c.right, c.bottom};
}

void CMJTableSceneBase::GetDiceRect(RECT* rect) const {
    RECT c;
    GetTableCentreRect(&c);
    const int32_t left = c.left + GetCentreWidth() / 2 - 106;
    const int32_t top = c.top + GetCentreHeight() / 2 - 49;
    *rect = {left, top, left + 212, top + 99};
}

void CMJTableSceneBase::DrawMoney() {
    const CMJTableLogic* t = GetTableLogic();
    const int32_t banker = ChairToViewSeat(t->GetBankerChair());
    AddSeatIcon(banker, 1);
    const bool points = t->GetMoneyMode() == 0;
    ShowMoney(points ? t->GetPointsValue() : t->GetSilverValue(), points);
}

bool CMJTableSceneBase::ThrowDice() {
    int32_t dice[2];
    GetTableLogic()->GetDice(dice);
    // Each value picks one of six frame tables.
    if (dice[0] < 1 || dice[0] > 6 || dice[1] < 1 || dice[1] > 6) {
        LogLine("骰子数据错误: %d,%d", dice[0], dice[1]);
        return false;
    }
    RollDice(dice[0], dice[1]);
    return true;
}

}  // namespace mahjong
