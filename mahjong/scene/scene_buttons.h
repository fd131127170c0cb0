#pragma once
// The table scene's buttons: the game buttons and the operation bar are
// image buttons (a picture cell with a control whose events drive the
// engine's button looks), the system bar's are text buttons that also tell
// the scene when the pointer enters or leaves them.

#include <cstdint>
#include <string>

#include "engine/advanced_button.h"

namespace mahjong {

// A picture cell a button is cut from; all zero for none.
struct ButtonBox {
    uint32_t imageId = 0;
    int32_t x = 0, y = 0, width = 0, height = 0;
};

// Message codes of the scene's buttons.
inline constexpr uint32_t kMsgStartButton = 210021;
inline constexpr uint32_t kMsgAskButton = 210022;
inline constexpr uint32_t kMsgChowButton = 210023;
inline constexpr uint32_t kMsgPengButton = 210024;
inline constexpr uint32_t kMsgKongButton = 210025;
inline constexpr uint32_t kMsgHuButton = 210026;
inline constexpr uint32_t kMsgPassButton = 210027;
inline constexpr uint32_t kMsgMusicButton = 210028;
inline constexpr uint32_t kMsgSkinButton = 210029;
inline constexpr uint32_t kMsgSortButton = 210030;
inline constexpr uint32_t kMsgAutoPlayButton = 210031;
inline constexpr uint32_t kMsgAutoPlayClick = 210032;  // the mouse's click while on auto-play
inline constexpr uint32_t kMsgAutoPlayPress = 210033;  // and its press
inline constexpr uint32_t kMsgButtonPressed = 210034;
inline constexpr uint32_t kMsgScreenshotButton = 210035;
inline constexpr uint32_t kMsgBarButtonEnter = 210051;
inline constexpr uint32_t kMsgBarButtonLeave = 210052;

// A system-bar button: its hover (event 12) and its end (13) reach the
// scene as 210051 and 210052 with the button's caption.
class SceneButton : public engine::AdvancedButton {
  public:
    void SetUserText(std::string text) { userText_ = std::move(text); }
    const std::string& UserText() const { return userText_; }
    int OnEvent(engine::EngineMessage& event) override;

  private:
    std::string userText_;
};

}  // namespace mahjong
