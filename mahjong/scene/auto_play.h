#pragma once
// Auto-play: the client plays the own seat by itself. It wins whenever the
// hu button is offered, takes kongs and pungs, passes on everything else,
// replaces flowers, and discards the tile that a weighted look at the hand
// can spare best. It acts on every second tick of the turn clock.
//
//   AIWeights          the ten [AI] weights of the program INI
//   ScoreTiles         how well a hand holds together without one of its tiles
//   CAutoPlay          the switch's settings, the tick count, the discard
//                      choice and one step of play
//   AutoPlayMoves      what a step does through the scene it plays for

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "mahjong/scene/mj_struct.h"

namespace mahjong {

class CMJTableSceneBase;

// Tile kinds (suit x 10 + rank) 0-48: suits 1-29, honours 31-37, flowers 41-48.
inline constexpr int32_t kKindSlots = 49;
using KindCounts = std::array<int32_t, kKindSlots>;
// Exposed meld tiles per suit (kind / 10).
using SuitCounts = std::array<int32_t, 5>;

// Read in this order from [AI]. Gang, 258Jiang, 258, Feng and 7dui are kept
// but no step of the scoring weighs them.
struct AIWeights {
    uint32_t shape = 1;      // per tile of the tile's own suit
    uint32_t shun = 50;      // a complete chow twice, a two-tile chow once
    uint32_t jiang = 100;    // the eyes, and each further live pair
    uint32_t pnpn = 200;     // a pung
    uint32_t gang = 205;     // unused
    uint32_t jiang258 = 20;  // unused
    uint32_t w258 = 100;     // unused
    uint32_t feng = 100;     // unused
    uint32_t qidui = 200;    // unused
    uint32_t use = 5;        // a pair or pung whose kind still has unseen tiles
};

// The score of a hand without the tile at `skip`. `kinds` holds the kind of
// each hand position (-1 for none) up to the hand-tile count. Arithmetic
// wraps at 32 bits as the unsigned weights make it.
int32_t ScoreTiles(std::span<const int32_t> kinds, const KindCounts& unseen,
                   const SuitCounts& meldSuits, int32_t skip, const AIWeights& weights);

// The scene's commands that a step of auto-play uses.
class AutoPlayMoves {
  public:
    virtual ~AutoPlayMoves() = default;
    // The operation button (ClaimButton) can be clicked.
    virtual bool IsOffered(int32_t button) const = 0;
    virtual void OnHu() = 0;
    virtual void OnKong() = 0;
    virtual void OnPeng() = 0;
    virtual void OnPass() = 0;
    virtual int32_t DoConcealedKong(int32_t tile) = 0;
    virtual int32_t DoAddedKong(int32_t tile) = 0;
    virtual int32_t ReplaceFlower(int32_t position) = 0;
    virtual int32_t DiscardTile(int32_t position) = 0;
};

// The chat line of auto-play switched on (true) or off.
std::string AutoPlayChatLine(bool on);

class CAutoPlay {
  public:
    // [AI] "bn_Robot", read with the scene's settings.
    void LoadSettings(const std::string& iniPath);
    // The ten weights, read when the game data is set up.
    void LoadAIWeights(const std::string& iniPath);
    const AIWeights& Weights() const { return weights_; }
    void SetWeights(const AIWeights& weights) { weights_ = weights; }
    // Auto-play switches itself on at every game start.
    bool RobotSwitch() const { return robot_ != 0; }

    // A successful start counts the ticks anew.
    void ResetTicks() { ticks_ = 0; }
    int32_t Ticks() const { return ticks_; }

    // One tick of the turn clock while auto-play is on; a looker never acts.
    void AutoPlayStep(const CMJTableSceneBase& scene, AutoPlayMoves& moves);
    // The own hand position (0-31) to discard.
    int32_t ChooseAutoDiscard(const CMJTableSceneBase& scene) const;

  private:
    // After the kong command: the kong of the one kind it left choosable;
    // 1 when it was made.
    int32_t KongOfChoosableKind(const CMJTableSceneBase& scene, AutoPlayMoves& moves) const;

    AIWeights weights_;
    int32_t ticks_ = 0;
    int32_t threshold_ = 2;
    int32_t robot_ = 0;
};

}  // namespace mahjong
