#pragma once
// Plays the table scene's time on the main window until the engine's
// hosting pane does: the scene's timers become window timers (their WM_TIMER
// comes back to the scene through the frame), and its delayed messages
// (the deal's steps, the dice) are delivered to the scene's message handler
// when they are due. Everything else the scene records waits for the
// engine's runtime.

#include <cstdint>
#include <map>

#include "mahjong/scene/scene_effects.h"
#include "platform/win_types.h"

namespace mahjong {

class CTableScene;

// How long the dice roll before the deal starts, and the sort's sweep.
inline constexpr uint32_t kDiceRollMs = 1200;
inline constexpr uint32_t kSortSweepMs = 600;
// Delayed messages use window timers from this id up.
inline constexpr uint32_t kFirstDelayedTimer = 0x10000;

class SceneTimerHost {
  public:
    explicit SceneTimerHost(CTableScene& scene) : scene_(scene) {}
    ~SceneTimerHost();
    SceneTimerHost(const SceneTimerHost&) = delete;
    SceneTimerHost& operator=(const SceneTimerHost&) = delete;

    // Plays what the scene records from now on, on `window` (of this thread).
    void Attach(platform::HWND window);
    void Detach();

  private:
    struct Delayed {
        int32_t code;
        int32_t seat;  // -1: no payload
    };
    void Play(const SceneEffect& effect);
    void Schedule(uint32_t ms, Delayed message);
    void Deliver(uint32_t timer);

    CTableScene& scene_;
    platform::HWND window_{};
    uint32_t nextTimer_ = kFirstDelayedTimer;
    std::map<uint32_t, Delayed> delayed_;
};

}  // namespace mahjong
