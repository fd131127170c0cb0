// The scene's buttons on the table: each enable of an operation button is
// its look at once, the operation bar shows while one of its buttons is
// clickable, the kong and chow buttons turn to their cancel frame in a
// choice, and the bars, the tool buttons, the start and the
// ask-to-see-cards buttons stand where the table's size puts them.
#include "engine/button_frame.h"
#include "engine/control_record.h"
#include "engine/image_entity.h"
#include "engine/world.h"
#include "mahjong/scene/asset_names.h"
#include "mahjong/scene/table_scene.h"

namespace mahjong {
namespace {

constexpr int32_t kOperationCell = 40;
constexpr int kWaitCursor = 32514, kArrowCursor = 32512;
// The tool buttons' row near the bottom left: music, skin, auto-play and
// screenshot, then sort.
constexpr int32_t kToolX[] = {22, 65, 108, 151, 194};
constexpr uint32_t kToolCodes[] = {kMsgMusicButton, kMsgSkinButton, kMsgAutoPlayButton,
                                   kMsgScreenshotButton, kMsgSortButton};
// The operation bar stands above the own name, at the own hand's right
// end, clear of the own shown tile in the hand's middle.
constexpr int32_t kOwnNameHeight = 50, kNameGap = 4, kBarInset = 20;

// The message code of operation button n (peng 1 ... pass 5).
uint32_t OperationCode(int32_t n) {
    static constexpr uint32_t kCodes[] = {
        0, kMsgPengButton, kMsgKongButton, kMsgChowButton, kMsgHuButton, kMsgPassButton};
    return n >= kPengButton && n <= kPassButton ? kCodes[n] : 0;
}

}  // namespace

void CMJTableScene::EnableOperationButton(int32_t n, int32_t enable) {
    CMJTableSceneBase::EnableOperationButton(n, enable);
    if (engine::ControlRecord* record = GetWorld().GetControl(ButtonControl(OperationCode(n))))
        SetControlLook(record, enable != 0);
    ShowOperationBar(AnyButtonEnabled());
}

void CMJTableScene::ShowButtonFrame(int32_t n, int32_t cancel) {
    CMJTableSceneBase::ShowButtonFrame(n, cancel);
    const engine::ControlRecord* record = GetWorld().GetControl(ButtonControl(OperationCode(n)));
    auto* e = record ? dynamic_cast<engine::ImageEntity*>(GetEntity(record->entityId)) : nullptr;
    if (!e || (n != kKongButton && n != kChowButton)) return;
    const int32_t cell = cancel             ? assets::kOpCancel
                         : n == kKongButton ? assets::kOpKong
                                            : assets::kOpChow;
    e->SetImage(e->GetImageId(), cell * kOperationCell, 0, kOperationCell, kOperationCell,
                e->GetBackColor());
}

void CMJTableScene::ShowOperationBar(bool show) {
    show = show && !IsLooker();
    if (engine::Entity* bar = operationBar_ ? operationBar_->BoundEntity() : nullptr)
        ShowEntity(bar, show);
    // Without its slot the chow button stays hidden.
    const bool chow = operationBar_ && operationBar_->ButtonCount() >= 5;
    for (int32_t n = kPengButton; n <= kPassButton; ++n)
        if (engine::ControlRecord* record = GetWorld().GetControl(ButtonControl(OperationCode(n))))
            ShowControl(record, show && (n != kChowButton || chow));
}

void CMJTableScene::ShowOperationButtons(int32_t show) {
    const bool on = show != 0 && !IsLooker();
    if (engine::Entity* strip = SystemBarEntity()) ShowEntity(strip, on);
    for (uint32_t code : kToolCodes)
        if (engine::ControlRecord* record = GetWorld().GetControl(ButtonControl(code)))
            ShowControl(record, on);
    ShowOperationBar(on && AnyButtonEnabled());
}

void CMJTableScene::PlaceOperationButtons() {
    if (!IsScreenReady()) return;
    const int32_t w = GetScreenSizeX(), h = GetScreenSizeY();
    const bool small = SmallScreen();
    auto place = [this](uint32_t code, int32_t x, int32_t y) {
        if (engine::ControlRecord* record = GetWorld().GetControl(ButtonControl(code)))
            MoveControl(record, x, y);
    };
    place(kMsgStartButton, w / 2, 6 * h / 7);
    // The tool row and the look-on button stand in the strip the table's
    // frame leaves below the own hand; where the hand reaches the bottom,
    // they stand above the own flowers instead of over the own tiles.
    RECT hand{}, flowers{};
    GetHandAreaRect(3, &hand);
    GetFlowerRect(3, &flowers);
    const bool strip = !small && hand.bottom <= h - 30;
    const int32_t toolY = strip ? h - 15 : flowers.top - 20;
    place(kMsgAskButton, 36, strip ? h - 13 : flowers.top - 18);
    for (size_t i = 0; i < std::size(kToolCodes); ++i)
        place(kToolCodes[i], kToolX[i], toolY);
    // The system bar's strip lies under the tool buttons.
    if (engine::Entity* strip = SystemBarEntity())
        MoveEntity(strip, (kToolX[0] + kToolX[std::size(kToolX) - 1]) / 2, toolY);
    if (!operationBar_) return;
    // Four buttons, or five with the chow when the round offers it; the
    // chow button stands last.
    const uint32_t count = GetTableLogic()->HasChowButton() ? 5 : 4;
    if (operationBar_->ButtonCount() != count) {
        // Out of the bar while it changes its size: its children take on
        // the change.
        for (uint32_t slot = 0; slot < operationBar_->ButtonCount(); ++slot)
            operationBar_->OffButton(slot);
        operationBar_->SetButtonCount(int32_t(count), nullptr, 0);
    }
    uint32_t slot = 0;
    for (uint32_t code :
         {kMsgPassButton, kMsgHuButton, kMsgKongButton, kMsgPengButton, kMsgChowButton}) {
        if (slot < count) operationBar_->OnButton(slot++, ButtonControl(code));
    }
    if (count < 5)
        if (engine::ControlRecord* chow = GetWorld().GetControl(ButtonControl(kMsgChowButton)))
            ShowControl(chow, false);
    engine::Entity* bar = operationBar_->BoundEntity();
    if (!bar || IsLooker()) return;
    const int32_t bw = operationBar_->GetWidth(), bh = operationBar_->GetHeight();
    MoveEntity(bar, hand.right - kBarInset - bw / 2, hand.top - kOwnNameHeight - kNameGap - bh / 2);
}

void CMJTableScene::ShowAskButton(bool show, bool lit) {
    if (engine::ControlRecord* record = GetWorld().GetControl(ButtonControl(kMsgAskButton))) {
        ShowControl(record, show);
        SetControlLook(record, lit);
    }
}

void CMJTableScene::ShowWaitCursor(bool on) {
    if (IsScreenReady()) SetSystemCursor(on ? kWaitCursor : kArrowCursor);
}

void CMJTableScene::ShowStartButton(int32_t show) {
    if (engine::ControlRecord* record = GetWorld().GetControl(ButtonControl(kMsgStartButton)))
        ShowControl(record, show != 0);
}

}  // namespace mahjong
