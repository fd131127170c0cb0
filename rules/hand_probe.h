#pragma once
// A hand summed up as bit masks of its kinds and the wildcard masks of its
// groups, so that whether CheckShapes wins on the hand less a tile or two (or
// plus one) takes a few bit operations: the wait checkers ask that of every
// rest they try, and the combined test of the hand with its winning tile.

#include <cstdint>
#include <initializer_list>

#include "rules/group_value.h"
#include "rules/hand_count.h"

namespace rules::detail {

inline constexpr uint64_t KindBit(int k) {
    return uint64_t(1) << k;
}
inline constexpr uint64_t kHonourKinds = uint64_t(0x7F) << 31;  // 31-37
inline constexpr uint64_t kKinds258 = KindBit(2) | KindBit(5) | KindBit(8) | KindBit(12) |
                                      KindBit(15) | KindBit(18) | KindBit(22) | KindBit(25) |
                                      KindBit(28);
inline constexpr uint64_t kNineKinds =
    KindBit(9) | KindBit(19) | KindBit(29) | KindBit(39) | KindBit(49) | KindBit(59);

// The kinds of a valid hand (every count 0-4) by what it holds of them.
struct KindMasks {
    uint64_t present = 0;  // bit k: one or more of kind k
    uint64_t pairs = 0;    // two or more
    uint64_t odd = 0;      // an odd number
};

// Reads the counts once: whether they are a hand at all (HandCountsValid),
// and when they are, the kind masks and the number of tiles.
bool SummariseHand(const TileCountArray& counts, KindMasks* masks, int32_t* tiles);

// The kinds that the installed honour-or-flower hook refuses a hand for, when
// the hooks are this game's own (then true); the shapes read the honour hook.
bool StandardHookKinds(uint64_t* refused);

// Whether one whole-hand shape (its bit) takes the hand: `total` counts its
// tiles and wildcards. For this game's hooks, without option 0x4.
bool ShapeTakes(uint32_t shape, const KindMasks& m, int64_t total, int32_t jokers,
                RuleOptions options);

enum class Verdict {
    kWins,
    kLoses,           // after clearing the result
    kLosesUntouched,  // before clearing it: the hand holds a refused kind
    kUnknown,         // the full test must tell
};

class HandProbe {
  public:
    // Summarises a hand for the given call (the counts must outlive the
    // probe); false, and every answer unknown, when the probe does not apply:
    // other hooks, option 0x4, a count outside 0-4 or tiles in the slots of
    // no kind, or honour chows with honours in hand.
    bool Reset(const TileCountArray& hand, RuleOptions options, uint32_t allowed, uint32_t mode);
    bool usable() const { return usable_; }
    const TileCountArray& hand() const { return *hand_; }

    // CheckShapes on the hand less one tile of each kind in `taken` (held).
    Verdict Without(std::initializer_list<int> taken, int32_t jokers, bool pairTaken) const;
    // CheckShapes on the hand plus one tile of kind k (a kind 1-63).
    Verdict With(int k, int32_t jokers, bool pairTaken) const;

  private:
    struct Change {
        int kind;
        int delta;
    };
    Verdict Check(const Change* changes, int n, int32_t jokers, bool pairTaken) const;
    void MakeGroups() const;
    uint64_t Others(int group) const;
    GroupMask LoneMask(const Change* changes, int n) const;

    const TileCountArray* hand_ = nullptr;
    bool usable_ = false;
    RuleOptions options_ = 0;
    uint32_t allowed_ = 0;
    uint32_t shapeMode_ = 0;  // the shape bit of the call's mode that restricts the test
    uint64_t refused_ = 0;
    KindMasks masks_;
    int32_t tiles_ = 0;
    // The groups, made on first use: three suits and the lone kinds from 30
    // up as one.
    mutable bool grouped_ = false;
    mutable int32_t codes_[3] = {0, 0, 0};
    mutable GroupMask group_[4] = {};
    mutable uint8_t present_ = 0;  // bit g: group g holds tiles
    // The groups other than g summed up (4: all of them), made on first use.
    mutable uint64_t others_[5] = {};
    mutable uint8_t othersKnown_ = 0;
};

}  // namespace rules::detail
