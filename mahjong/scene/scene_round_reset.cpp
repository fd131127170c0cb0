// The table as it changes on the engine: rivers, flower areas, shown tiles
// and the wall drawn from their records at once; and between two rounds the
// settlement panel's close button and drag, the table's idle look once the
// panel closes, and the start button that leads to the next round.
#include "client/game_app.h"
#include "engine/control_record.h"
#include "pictures/image_record.h"
#include "engine/resources/resource_manager.h"
#include "engine/world.h"
#include "mahjong/app/client_app.h"
#include "mahjong/scene/table_scene.h"

namespace mahjong {
namespace {

constexpr uint32_t kMsgSettlementClose = 210062;
constexpr uint32_t kMsgSettlementDrag = 210063;
// The close button stands this far right of the panel's centre, near its
// foot (the panel is 240 pixels high).
constexpr int32_t kCloseOffsetX = 105, kCloseOffsetY = 95;
constexpr int32_t kCloseWidth = 72, kCloseHeight = 28;
constexpr uint32_t kMagentaKey = 0xff00ff;
const char* const kClosePicture = "确定按钮";

}  // namespace

void CMJTableScene::BindArea(int32_t area, int32_t seat, int32_t records) {
    if (!PlaysEffects()) return;
    ValidateEntityBindings();
    for (int32_t i = 0; i < records; ++i)
        BindRecord(area, seat, i);
}

void CMJTableScene::RefreshRiver(int32_t seat) {
    CMJTableSceneBase::RefreshRiver(seat);
    if (IsSeat(seat)) BindArea(kAreaRiver, seat, kStripRecords);
}

void CMJTableScene::RefreshFlowers(int32_t seat) {
    CMJTableSceneBase::RefreshFlowers(seat);
    if (IsSeat(seat)) BindArea(kAreaFlower, seat, kStripRecords);
}

void CMJTableScene::DrawShownTile(int32_t seat) {
    CMJTableSceneBase::DrawShownTile(seat);
    if (IsSeat(seat)) BindArea(kAreaShown, seat, 1);
}

void CMJTableScene::DrawWallArea() {
    CMJTableSceneBase::DrawWallArea();
    BindArea(kAreaWall, 0, kWallRecords);
}

void CMJTableScene::ResetTableDisplay() {
    client::CGameApp* app = client::CGameApp::Current();
    if (!app || !app->MainWindow() || app->GetTableClockTimer() != 0 || InRound() != 0) return;
    ClearTable();
    HideTileEntities();
    if (CClientApp* mj = CClientApp::Current()) {
        mj->GetSeatPanel()->SetAllStarted(0);
        mj->GetSeatPanel()->SetAllBanker(0);
    }
    HideCentre();
    RefreshEntities(100);
    if (IsLooker()) return;
    ResetOperationState();
    ShowOperationButtons(0);
    ShowStartButton(1);
    // Auto-play goes on into the next round.
    if (autoPlayShown_) OnStart();
}

void CTableScene::ResetTableDisplay() {
    HideSettlement();
    CMJTableScene::ResetTableDisplay();
}

void CTableScene::HideSettlement() {
    if (engine::Entity* panel = GetEntity(settlementEntity_)) ShowEntity(panel, false);
    if (const engine::ControlRecord* close = GetWorld().GetControl(settlementClose_))
        if (engine::Entity* e = GetEntity(close->entityId)) ShowEntity(e, false);
}

void CTableScene::AttachSettlementControls(engine::Entity& panel) {
    const int32_t x = panel.GetX() + kCloseOffsetX, y = panel.GetY() + kCloseOffsetY;
    if (settlementClose_ == 0) {
        // The panel follows a drag on it; the button closes it.
        if (engine::ControlRecord* drag = NewControl()) {
            SetControlEvent(drag, engine::kEvLeftDrag, int32_t(kMsgSettlementDrag), 0);
            BindControl(drag, &panel, 0);
        }
        // A scene whose game data was never made has not loaded it yet.
        if (Resources().GetImageIdByName(kClosePicture) == 0) SetupEngineControls();
        const uint32_t picture = Resources().GetImageIdByName(kClosePicture);
        const engine::ImageRecord* image = picture ? GetImageRes(picture) : nullptr;
        const ButtonBox box{picture, 0, 0, image ? image->width : kCloseWidth,
                            image ? image->height : kCloseHeight};
        const engine::ControlRecord* close =
            CreateImageButton(x, y, box, kMsgSettlementClose, kMagentaKey);
        if (!close) return;
        settlementClose_ = close->id;
    }
    const engine::ControlRecord* close = GetWorld().GetControl(settlementClose_);
    engine::Entity* button = close ? GetEntity(close->entityId) : nullptr;
    if (!button) return;
    MoveEntity(button, x, y);
    button->SetDepth(panel.GetDepth() + 1);
    ShowEntity(button, true);
}

int CTableScene::OnOtherMessage(uint32_t code, platform::Payload& payload) {
    if (code == kMsgSettlementClose) {
        ResetTableDisplay();
        return 1;
    }
    if (code != kMsgSettlementDrag) return CMJTableScene::OnOtherMessage(code, payload);
    const auto* mouse = payload.Get<engine::MouseState>();
    engine::Entity* panel = GetEntity(settlementEntity_);
    if (!mouse || !panel || !panel->IsVisible() || mouse->hoveredControl == settlementClose_)
        return 1;
    const engine::ControlRecord* close = GetWorld().GetControl(settlementClose_);
    for (engine::Entity* e : {panel, close ? GetEntity(close->entityId) : nullptr})
        if (e) MoveEntityBy(e, mouse->dx, mouse->dy);
    return 1;
}

}  // namespace mahjong
