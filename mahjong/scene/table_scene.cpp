#include "mahjong/scene/table_scene.h"

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
    // What the rule table's construction leaves behind: its tile hooks,
    // installed process-wide for every later tile test.
    rules::InstallTileHooks(rules::TableTileHooks());
}

void CTableScene::DrawShownTile(int32_t seat) {
    CMJTableScene::DrawShownTile(seat);
    if (!IsSeat(seat)) return;
    // The marker stays hidden on screens up to 1200 pixels wide.
    const bool shown = IsShownTilePending(seat) && !SmallScreen() && Sizes().Large();
    effects_.Add({Effect::kShownMarker, seat, shown ? 1 : 0});
}

void CTableScene::OnFlowersHeld() {
    effects_.Add({Effect::kStartTimer, kTimerFlowerCheck, 500});
}

}  // namespace mahjong
