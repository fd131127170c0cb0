#include "engine/advanced_button.h"

#include <algorithm>

#include "engine/control_record.h"
#include "engine/resources/resource_manager.h"
#include "engine/text_entity.h"
#include "engine/world.h"
#include "platform/text.h"

namespace engine {
namespace {

constexpr int kButtonLayer = 4;
constexpr double kNormalOpacity = 0.8;
constexpr double kHotOpacity = 1.0;
constexpr double kPressedOpacity = 0.3;

// One channel of a vertical blend from `top` to `bottom` at row y of h.
uint32_t Mix(uint32_t top, uint32_t bottom, int32_t y, int32_t h) {
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const int64_t a = top >> shift & 0xFF, b = bottom >> shift & 0xFF;
        const int64_t v = h > 1 ? a + (b - a) * y / (h - 1) : a;
        out |= uint32_t(v) << shift;
    }
    return out;
}

}  // namespace

std::string CutGbk(std::string_view text, size_t limit) {
    size_t end = 0;
    while (end < text.size()) {
        const size_t n = std::max<size_t>(platform::GbkCharLength(text, end), 1);
        if (end + n > limit) break;
        end += n;
    }
    return std::string(text.substr(0, end));
}

int AdvancedButton::Initialise() {
    if (ControlRecord* record = Record()) {
        for (uint32_t n : {kButtonEnter, kButtonLeave, kButtonPress, kButtonRelease, kButtonClick})
            record->SetEvent(n, int32_t(n), controlId_);
    }
    return 0;
}

bool AdvancedButton::Create(uint32_t code, int32_t x, int32_t y, int32_t width, int32_t height,
                            bool visible) {
    TextEntity* text = MakeOwnSurface(kButtonLayer, x, y, width, height, 0, visible);
    if (!text) return false;
    text->SetColor(kNoBlendColor);
    SetNormalLook();
    message_.code = code;
    return true;
}

void AdvancedButton::SetNormalLook() {
    ShowOpacity(kNormalOpacity);
}

TextEntity* AdvancedButton::Surface() const {
    return dynamic_cast<TextEntity*>(BoundEntity());
}

void AdvancedButton::ShowOpacity(double opacity) {
    if (Entity* entity = BoundEntity()) {
        entity->SetOpacity(opacity);
        entity->Update();
    }
}

void AdvancedButton::SetText(int32_t x, int32_t y, std::string_view caption, bool redraw) {
    look_.caption = CutGbk(caption, kMaxCaption);
    look_.captionX = x;
    look_.captionY = y;
    if (redraw) Refresh();
}

void AdvancedButton::SetCaptionFit(std::string_view caption, bool redraw) {
    TextEntity* text = Surface();
    ResourceManager* resources = world_ ? world_->Resources() : nullptr;
    look_.caption = CutGbk(caption, kMaxCaption);
    if (text && resources) {
        // The store fits the font and place in the button's own font state.
        FontStore& store = resources->GetFontStore();
        const FontState saved = store.SaveState();
        store.LoadState(text->Font());
        const CaptionFit fit =
            store.FitFont(text->SurfaceWidth(), text->SurfaceHeight(), look_.caption, 0, 0, 0);
        text->Font() = store.SaveState();
        store.LoadState(saved);
        look_.captionX = fit.x;
        look_.captionY = fit.y;
    }
    if (redraw) Refresh();
}

void AdvancedButton::SetTextColor(uint32_t color) {
    look_.captionColor = color;
    if (TextEntity* text = Surface()) text->SetTextColor(color);
}

void AdvancedButton::SetSolidColor(uint32_t color, bool redraw) {
    look_.style = kButtonSolid;
    look_.solidColor = color;
    if (redraw) Refresh();
}

void AdvancedButton::SetGradient(const std::array<uint32_t, 6>& colors,
                                 const std::array<int32_t, 4>& placement, bool redraw) {
    look_.style = kButtonGradient;
    look_.gradient = colors;
    look_.gradientPlacement = placement;
    if (redraw) Refresh();
}

void AdvancedButton::SetBorderColor(uint32_t color, bool redraw) {
    look_.borderColor = color;
    if (redraw) Refresh();
}

void AdvancedButton::SetFont(int32_t height, int32_t weight, std::string_view face, bool redraw) {
    if (TextEntity* text = Surface()) text->SetFontFace(height, weight, face);
    if (redraw) Refresh();
}

void AdvancedButton::SetPicture(const ImageRef& cell, bool redraw) {
    look_.picture = cell;
    if (redraw) Refresh();
}

void AdvancedButton::SetSounds(uint32_t enter, uint32_t press, uint32_t leave) {
    look_.enterSound = enter;
    look_.pressSound = press;
    look_.leaveSound = leave;
}

