#pragma once
// The text button: a text surface with a background (none, a solid colour or
// a gradient), a border, a caption and three looks (normal, hot, pressed or
// disabled) shown as opacities. It plays a sound on enter, press and leave,
// answers a hot key and sends a message of its own when clicked. The engine's
// message box uses MessageBoxButton, which closes the box after its click.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/control.h"
#include "engine/engine_message.h"
#include "engine/text_entity.h"

namespace engine {

// Look flags.
inline constexpr uint32_t kLookHot = 1;
inline constexpr uint32_t kLookNormal = 2;
inline constexpr uint32_t kLookPressed = 4;  // or disabled

// Background styles.
inline constexpr uint32_t kButtonPlain = 0;
inline constexpr uint32_t kButtonSolid = 2;
inline constexpr uint32_t kButtonGradient = 3;

// Captions longer than this are cut, on a character boundary.
inline constexpr size_t kMaxCaption = 255;

// The button's state as codes 72 and 73 hand it over.
struct ButtonLook {
    uint32_t style = kButtonPlain;
    std::string caption;
    int32_t captionX = 0, captionY = 0;
    uint32_t solidColor = 0;
    uint32_t borderColor = 0xFF00FF;  // 0xFF00FF: no border
    std::array<uint32_t, 6> gradient{};
    std::array<int32_t, 4> gradientPlacement{};
    uint32_t captionColor = 0;
    uint32_t flags = kLookHot | kLookNormal;
    uint32_t hotKey = 0;
    uint32_t enterSound = 0, pressSound = 0, leaveSound = 0;  // built-in ids, 0 none
    uint32_t userValue = 0;
    ImageRef picture;  // a picture cell over the background, under the caption
};

// The data a button owns, as codes 75 and 76 hand it over.
struct ButtonData {
    std::vector<uint8_t> bytes;
};

// The button messages.
enum ButtonMessage : uint32_t {
    kButtonEnter = 2,
    kButtonLeave = 3,
    kButtonPress = 4,
    kButtonRelease = 5,
    kButtonClick = 8,
    kButtonFollow = 10,
    kButtonRefresh = 14,
    kButtonKey = 22,
    kButtonDisabled = 69,
    kButtonEnabled = 70,
    kButtonCaption = 71,
    kButtonGetLook = 72,
    kButtonSetLook = 73,
    kButtonGetData = 75,
    kButtonSetData = 76,
};

class AdvancedButton : public Control {
  public:
    // Its entries 2, 3, 4, 5 and 8 send those codes to the button itself.
    int Initialise() override;
    int OnEvent(EngineMessage& event) override;

    // The button's surface on the top layer; `code` is its own message.
    bool Create(uint32_t code, int32_t x, int32_t y, int32_t width, int32_t height, bool visible);
    // The normal look: opacity 0.8.
    virtual void SetNormalLook();

    void SetText(int32_t x, int32_t y, std::string_view caption, bool redraw);
    // The caption centred to fit the button.
    void SetCaptionFit(std::string_view caption, bool redraw);
    void SetTextColor(uint32_t color);
    void SetSolidColor(uint32_t color, bool redraw);
    void SetGradient(const std::array<uint32_t, 6>& colors, const std::array<int32_t, 4>& placement,
                     bool redraw);
    void SetBorderColor(uint32_t color, bool redraw);
    // A picture cell drawn over the whole button (imageId 0: none).
    void SetPicture(const ImageRef& cell, bool redraw);
    void SetFont(int32_t height, int32_t weight, std::string_view face, bool redraw);
    void SetUserData(uint32_t value) { look_.userValue = value; }
    void SetHotKey(uint32_t key) { look_.hotKey = key; }
    void SetSounds(uint32_t enter, uint32_t press, uint32_t leave);
    void SetMessage(EngineMessage message) { message_ = std::move(message); }
    void SetOwnedData(std::vector<uint8_t> bytes) { data_.bytes = std::move(bytes); }
    // Draws the background, border and caption and shows the look.
    void Refresh();

    const ButtonLook& Look() const { return look_; }
    TextEntity* Surface() const;

  protected:
    void PlaySound(uint32_t id);
    void SendOwnMessage();
    void ShowOpacity(double opacity);

    ButtonLook look_;
    ButtonData data_;
    EngineMessage message_;
};

class MessageBoxButton : public AdvancedButton {
  public:
    // A transparent surface on the top layer; a click sends {code, payload}
    // to `target`.
    bool Create(uint32_t target, uint32_t code, platform::Payload payload, int32_t x, int32_t y,
                int32_t width, int32_t height, bool visible);
    // After its click the button deletes its entity, or with this flag its
    // entity's parent (the box) when it has one.
    void SetDeleteAfterClick(bool on) { deleteAfterClick_ = on; }
    int OnEvent(EngineMessage& event) override;

  private:
    bool deleteAfterClick_ = false;
};

// `text` cut to at most `limit` bytes without splitting a GBK character.
std::string CutGbk(std::string_view text, size_t limit);

}  // namespace engine
