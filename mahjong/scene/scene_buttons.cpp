// The scene's buttons, made once per message code: the start and
// ask-to-see-cards buttons, the operation bar and the system bar with the
// screenshot button; their looks and what their messages do.
#include "mahjong/scene/scene_buttons.h"

#include "engine/button_frame.h"
#include "engine/control_record.h"
#include "engine/image_entity.h"
#include "pictures/image_record.h"
#include "engine/resources/resource_manager.h"
#include "engine/world.h"
#include "mahjong/scene/asset_names.h"
#include "mahjong/scene/table_scene.h"

namespace mahjong {
namespace {

constexpr int kButtonLayer = 4;
constexpr int32_t kOffTable = -100;
constexpr uint32_t kStateCommandBase = 35;  // events 3-5 and 8: the engine's looks 38-43
constexpr uint32_t kOwnMessageEvent = 25;
constexpr uint32_t kMagentaKey = 0xff00ff;
constexpr double kNewButtonScale = 1.2;

}  // namespace

int SceneButton::OnEvent(engine::EngineMessage& event) {
    if (event.code == engine::kEvHover || event.code == engine::kEvHoverEnd) {
        if (world_)
            world_->PostMessage(
                event.code == engine::kEvHover ? kMsgBarButtonEnter : kMsgBarButtonLeave,
                platform::Payload::Make<std::string>(userText_));
        return 1;
    }
    return AdvancedButton::OnEvent(event);
}

engine::FrameDefinition CMJTableScene::BarPieces(const char* left, const char* middle,
                                                 const char* right) {
    engine::FrameDefinition d;
    for (auto [piece, title] : {std::pair{&d.left, left}, {&d.middle, middle}, {&d.right, right}}) {
        const uint32_t image = Resources().GetImageIdByName(title);
        const engine::ImageRecord* record = image ? GetImageRes(image) : nullptr;
        *piece = {image,      0, 0, record ? record->width : 0, record ? record->height : 0,
                  kMagentaKey};
    }
    return d;
}

ButtonBox CMJTableScene::GetButtonFrame(uint32_t id) {
    struct Cell {
        uint32_t id;
        bool bar;  // the operation bar's picture, else the system bar's
        int32_t cell;
    };
    static constexpr Cell kCells[] = {
        {kMsgPengButton, true, assets::kOpPeng},
        {kMsgKongButton, true, assets::kOpKong},
        {kMsgChowButton, true, assets::kOpChow},
        {kMsgHuButton, true, assets::kOpHu},
        {kMsgPassButton, true, assets::kOpPass},
        {kMsgMusicButton, false, assets::kBuffMusic},
        {kMsgSkinButton, false, assets::kBuffSkin},
        {kMsgSortButton, false, assets::kBuffSort},
        {kMsgAutoPlayButton, false, assets::kBuffAutoPlay},
    };
    for (const Cell& c : kCells) {
        if (c.id != id) continue;
        const int32_t size = c.bar ? 40 : 30;
        const uint32_t image = Resources().GetImageIdByName(c.bar ? "碰杠吃胡过" : "BUFF");
        return {image, c.cell * size, 0, size, size};
    }
    return {};
}

engine::ControlRecord* CMJTableScene::CreateImageButton(int32_t x, int32_t y, const ButtonBox& box,
                                                        uint32_t code, uint32_t colorKey) {
    engine::ImageEntity* e =
        CreateImageEntity(kButtonLayer, x, y, box.imageId, box.x, box.y, box.width, box.height,
                          colorKey ? colorKey : engine::kNoBlendColor);
    engine::ControlRecord* record = NewControl();
    if (!e || !record) return nullptr;
    SetControlEvent(record, kOwnMessageEvent, int32_t(code), 0);
    BindControl(record, e, 0);
    SetControlLook(record, true);
    // A new button stands out; the enable command brings it to 0.8.
    e->SetScale(kNewButtonScale);
    buttons_[code] = record->id;
    return record;
}

engine::Entity* CMJTableScene::CreateTextButton(int32_t x, int32_t y, const ButtonBox& box,
                                                uint32_t code, std::string_view caption,
                                                uint32_t textColor) {
    SceneButton* button = CreateButton<SceneButton>();
    if (!button || !button->Create(code, x, y, box.width, box.height, false)) return nullptr;
    button->SetTextColor(textColor);
    // The picture says what the button does; its caption is the note's.
    button->SetPicture({box.imageId, box.x, box.y, box.width, box.height}, true);
    AddBarButton(*button, code, caption);
    return button->BoundEntity();
}

void CMJTableScene::AddBarButton(SceneButton& button, uint32_t code, std::string_view caption) {
    button.SetUserText(std::string(caption));
    // Hover and its end go to the button itself, which tells the scene.
    if (engine::ControlRecord* record = GetWorld().GetControl(button.GetControlId())) {
        SetControlEvent(record, engine::kEvHover, engine::kEvHover, record->id);
        SetControlEvent(record, engine::kEvHoverEnd, engine::kEvHoverEnd, record->id);
    }
    buttons_[code] = button.GetControlId();
}

void CMJTableScene::SetControlLook(engine::ControlRecord* record, bool enabled) {
    if (!record) return;
    auto* e = dynamic_cast<engine::ImageEntity*>(GetEntity(record->entityId));
    if (e) {
        e->SetOpacity(enabled ? 0.8 : 0.3);
        e->SetBackColor(enabled ? 255 : kMagentaKey);
    }
    for (uint32_t n : {engine::kEvEnter, engine::kEvLeave, engine::kEvLeftDown, engine::kEvLeftUp,
                       engine::kEvClick}) {
        if (!enabled)
            SetControlEvent(record, n, 0, 0);
        else if (n == engine::kEvEnter)
            SetControlEvent(record, n, int32_t(kMsgButtonPressed), 0);
        else
            SetControlEventRelative(record, n, kStateCommandBase, 0);
    }
}

uint32_t CMJTableScene::ButtonControl(uint32_t code) const {
    const auto it = buttons_.find(code);
    return it == buttons_.end() ? 0 : it->second;
}

void CMJTableScene::CreateButtonSet(ButtonBox start, ButtonBox ask) {
    buttons_.clear();
    start.imageId = Resources().GetImageIdByName("开始");
    ask.imageId = Resources().GetImageIdByName("看牌");
    CreateImageButton(kOffTable, kOffTable, start, kMsgStartButton, 0);
    CreateImageButton(kOffTable, kOffTable, ask, kMsgAskButton, 0);
    for (uint32_t code :
         {kMsgPengButton, kMsgKongButton, kMsgChowButton, kMsgHuButton, kMsgPassButton})
        CreateImageButton(kOffTable, kOffTable, GetButtonFrame(code), code, kMagentaKey);
    // The bars are cut from their pictures: a left end, a middle piece a
    // slot, a right end.
    const engine::FrameDefinition operation = BarPieces("操作栏左", "操作栏中", "操作栏右");
    operationBar_ = CreateButtonFrame(5, &operation, 0);
    if (operationBar_) {
        uint32_t n = 0;
        for (uint32_t code :
             {kMsgPassButton, kMsgHuButton, kMsgKongButton, kMsgPengButton, kMsgChowButton})
            operationBar_->OnButton(n++, ButtonControl(code));
        if (engine::Entity* bar = operationBar_->BoundEntity()) ShowEntity(bar, false);
    }
    // The system bar is the strip under the tool buttons, which stand on
    // their own at their places.
    const engine::FrameDefinition system = BarPieces("系统栏左", "系统栏中", "系统栏右");
    systemBar_ = CreateButtonFrame(5, &system, 0);
    if (engine::Entity* strip = SystemBarEntity()) ShowEntity(strip, false);
    for (auto [code, caption] : {std::pair{kMsgMusicButton, "音乐"},
                                 {kMsgSkinButton, "换肤"},
                                 {kMsgSortButton, "排序"},
                                 {kMsgAutoPlayButton, "托管"}})
        CreateTextButton(kOffTable, kOffTable, GetButtonFrame(code), code, caption, 0);
    // The screenshot button is plain: a solid colour and its caption.
    SceneButton* shot = CreateButton<SceneButton>();
    if (shot && shot->Create(kMsgScreenshotButton, kOffTable, kOffTable, 30, 30, false)) {
        shot->SetSolidColor(0x37450e, false);
        shot->SetTextColor(0);
        shot->SetCaptionFit("截屏", true);
        AddBarButton(*shot, kMsgScreenshotButton, "截屏");
    }
    // Above the strip, and hidden until a round shows them.
    const int32_t depth = SystemBarEntity() ? SystemBarEntity()->GetDepth() + 2 : 0;
    for (uint32_t code : {kMsgMusicButton, kMsgSkinButton, kMsgSortButton, kMsgAutoPlayButton,
                          kMsgScreenshotButton}) {
        engine::ControlRecord* record = GetWorld().GetControl(ButtonControl(code));
        if (engine::Entity* e = record ? GetEntity(record->entityId) : nullptr) {
            e->SetDepth(depth);
            ShowEntity(e, false);
        }
    }
    for (uint32_t code : {kMsgStartButton, kMsgAskButton})
        if (engine::ControlRecord* record = GetWorld().GetControl(ButtonControl(code)))
            ShowControl(record, false);
    // The system bar's arrow.
    const uint32_t arrow = Resources().GetImageIdByName("系统栏箭头");
    if (engine::ImageEntity* e = CreateImageEntity(kButtonLayer, kOffTable, kOffTable, arrow, 0, 0,
                                                   20, 12, kMagentaKey)) {
        e->SetDepth(e->GetDepth() + 100);
        barArrow_ = e->GetId();
    }
}

void CMJTableScene::CreateButtons() {
    CreateButtonSet({0, 0, 0, 80, 30}, {0, 0, 0, 80, 30});
}

void CTableScene::CreateButtons() {
    CreateButtonSet({0, 0, 0, 81, 30}, {0, 0, 0, 71, 25});
}

int CMJTableScene::OnMessage(uint32_t code, platform::Payload& payload, uint32_t target) {
    // The pointer on an image button: it shows at full strength.
    if (code == kMsgButtonPressed) {
        if (const auto* mouse = payload.Get<engine::MouseState>())
            if (engine::Entity* e = GetEntity(mouse->hoveredEntity)) e->SetOpacity(1.0);
    }
    // The note of a system-bar button; the caption stays with the engine.
    if (code == kMsgBarButtonEnter)
        if (const auto* caption = payload.Get<std::string>()) ShowButtonNote(*caption);
    if (code == kMsgBarButtonLeave) HideButtonNote();
    return CMJTableSceneBase::OnMessage(code, payload, target);
}

void CMJTableScene::PollSceneButtons(uint32_t code) {
    CMJTableSceneBase::PollSceneButtons(code);
    if (code == kMsgMusicButton) PlayMusic();
    if (code == kMsgSkinButton) ChangeSkin();
    if (code == kMsgScreenshotButton) SaveScreenshot();
}

}  // namespace mahjong
