#pragma once
// The script host's button: a picture of four frames (normal, hot, pressed,
// disabled) with a caption surface on it, sounds kept as script values (a
// number plays the built-in sound of that id, a text the named sound file),
// a hot key and a message of its own.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/control.h"
#include "engine/engine_message.h"
#include "script/script_value.h"

namespace engine {
class GameEngine;
class TextEntity;
}  // namespace engine

namespace script {

// The frames of the button's picture.
enum ScriptButtonFrame : uint32_t {
    kFrameNormal = 0,
    kFrameHot = 1,
    kFramePressed = 2,
    kFrameDisabled = 3
};

// The sound properties.
enum ScriptButtonSound : size_t { kSoundEnter = 0, kSoundPress = 1, kSoundLeave = 2 };

class ScriptButton : public engine::Control {
  public:
    explicit ScriptButton(engine::GameEngine& engine) : engine_(engine) {}

    // Its entries 2, 3, 4, 5 and 8 send those codes to the button itself.
    int Initialise() override;
    int OnEvent(engine::EngineMessage& event) override;

    // The picture of the named image, off screen on `layer`, bound to this
    // control, with a caption surface of its size attached; false when the
    // image is unknown.
    virtual bool CreateLook(std::string_view imageName, int layer);
    virtual void SelectFrame(uint32_t frame);

    // The script values: the sound properties as texts, and the place.
    std::string GetString(size_t property) const;
    void SetString(size_t property, std::string_view value);
    void SetRect(int32_t x, int32_t y, int32_t width, int32_t height);

    void SetMessage(engine::EngineMessage message) { message_ = std::move(message); }
    void SetHotKey(uint32_t key) { hotKey_ = key; }
    engine::TextEntity* Caption() const;

  private:
    void Play(size_t property);
    void SendOwnMessage();

    engine::GameEngine& engine_;
    std::array<ScriptValue, 3> sounds_;
    engine::EngineMessage message_;
    uint32_t hotKey_ = 0;
    uint32_t captionId_ = 0;
};

}  // namespace script
