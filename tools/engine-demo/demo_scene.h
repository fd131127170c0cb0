#pragma once
// The demo's scene: a table cloth, a row of tiles, a tile that walks and
// fades, an animated disc, sparks, four buttons (one opens the engine's
// notice box, the others play a sound), a script that walks a plane of its
// own, a sound on each click and music in a loop. What the user does is
// reported as lines ("clicked notice", "clicked button 2", "key 50").

#include <cstdint>
#include <functional>
#include <string>

#include "engine/game_engine.h"

namespace engine {
class AnimEntity;
class ImageEntity;
}  // namespace engine

namespace engine_demo {

// The demo's own messages.
enum DemoMessage : uint32_t {
    kNoticeClicked = 5001,
    kButtonClicked = 5002,  // + 0, 1, 2 for the three buttons
    kNoticeClosed = 5010,
    kKeyPressed = 5100,
    kWalkEnded = 5200,
    kFadeEnded = 5201,
};

// Where the notice button sits on the screen.
inline constexpr int kNoticeButtonX = 150, kNoticeButtonY = 300;

class DemoScene : public engine::GameEngine {
  public:
    using Say = std::function<void(const std::string& line)>;

    // `folder` holds the demo's pictures and script ("/" at the end); with
    // `still` nothing moves by itself.
    DemoScene(engine::ResourceManager& resources, std::string folder, Say say, bool still);

    void InitGameData() override;
    void OnTimersStarted() override;
    void OnFrameBegin() override;
    int OnMessage(uint32_t code, platform::Payload& payload, uint32_t target) override;

  private:
    void MakeTiles(uint32_t tile);
    void MakeButtons();
    void StartScript();
    void Walk();
    void Fade();

    std::string folder_;
    Say say_;
    bool still_;
    engine::AnimEntity* disc_ = nullptr;
    uint32_t walker_ = 0;
    bool walkRight_ = true;
    bool fadeOut_ = true;
};

}  // namespace engine_demo
