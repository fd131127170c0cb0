// This game's own engine controls beside the buttons: a ready icon and a
// frame per seat, the joker plaque with the turned-up joker's face, the text
// line, the hu stamp and the stake line. Made once, hidden, and shown as
// the scene goes; the engine has five layers, so the orders the
// controls are given (10, 2999, 5010) are their depths on the table layer.
#include <algorithm>
#include <string>

#include "client/game_app.h"
#include "engine/apply.h"
#include "engine/control_record.h"
#include "engine/draw_payloads.h"
#include "engine/image_entity.h"
#include "engine/mouse_controller.h"
#include "pictures/image_record.h"
#include "engine/resources/resource_manager.h"
#include "engine/text_entity.h"
#include "engine/world.h"
#include "mahjong/scene/asset_names.h"
#include "mahjong/scene/table_scene.h"
#include "mahjong/scene/tile_identity.h"

namespace mahjong {
namespace {

constexpr int kTableLayer = 2;
constexpr int32_t kOffTable = -100, kTextLineAway = -100000;
constexpr uint32_t kMagentaKey = 0xff00ff;
constexpr uint32_t kMsgTextLineDrag = 210063;
constexpr int32_t kLabelDepth = 10, kSeatFrameDepth = 2999, kSignDepth = 5010;
constexpr int32_t kHuStampDepth = 5002, kJokerDepth = 5000;
// Above the tiles: a seat's shown tile may lie where its ready icon stands.
constexpr int32_t kReadyDepth = 4000;
constexpr int32_t kHuStampSize = 48;
constexpr int32_t kDigitWidth = 14, kUnitWidth = 25, kFlowerWidth = 45, kLabelHeight = 20;
// The stake line: the digits stand 12 apart, the unit 8 past the place after the last.
constexpr int32_t kDigitStep = 12, kUnitGap = 8;
constexpr int32_t kJokerFaceWidth = 42, kJokerFaceHeight = 60;
constexpr uint32_t kSignStepMs = 100;
// The sign's opacity at each step of its pulse.
constexpr double kSignPulse[] = {1.0, 0.9, 0.8, 0.7, 0.6, 0.7, 0.8, 0.9};

}  // namespace

// The view makes its game data before it loads the settings' pictures, so
// an entity made before its picture takes it when it shows.
void CMJTableScene::TakePicture(engine::Entity* entity, const char* title) {
    auto* image = dynamic_cast<engine::ImageEntity*>(entity);
    const uint32_t id = Resources().GetImageIdByName(title);
    const auto* cell =
        image ? dynamic_cast<const engine::ImagePayload*>(image->GetPayload()) : nullptr;
    if (cell && id && cell->imageId != id)
        image->SetImage(id, cell->srcX, cell->srcY, cell->srcW, cell->srcH, cell->backColor);
}

bool CMJTableScene::DrawPicture(engine::TextEntity& surface, const char* title) {
    const uint32_t id = Resources().GetImageIdByName(title);
    const engine::ImageRecord* picture = id ? GetImageRes(id) : nullptr;
    if (!picture) return false;
    const int32_t w = picture->width, h = picture->height;
    surface.ResizeSurface(w, h);
    surface.SetSize(w, h);
    surface.Clear();
    surface.DrawImage(0, 0, {id, 0, 0, w, h}, w, h, 0.0, 1.0, engine::kNoBlendColor);
    return true;
}

void CMJTableScene::CreateEngineControls() {
    EngineControls& c = engineControls_;
    if (c.made) return;
    c.made = true;
    auto image = [this](const char* title, int32_t x, int32_t y, int32_t w, int32_t h,
                        int32_t depth) -> uint32_t {
        engine::ImageEntity* e =
            CreateImageEntity(kTableLayer, x, y, Resources().GetImageIdByName(title), 0, 0, w, h,
                              engine::kNoBlendColor);
        if (!e) return 0;
        e->SetDepth(depth);
        e->Hide();
        return e->GetId();
    };
    // One per chair, placed beside the chair's seat when it shows.
    for (uint32_t& icon : c.readyIcons)
        icon = image("准备图标", kOffTable, kOffTable, 64, 32, kReadyDepth);
    // The plaque stands in the top left corner; a small screen keeps it
    // nearer the table.
    const bool small = SmallScreen();
    c.jokerPlaque = image("王霸", small ? 145 : 57, small ? 96 : 39, 102, 72, kJokerDepth);
    c.jokerFace = image("王霸", small ? 165 : 74, small ? 96 : 39, 44, 60, kJokerDepth + 1);
    if (engine::TextEntity* line = CreateTextEntity(kTableLayer, kTextLineAway, kTextLineAway, 400,
                                                    kLabelHeight, kMagentaKey)) {
        line->SetDepth(kLabelDepth);
        line->Hide();
        c.textLine = line->GetId();
        if (engine::ControlRecord* drag = NewControl()) {
            SetControlEvent(drag, engine::kEvLeftDrag, int32_t(kMsgTextLineDrag), 0);
            BindControl(drag, line, 0);
        }
    }
    c.huStamp = image("胡图章", kOffTable, kOffTable, 68, 68, kHuStampDepth);
    if (engine::Entity* stamp = GetEntity(c.huStamp)) stamp->SetSize(kHuStampSize, kHuStampSize);
    c.flowerCount = image("2花", kOffTable, kOffTable, kFlowerWidth, kLabelHeight, kLabelDepth);
    c.stakeUnit = image("两", kOffTable, kOffTable, kUnitWidth, kLabelHeight, kLabelDepth);
    for (uint32_t& digit : c.stakeDigits)
        digit = image("数字1", kOffTable, kOffTable, kDigitWidth, kLabelHeight, kLabelDepth);
    for (uint32_t& frame : c.seatFrames)
        frame = image("底框", kOffTable, kOffTable, 95, 115, kSeatFrameDepth);
}

void CMJTableScene::ShowSettlementItem(int32_t chair) {
    // A chair that started shows its ready icon beside its seat.
    const int32_t seat = chair >= 0 && chair < 4 ? ChairToViewSeat(chair) : -1;
    engine::Entity* icon =
        IsSeat(seat) ? GetEntity(engineControls_.readyIcons[size_t(chair)]) : nullptr;
    if (!icon) return;
    const platform::POINT at = GetMarkerPos(seat);
    MoveEntity(icon, at.x, at.y);
    ShowEntity(icon, true);
}

void CMJTableScene::HideReadyIcons() {
    for (uint32_t id : engineControls_.readyIcons)
        HideEntity(id);
    for (uint32_t id : engineControls_.seatFrames)
        HideEntity(id);
}

// At a round's start and when the table goes idle after one.
void CMJTableScene::HideCentre() {
    const EngineControls& c = engineControls_;
    for (uint32_t id : {c.huStamp, c.jokerPlaque, c.jokerFace, c.flowerCount, c.stakeUnit})
        HideEntity(id);
    for (uint32_t id : c.stakeDigits)
        HideEntity(id);
}

void CMJTableScene::HideEntity(uint32_t id) {
    if (engine::Entity* entity = GetEntity(id)) ShowEntity(entity, false);
}

void CMJTableScene::ShowMoney(int32_t value, bool points) {
    ShowStake(value, !points);
}

void CMJTableScene::ShowJokerPlaque(int32_t code) {
    EngineControls& c = engineControls_;
    auto* face = dynamic_cast<engine::ImageEntity*>(GetEntity(c.jokerFace));
    const int32_t cell = TileImageIndex(code);
    if (!face || cell < 0) return;
    face->SetImage(Resources().GetImageIdByName("正面"), cell * kJokerFaceWidth, 0, kJokerFaceWidth,
                   kJokerFaceHeight, engine::kNoBlendColor);
    face->SetSize(kJokerFaceWidth, kJokerFaceHeight);
    if (engine::Entity* plaque = GetEntity(c.jokerPlaque)) {
        TakePicture(plaque, "王霸");
        ShowEntity(plaque, true);
    }
    ShowEntity(face, true);
}

void CMJTableScene::ShowHuStamp(int32_t seat) {
    engine::Entity* stamp = IsSeat(seat) ? GetEntity(engineControls_.huStamp) : nullptr;
    if (!stamp) return;
    const platform::POINT at = GetMarkerPos(seat);
    MoveEntity(stamp, at.x, at.y);
    ShowEntity(stamp, true);
}

void CMJTableScene::ShowStake(int32_t value, bool silver) {
    EngineControls& c = engineControls_;
    // In the info box beside the clock: the "2花" label, the digits from
    // the most significant one, then "两"; in points the digits alone.
    const std::string digits = std::to_string(std::max(value, 0));
    const int32_t used = std::min<int32_t>(int32_t(digits.size()), int32_t(c.stakeDigits.size()));
    RECT box{};
    GetTableCentreBox(&box);
    const int32_t y = (box.top + box.bottom) / 2 + 2;
    auto place = [&](uint32_t id, int32_t x, bool show) {
        engine::Entity* entity = GetEntity(id);
        if (!entity) return;
        if (show) MoveEntity(entity, x, y);
        ShowEntity(entity, show);
    };
    place(c.flowerCount, box.left + 14, silver);
    int32_t x = box.left + 44;
    for (int32_t i = 0; i < int32_t(c.stakeDigits.size()); ++i) {
        const bool shown = i < used;
        if (shown) {
            if (auto* d = dynamic_cast<engine::ImageEntity*>(GetEntity(c.stakeDigits[size_t(i)])))
                d->SetImage(d->GetImageId(), (digits[size_t(i)] - '0') * kDigitWidth, 0,
                            kDigitWidth, kLabelHeight, engine::kNoBlendColor);
        }
        place(c.stakeDigits[size_t(i)], x, shown);
        if (shown) x += kDigitStep;
    }
    place(c.stakeUnit, x + kUnitGap, silver);
}

void CMJTableScene::ShowAutoPlaySign(bool on) {
    // While it is on, a click anywhere on the table switches it off, and
    // the auto-play button does not click.
    SetMouseEvent(engine::kEvClick, on ? int32_t(kMsgAutoPlayClick) : 0, 0);
    SetMouseEvent(engine::kEvLeftDown, on ? int32_t(kMsgAutoPlayPress) : 0, 0);
    if (engine::ControlRecord* button = GetWorld().GetControl(ButtonControl(kMsgAutoPlayButton)))
        SetControlEvent(button, engine::kEvClick, on ? 0 : int32_t(engine::kEvClick),
                        on ? 0 : button->id);
    EngineControls& c = engineControls_;
    engine::Entity* sign = GetEntity(AutoPlaySign());
    if (!sign) return;
    if (!on) {
        if (c.signPulse) RemoveApply(c.signPulse);
        c.signPulse = 0;
        sign->SetOpacity(1.0);
        ShowEntity(sign, false);
        return;
    }
    // Across the middle of the table, below its centre unless the screen is small.
    RECT centre{};
    GetTableCentreRect(&centre);
    const int32_t below = SmallScreen() ? 0 : 200;
    if (auto* surface = dynamic_cast<engine::TextEntity*>(sign)) DrawPicture(*surface, "托管");
    MoveEntity(sign, (centre.left + centre.right) / 2, (centre.top + centre.bottom) / 2 + below);
    sign->SetDepth(kSignDepth);
    ShowEntity(sign, true);
    if (c.signPulse) return;
    engine::ApplyStep pulse = [](engine::Entity* entity, engine::ApplyTiming& timing,
                                 engine::World&, uint32_t) {
        if (!entity) return 1;
        constexpr int32_t kSteps = int32_t(std::size(kSignPulse));
        timing.t[7] = (timing.t[7] + 1) % kSteps;
        entity->SetOpacity(kSignPulse[timing.t[7]]);
        return 0;
    };
    c.signPulse = AddApply(sign->GetId(), engine::MakeApplyTiming(kSignStepMs, 0, {}, 0),
                           std::move(pulse), 0, 0, 0, engine::kFacadeLevel);
}

void CMJTableScene::ShowButtonNote(const std::string& caption) {
    auto* note = dynamic_cast<engine::TextEntity*>(GetEntity(NoteEntity()));
    if (!note) return;
    if (!DrawPicture(*note, "说明板")) note->Clear();
    const int32_t w = note->SurfaceWidth(), h = note->SurfaceHeight();
    note->SetTextColor(0);
    note->SetText(6, std::max((h - 16) / 2, 0), caption);
    // Above the hovered button, or below it at the top of the screen.
    int32_t x = 0, y = 0;
    if (const engine::MouseController* mouse = GetMouse()) {
        const engine::DrawRecord& box = mouse->State().hoveredBox;
        x = box.width > 0 ? box.x : mouse->State().x;
        y = box.width > 0 ? box.y - box.height / 2 - h / 2 - 4 : mouse->State().y - h;
        if (y - h / 2 < 0) y = (box.width > 0 ? box.y + box.height / 2 : mouse->State().y) + h;
    }
    x = std::clamp(x, w / 2, std::max(w / 2, GetScreenSizeX() - w / 2));
    MoveEntity(note, x, y);
    ShowEntity(note, true);
}

void CMJTableScene::HideButtonNote() {
    if (engine::Entity* note = GetEntity(NoteEntity())) ShowEntity(note, false);
}

}  // namespace mahjong
