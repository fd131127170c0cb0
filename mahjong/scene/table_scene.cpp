#include "mahjong/scene/table_scene.h"

#include "rules/rule_table.h"
#include "rules/tile.h"

namespace mahjong {

CMJTableScene::CMJTableScene(const CMJTableLogic* logic) : CMJTableSceneBase(logic) {
    paneKind_ = 2;
}

int32_t CMJTableScene::GetHandAreaLength(int32_t seat) const {
    return seat == 3 ? Sizes().ownWidth * HandTiles() + 12 : 26 * (HandTiles() + 2) + 10;
}

int32_t CMJTableScene::GetHandAreaDepth(int32_t seat) const {
    return seat == 3 ? Sizes().ownHeight + 10 : 49;
}

void CMJTableScene::OnResize() {
    if (GetScreenSizeX() > 0 && GetScreenSizeY() > 0)
        SetPaneSize(GetScreenSizeX(), GetScreenSizeY());
    effects_.Add({Effect::kHideTiles});
    RefreshEntities(100);
}

void CMJTableScene::NumberHandRecords() {
    static constexpr int32_t kBase[4] = {2400, 2400, 2400, 2800};
    static constexpr int32_t kStep[4] = {-1, 1, 1, -1};
    for (int32_t seat = 0; seat < 4; ++seat) {
        for (int32_t i = 0; i < HandPositions(); ++i) {
            Hand(seat, i).seat = seat;
            Hand(seat, i).drawOrder = kBase[seat] + kStep[seat] * i;
        }
    }
}

void CMJTableScene::RevealSeat(int32_t seat, int32_t order) {
    effects_.Add({Effect::kDelayedMessage, 500 * order, kMsgRevealSeat, seat});
}

void CMJTableScene::RevealDone() {
    effects_.Add({Effect::kDelayedMessage, 500 * PlayerCount(), kMsgRevealDone, -1});
}

CTableScene::CTableScene(const CMJTableLogic* logic) : CMJTableScene(logic) {
    // A rule table of this game, made and dropped at once: what outlives it
    // are its tile hooks, installed process-wide for every later tile test.
    rules::CRuleTable::Create();
}

int32_t CTableScene::NextTailPos(int32_t start, int32_t skip, int32_t* counter) const {
    int32_t skipped = 0;
    return rules::CRuleTable::NextTailDrawPos(start, skip, WallTiles(), counter, &skipped);
}

void CTableScene::DrawShownTile(int32_t seat) {
    CMJTableScene::DrawShownTile(seat);
    if (!IsSeat(seat)) return;
    // The marker stays hidden on screens up to 1200 pixels wide.
    const bool shown = IsShownTilePending(seat) && !SmallScreen() && Sizes().Large();
    effects_.Add({Effect::kShownMarker, seat, shown ? 1 : 0});
}

void CTableScene::ShowJokerTile() {
    const int32_t code = GetTableLogic()->GetJokerA();
    if (code >= 0 && code < 144) effects_.Add({Effect::kJokerTile, code});
}

void CTableScene::DrawMoney() {
    const CMJTableLogic* t = GetTableLogic();
    const int32_t banker = ChairToViewSeat(t->GetBankerChair());
    if (IsSeat(banker)) effects_.Add({Effect::kSeatIcon, banker, 1});
    // This game shows only a stake in silver.
    if (t->GetMoneyMode() != 0) effects_.Add({Effect::kMoney, t->GetSilverValue()});
}

void CTableScene::FillJokerWords() {
    // The round's jokers as tile kinds, 0 for none.
    const CMJTableLogic* t = GetTableLogic();
    jokerWords_ = {rules::TileKindOrZero(t->GetJokerA(), RuleFlags()),
                   rules::TileKindOrZero(t->GetJokerB(), RuleFlags())};
}

void CTableScene::OnFlowersHeld() {
    effects_.Add({Effect::kStartTimer, kTimerFlowerCheck, 500});
}

}  // namespace mahjong
