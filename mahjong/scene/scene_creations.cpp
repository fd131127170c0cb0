// What the table scene makes once its screen exists, besides the tiles and
// buttons: the clock, the note board, the dice, the mouse's table click,
// the auto-play sign with the note and the pointing hand, and this game's
// packed pictures. Everything starts hidden or off the table; the effects
// move and show it.
#include <algorithm>
#include <string>

#include "client/game_app.h"
#include "engine/anim_entity.h"
#include "engine/frame_strip.h"
#include "engine/image_entity.h"
#include "engine/mouse_controller.h"
#include "pictures/image_record.h"
#include "engine/resources/resource_manager.h"
#include "engine/text_entity.h"
#include "mahjong/scene/asset_names.h"
#include "mahjong/scene/table_scene.h"

namespace mahjong {
namespace {

constexpr int kSceneLayer = 2, kNoteLayer = 4;
constexpr int32_t kOffTable = -100, kFarOff = -500;
constexpr uint32_t kMagentaKey = 0xff00ff;
constexpr uint32_t kHoverDelayMs = 500;
constexpr int32_t kDiceFrames = 9, kDiceWidth = 106, kDiceHeight = 99, kDiceFrameMs = 100;

struct Size {
    int32_t width = 0, height = 0;
};

}  // namespace

engine::ImageEntity* CMJTableScene::MakeHiddenImage(int layer, int32_t x, int32_t y,
                                                    const char* title, int32_t width,
                                                    int32_t height, int32_t depth) {
    const uint32_t image = Resources().GetImageIdByName(title);
    engine::ImageEntity* e =
        CreateImageEntity(layer, x, y, image, 0, 0, width, height, engine::kNoBlendColor);
    if (!e) return nullptr;
    e->SetDepth(depth);
    e->Hide();
    return e;
}

void CMJTableScene::CreateClockEntities() {
    engine::ImageEntity* face =
        MakeHiddenImage(kSceneLayer, kFarOff, kFarOff, "计时钟", 65, 65, 5000);
    if (!face) return;
    clockFace_ = face->GetId();
    // The hand and the two digits move with the face.
    const struct {
        const char* title;
        int32_t x, width, height, depth;
    } kParts[] = {{"钟指针", kFarOff, 56, 56, 5001},
                  {"数字", kFarOff - 4, 8, 17, 5002},
                  {"数字", kFarOff + 4, 8, 17, 5002}};
    for (const auto& p : kParts)
        if (engine::ImageEntity* e =
                MakeHiddenImage(kSceneLayer, p.x, kFarOff, p.title, p.width, p.height, p.depth))
            AddChildEntity(clockFace_, e->GetId(), 0);
    NextEventId();
}

void CMJTableScene::CreateNoteBoard() {
    RECT board{};
    GetTableCentreRect(&board);
    engine::TextEntity* e = CreateTextEntity(
        kSceneLayer, (board.left + board.right) / 2, (board.top + board.bottom) / 2,
        board.right - board.left, board.bottom - board.top, kMagentaKey);
    if (!e) return;
    e->SetDepth(100);
    e->Hide();
    noteBoard_ = e->GetId();
}

void CMJTableScene::CreateDiceEntities() {
    for (size_t i = 0; i < diceFrames_.size(); ++i) {
        const std::string title = "骰子" + std::to_string(i + 1);
        diceFrames_[i] = engine::MakeUniformStrip(Resources().GetImageIdByName(title), kDiceWidth,
                                                  kDiceHeight, kDiceFrames, kDiceFrameMs);
    }
    for (uint32_t& id : dice_) {
        engine::AnimEntity* e = CreateAnimEntity(kSceneLayer, kOffTable, kOffTable, diceFrames_[0]);
        if (!e) continue;
        e->SetDepth(5000);
        e->Hide();
        id = e->GetId();
    }
    NextEventId();
    NextEventId();
}

void CMJTableScene::SetMouseEvents() {
    SetMouseEvent(3, int32_t(kMsgTableClick), 0);
    if (engine::MouseController* mouse = GetMouse()) mouse->SetHoverDelay(kHoverDelayMs);
}

void CMJTableScene::CreateAutoPlaySign() {
    auto sizeOf = [this](const char* title) {
        const engine::ImageRecord* r = GetImageRes(Resources().GetImageIdByName(title));
        return r ? Size{r->width, r->height} : Size{};
    };
    // The sign, drawn into a text entity in the middle of the table.
    const Size sign = sizeOf("托管");
    RECT centre{};
    GetTableCentreRect(&centre);
    if (engine::TextEntity* e = CreateTextEntity(
            kSceneLayer, (centre.left + centre.right) / 2, (centre.top + centre.bottom) / 2,
            std::max(sign.width, 1), std::max(sign.height, 1), kMagentaKey)) {
        const uint32_t picture = Resources().GetImageIdByName("托管");
        if (picture)
            e->DrawImage(0, 0, {picture, 0, 0, sign.width, sign.height}, sign.width, sign.height,
                         0.0, 1.0, engine::kNoBlendColor);
        e->SetDepth(5010);
        e->Hide();
        autoPlaySign_ = e->GetId();
    }
    // The note a system-bar button shows while the pointer is on it.
    const Size note = sizeOf("说明板");
    if (engine::TextEntity* e =
            CreateTextEntity(kNoteLayer, kOffTable, kOffTable, std::max(note.width, 1),
                             std::max(note.height, 1), kMagentaKey)) {
        e->SetDepth(e->GetDepth() + 50);
        e->Hide();
        noteEntity_ = e->GetId();
    }
    // The pointing hand of the sort sweep, with its five particle children.
    if (pointingHand_ == 0) {
        const Size hand = sizeOf("手");
        if (engine::ImageEntity* e = MakeHiddenImage(kSceneLayer, kOffTable, kOffTable, "手",
                                                     hand.width, hand.height, 3000)) {
            pointingHand_ = e->GetId();
            MakeHandParticles(*e);
        }
        NextEventId();
    }
}

void CTableScene::LoadAIWeights() {
    if (const client::CGameApp* app = client::CGameApp::Current())
        autoPlayer_.LoadAIWeights(app->GetIniPath());
}

void CMJTableScene::SetupEngineControls() {
    // This game's packed pictures come from the common folder.
    GetSkinFolder("Common");
    for (const assets::Picture& p : assets::kCommonPacked)
        LoadImageFile(p.file, 1, p.title, p.colorKey, false);
    GetSkinFolder(StyleName(currentStyle_));
    CreateEngineControls();
}

}  // namespace mahjong
