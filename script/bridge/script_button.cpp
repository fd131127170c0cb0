#include "script/bridge/script_button.h"

#include "engine/control_record.h"
#include "engine/game_engine.h"
#include "engine/image_entity.h"
#include "engine/text_entity.h"

namespace script {
namespace {

constexpr int32_t kOffScreen = -100000;
constexpr uint32_t kKeyColour = 0xFF00FF;
// The caption goes with the picture in every respect.
constexpr uint32_t kCaptionLink = 0x1C06F;

}  // namespace

int ScriptButton::Initialise() {
    if (engine::ControlRecord* record = Record()) {
        for (uint32_t n : {engine::kEvEnter, engine::kEvLeave, engine::kEvLeftDown,
                           engine::kEvLeftUp, engine::kEvClick})
            record->SetEvent(n, int32_t(n), controlId_);
    }
    return 0;
}

bool ScriptButton::CreateLook(std::string_view imageName, int layer) {
    const engine::FrameRect frame = engine_.GetFrameRectByName(imageName, 0);
    if (frame.imageId == 0) return false;
    engine::ImageEntity* picture =
        engine_.CreateImageEntityEx(layer, kOffScreen, kOffScreen, frame, kKeyColour);
    if (!picture) return false;
    world_->BindControl(Record(), picture, engine::kOwnEntityBinding);
    engine::TextEntity* caption = engine_.CreateTextEntity(layer, kOffScreen, kOffScreen,
                                                           frame.width, frame.height, kKeyColour);
    if (caption) {
        caption->SetDepth(picture->GetDepth() + 1);
        picture->AttachChild(caption, kCaptionLink);
        captionId_ = caption->GetId();
    }
    return true;
}

engine::TextEntity* ScriptButton::Caption() const {
    return world_->FindEntityAs<engine::TextEntity>(captionId_);
}

void ScriptButton::SelectFrame(uint32_t frame) {
    auto* picture = dynamic_cast<engine::ImageEntity*>(BoundEntity());
    if (!picture) return;
    picture->SetFrame(frame);
    picture->Update();
}

std::string ScriptButton::GetString(size_t property) const {
    return property < sounds_.size() ? sounds_[property].Text() : std::string();
}

void ScriptButton::SetString(size_t property, std::string_view value) {
    if (property < sounds_.size()) sounds_[property].AssignChars(std::string(value).c_str());
}

void ScriptButton::SetRect(int32_t x, int32_t y, int32_t width, int32_t height) {
    MoveTo(x, y);
    SetSize(width, height);
}

// A number plays the built-in sound of that id, anything else the sound
// file of that name.
void ScriptButton::Play(size_t property) {
    ScriptValue sound = sounds_[property];
    if (sound.Text().empty()) return;
    sound.Classify();
    if (sound.Type() == ScriptValue::kInteger && sound.ToInt() != 0) {
        world_->Sound().PlaySystemSound(sound.ToInt(), "sound");
    } else {
        world_->Sound().PlayByName(sound.Text());
    }
}

void ScriptButton::SendOwnMessage() {
    if (message_.code != 0)
        world_->SendMessage({message_.code, message_.payload.Clone(), message_.target},
                            engine::kSendNow);
}

int ScriptButton::OnEvent(engine::EngineMessage& event) {
    const engine::MouseState* state = event.payload.Get<engine::MouseState>();
    switch (event.code) {
        case engine::kEvEnter:
            Play(kSoundEnter);
            SelectFrame(kFrameHot);
            return 1;
        case engine::kEvLeave:
            Play(kSoundLeave);
            SelectFrame(kFrameNormal);
            return 1;
        case engine::kEvLeftDown:
            Play(kSoundPress);
            SelectFrame(kFramePressed);
            return 1;
        case engine::kEvLeftUp:
            SelectFrame(kFrameHot);
            return 1;
        case engine::kEvClick:
            SendOwnMessage();
            return 1;
        case engine::kEvLeftDrag:
            if (state) MoveTo(state->x, state->y);
            return 1;
        case engine::kEvKeyDown: {
            const engine::Entity* picture = BoundEntity();
            if (state && hotKey_ != 0 && state->heldKey == hotKey_ && IsEnabled() && picture &&
                picture->IsVisible()) {
                Play(kSoundPress);
                SendOwnMessage();
            }
            return 1;
        }
        case engine::kEvDisabled:
            SelectFrame(kFrameDisabled);
            return 1;
        case engine::kEvEnabled:
            SelectFrame(kFrameNormal);
            return 1;
        default:
            return 1;
    }
}

}  // namespace script
