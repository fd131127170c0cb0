#include "mahjong/scene/table_scene.h"

#include "client/game_app.h"
#include "rules/table/rule_table.h"
#include "rules/hand/tile.h"

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
    PlaceOperationButtons();
    HideTileEntities();
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

CTableScene::CTableScene(const CMJTableLogic* logic) : CMJTableScene(logic) {
    // A rule table of this game, made and dropped at once: what outlives it
    // are its tile hooks, installed process-wide for every later tile test.
    rules::CRuleTable::Create();
}

int32_t CTableScene::NextTailPos(int32_t start, int32_t skip, int32_t* counter) const {
    int32_t skipped = 0;
    return rules::CRuleTable::NextTailDrawPos(start, skip, WallTiles(), counter, &skipped);
}

void CTableScene::ShowJokerTile() {
    const int32_t code = GetTableLogic()->GetJokerA();
    if (code >= 0 && code < 144) ShowJokerPlaque(code);
}

void CTableScene::DrawMoney() {
    const CMJTableLogic* t = GetTableLogic();
    const int32_t banker = ChairToViewSeat(t->GetBankerChair());
    AddSeatIcon(banker, 1);
    // This game shows only a stake in silver.
    if (t->GetMoneyMode() != 0) ShowMoney(t->GetSilverValue(), false);
}

void CTableScene::FillJokerWords() {
    // The round's jokers as tile kinds, 0 for none.
    const CMJTableLogic* t = GetTableLogic();
    jokerWords_ = {rules::TileKindOrZero(t->GetJokerA(), RuleFlags()),
                   rules::TileKindOrZero(t->GetJokerB(), RuleFlags())};
}

void CTableScene::OnTimer(uint32_t id) {
    if (id != kTimerFlowerCheck) {
        CMJTableScene::OnTimer(id);
        return;
    }
    // The first flower still standing in the own hand is replaced; with none
    // left the timer stops (a failed replacement stops it too).
    for (int32_t i = 0; i < HandTiles(); ++i) {
        const MJStruct& r = *GetMJStruct(kAreaHand, 3, i);
        if (!r.standing || !r.present || !IsHonourOrFlowerTile(r.nFace)) continue;
        ReplaceFlower(i);
        return;
    }
    StopSceneTimer(kTimerFlowerCheck);
}

void CTableScene::AutoPlayStep() {
    // The scene's commands, as auto-play clicks them.
    class Moves final : public AutoPlayMoves {
      public:
        explicit Moves(CTableScene& s) : s_(s) {}
        bool IsOffered(int32_t button) const override { return s_.IsButtonEnabled(button); }
        void OnHu() override { s_.OnHu(); }
        void OnKong() override { s_.OnKong(); }
        void OnPeng() override { s_.OnPeng(); }
        void OnPass() override { s_.OnPass(); }
        int32_t DoConcealedKong(int32_t tile) override { return s_.DoConcealedKong(tile); }
        int32_t DoAddedKong(int32_t tile) override { return s_.DoAddedKong(tile); }
        int32_t ReplaceFlower(int32_t position) override { return s_.ReplaceFlower(position); }
        int32_t DiscardTile(int32_t position) override { return s_.DiscardTile(position); }

      private:
        CTableScene& s_;
    } moves(*this);
    autoPlayer_.AutoPlayStep(*this, moves);
}

void CTableScene::OnTimersStarted() {
    if (const client::CGameApp* app = client::CGameApp::Current())
        autoPlayer_.LoadAIWeights(app->GetIniPath());
    CMJTableScene::OnTimersStarted();
}

void CTableScene::OnFlowersHeld() {
    StartSceneTimer(kTimerFlowerCheck, 500);
}

}  // namespace mahjong