void AdvancedButton::Refresh() {
    TextEntity* text = Surface();
    if (!text) return;
    text->Clear();
    if (look_.style == kButtonSolid) {
        text->SetBackColor(look_.solidColor);
    } else if (look_.style == kButtonGradient) {
        // A vertical blend of the first two colours.
        const int32_t h = text->SurfaceHeight();
        for (int32_t y = 0; y < h; ++y) {
            const uint32_t color = Mix(look_.gradient[0], look_.gradient[1], y, h);
            for (int32_t x = 0; x < text->SurfaceWidth(); ++x)
                text->SetPixel(x, y, color);
        }
    }
    if (look_.picture.imageId != 0)
        text->DrawImage(0, 0, look_.picture, 0, 0, 0.0, 1.0, kNoBlendColor);
    if (look_.borderColor != kNoBlendColor) text->DrawFrame(look_.borderColor);
    double opacity = text->GetOpacity();
    if (!text->IsVisible()) {
        look_.flags = (look_.flags & ~kLookHot) | kLookNormal;
        opacity = IsEnabled() ? kNormalOpacity : kPressedOpacity;
    } else if (look_.flags & kLookPressed) {
        opacity = kPressedOpacity;
    } else if (look_.flags & kLookHot) {
        opacity = kHotOpacity;
    } else if (look_.flags & kLookNormal) {
        opacity = kNormalOpacity;
    }
    text->SetOpacity(opacity);
    text->SetTextColor(look_.captionColor);
    text->SetText(look_.captionX, look_.captionY, look_.caption);
    text->Update();
}

void AdvancedButton::PlaySound(uint32_t id) {
    if (id != 0 && world_) world_->Sound().PlaySystemSound(int(id), "sound");
}

void AdvancedButton::SendOwnMessage() {
    if (world_ && message_.code != 0)
        world_->SendMessage({message_.code, message_.payload.Clone(), message_.target}, kSendNow);
}

int AdvancedButton::OnEvent(EngineMessage& event) {
    const MouseState* state = event.payload.Get<MouseState>();
    switch (event.code) {
        case kButtonEnter:
            look_.flags = (look_.flags & ~kLookNormal) | kLookHot;
            PlaySound(look_.enterSound);
            ShowOpacity(kHotOpacity);
            return 1;
        case kButtonLeave:
            look_.flags = (look_.flags & ~kLookHot) | kLookNormal;
            PlaySound(look_.leaveSound);
            ShowOpacity(kNormalOpacity);
            return 1;
        case kButtonPress:
            look_.flags |= kLookPressed;
            PlaySound(look_.pressSound);
            ShowOpacity(kPressedOpacity);
            return 1;
        case kButtonRelease:
            look_.flags = kLookNormal;
            ShowOpacity(kHotOpacity);
            return 1;
        case kButtonClick:
            SendOwnMessage();
            return 1;
        case kButtonFollow:
            if (state) MoveTo(state->x, state->y);
            return 1;
        case kButtonRefresh:
            Refresh();
            return 1;
        case kButtonKey: {
            const Entity* entity = BoundEntity();
            if (state && look_.hotKey != 0 && state->heldKey == look_.hotKey && IsEnabled() &&
                entity && entity->IsVisible()) {
                PlaySound(look_.pressSound);
                SendOwnMessage();
            }
            return 1;
        }
        case kButtonDisabled:
            look_.flags |= kLookPressed;
            ShowOpacity(kPressedOpacity);
            return 1;
        case kButtonEnabled:
            look_.flags &= ~kLookPressed;
            ShowOpacity(kNormalOpacity);
            return 1;
        case kButtonCaption:
            if (const std::string* caption = event.payload.Get<std::string>())
                SetCaptionFit(*caption, true);
            return 1;
        // The state and the data travel only in their own record types; a
        // payload of any other type is left alone.
        case kButtonGetLook:
            if (ButtonLook* out = event.payload.Get<ButtonLook>()) *out = look_;
            return 0;
        case kButtonSetLook:
            if (const ButtonLook* in = event.payload.Get<ButtonLook>()) look_ = *in;
            return 0;
        case kButtonGetData:
            if (ButtonData* out = event.payload.Get<ButtonData>()) *out = data_;
            return 0;
        case kButtonSetData:
            if (const ButtonData* in = event.payload.Get<ButtonData>()) data_ = *in;
            return 0;
        default:
            return 1;
    }
}

bool MessageBoxButton::Create(uint32_t target, uint32_t code, platform::Payload payload, int32_t x,
                              int32_t y, int32_t width, int32_t height, bool visible) {
    TextEntity* text = MakeOwnSurface(kButtonLayer, x, y, width, height, kNoBlendColor, visible);
    if (!text) return false;
    text->SetColor(kNoBlendColor);
    SetNormalLook();
    message_ = {code, std::move(payload), target};
    return true;
}

int MessageBoxButton::OnEvent(EngineMessage& event) {
    const int result = AdvancedButton::OnEvent(event);
    if (event.code != kButtonClick) return result;
    const Entity* entity = BoundEntity();
    if (!entity) return result;
    const Entity* box = entity->GetAttachedTo();
    const Entity* doomed = deleteAfterClick_ && box ? box : entity;
    // Deleted through the queue: the input controller is still inside the
    // click that brought this message.
    world_->SendMessage({94, platform::Payload::Make<EntityRef>(EntityRef{doomed->GetId()}), 0},
                        kSendQueueRaw);
    return result;
}

}  // namespace engine
