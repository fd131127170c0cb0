#pragma once
// What the scene asks of the engine's runtime (entity bindings, sounds,
// timed messages, timers, buttons), recorded in order. The engine level
// plays them; without it they are kept, the oldest dropped past a bound.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace mahjong {

enum class Effect : int32_t {
    kBindSeat,          // a: view seat; bind its hand records
    kBindWall,          // bind the wall records
    kBindShown,         // a: view seat; its shown tile
    kBindRiver,         // a: view seat
    kBindFlowers,       // a: view seat
    kShownMarker,       // a: view seat, b: 1 shown / 0 hidden
    kHideTiles,         // every tile entity leaves the table
    kFlushPending,      // the engine's pending events and delayed messages dropped
    kDelayedMessage,    // a: delay ms, b: message code, c: view seat (-1 none)
    kStartTimer,        // a: timer id, b: ms
    kStopTimer,         // a: timer id
    kClockPath,         // a: from, b: to; the hand's path (ClockPath) starts
    kEnableButton,      // a: operation button 1-5, b: enable
    kEnableAllButtons,  // a: value
    kPlaceButtons,      // a: operation buttons in the frame (4 or 5)
    kShowButtons,       // a: the operation and tool buttons shown (1) or hidden
    kButtonFrame,       // a: the kong (2) or chow (3) button, b: 1 its cancel frame
    kStartButton,       // a: 1 shown, 0 hidden
    kAskButton,         // a: 1 shown, b: 1 highlighted (clickable)
    kVoice,             // a: view seat, b: operation voice code, text: its name
    kTileVoice,         // a: view seat, b: tile code
    kParticles,         // a: view seat; the win effect
    kSettlement,        // the round result's panel
    kRefreshEntities,   // a: mode
    kRefreshTileControls,
    kRoundStartDisplay,  // start button refreshed, ready icons and seat frames hidden
    kHideCentre,         // note board, clock body, money and flower labels hidden
    kSortSweep,          // the sort animation over the own hand
    kDice,               // a, b: the two dice
    kSeatIcon,           // a: view seat, b: icon kind (1 banker)
    kMoney,              // a: value shown
    kJokerTile,          // a: the joker tile code shown
    kWaitCursor,         // a: 1 the wait cursor shown while a kong's request runs, 0 off
    kButtonBar,          // a: 1 the operation button bar shown (a button is clickable)
    kFlyingTile,         // a: the tile that flies from the own hand to the river
    kJokerAnimation,     // a: 1 the one joker animation entity made, 0 reused
    kJokerAnimationEnd,  // the joker animation entity hidden
    kPause,              // a: ms the display waits before it goes on
    kSettlementItem,     // a: chair; its item of the settlement panel shown
    kAutoPlay,           // a: 1 on, 0 off
};

struct SceneEffect {
    SceneEffect(Effect k, int32_t a0 = 0, int32_t b0 = 0, int32_t c0 = 0, std::string t = {})
        : kind(k), a(a0), b(b0), c(c0), text(std::move(t)) {}

    Effect kind;
    int32_t a = 0;
    int32_t b = 0;
    int32_t c = 0;
    std::string text;
    bool operator==(const SceneEffect&) const = default;
};

class EffectLog {
  public:
    static constexpr size_t kBound = 1 << 16;

    void Add(SceneEffect effect) {
        if (player_) player_(effect);
        if (listener_) listener_(effect);
        if (effects_.size() >= kBound)
            effects_.erase(effects_.begin(), effects_.begin() + kBound / 2);
        effects_.push_back(std::move(effect));
    }
    const std::vector<SceneEffect>& All() const { return effects_; }
    void Clear() { effects_.clear(); }
    // Told every effect as it is added (the runtime that plays them).
    void SetListener(std::function<void(const SceneEffect&)> listener) {
        listener_ = std::move(listener);
    }

    // Told first: the scene level that plays effects on its own entities.
    void SetPlayer(std::function<void(const SceneEffect&)> player) { player_ = std::move(player); }

  private:
    std::vector<SceneEffect> effects_;
    std::function<void(const SceneEffect&)> player_;
    std::function<void(const SceneEffect&)> listener_;
};

}  // namespace mahjong
