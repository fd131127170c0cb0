#pragma once
// What the scene asks of the engine's runtime (entity bindings, sounds,
// timed messages, timers, buttons), recorded in order. The engine level
// plays them; without it they are kept, the oldest dropped past a bound.

#include <cstddef>
#include <cstdint>
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
    kDelayedMessage,    // a: delay ms, b: message code, c: view seat (-1 none)
    kStartTimer,        // a: timer id, b: ms
    kStopTimer,         // a: timer id
    kKillTurnTimers,    // the own-turn timers 10 and 11
    kClockPath,         // a: from, b: to; the hand's path (ClockPath) starts
    kEnableButton,      // a: operation button 1-5, b: enable
    kEnableAllButtons,  // a: value
    kBeginOperations,   // the operation buttons placed for a restored round
    kOwnTurn,           // the turn clock ran out, or the claims are over
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
    kPresence,           // a: argument of the presence request 229500
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
        if (effects_.size() >= kBound)
            effects_.erase(effects_.begin(), effects_.begin() + kBound / 2);
        effects_.push_back(std::move(effect));
    }
    const std::vector<SceneEffect>& All() const { return effects_; }
    void Clear() { effects_.clear(); }

  private:
    std::vector<SceneEffect> effects_;
};

}  // namespace mahjong
