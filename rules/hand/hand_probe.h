#pragma once
// A hand summed up as bit masks of its kinds and the wildcard masks of its
// groups, so that whether CheckShapes wins on the hand less a tile or two (or
// plus one) takes a few bit operations: the wait checkers ask that of every
// rest they try, and the combined test of the hand with its winning tile.

#include <cstdint>
#include <initializer_list>

#include "rules/hand/group_value.h"
#include "rules/hand/hand_summary.h"

namespace rules::detail {

enum class Verdict {
    kWins,
    kLoses,           // after clearing the result
    kLosesUntouched,  // before clearing it: the hand holds a refused kind
    kUnknown,         // the full test must tell
};

class HandProbe {
  public:
    // Summarises a hand for the given call: the counts with the kinds emptyA
    // and emptyB (-1: none) as empty (the counts must outlive the probe).
    // False, and every answer unknown, when the probe does not apply: other
    // hooks, option 0x4, a count outside 0-4 or tiles in the slots of no
    // kind, or honour chows with honours in hand.
    bool Reset(const TileCountArray& counts, TileIndex emptyA, TileIndex emptyB,
               RuleOptions options, uint32_t allowed, uint32_t mode);
    bool Reset(const TileCountArray& hand, RuleOptions options, uint32_t allowed, uint32_t mode) {
        return Reset(hand, -1, -1, options, allowed, mode);
    }
    bool usable() const { return usable_; }
    // The hand's summary (when usable).
    const HandSummary& summary() const { return summary_; }

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
    Verdict SuitCheck(const Change* changes, int n, int suit, int32_t jokers, bool pairTaken) const;
    void MakeGroups() const;
    uint64_t Others(int group) const;
    uint64_t Context(int suit, int32_t jokers, bool pairTaken) const;
    GroupMask LoneMask(const Change* changes, int n) const;
    int32_t Count(int k) const { return k == emptyA_ || k == emptyB_ ? 0 : (*counts_)[size_t(k)]; }

    // All set by Reset (a probe is made for every call, and not set before).
    const TileCountArray* counts_;
    TileIndex emptyA_, emptyB_;
    bool usable_ = false;
    RuleOptions options_;
    uint32_t allowed_;
    uint32_t shapeMode_;   // the shape bit of the call's mode that restricts the test
    uint32_t liveShapes_;  // the allowed shapes that some rest may take
    int oddKinds_;         // kinds held an odd number of times
    int missingHonours_;   // honour kinds not held
    bool refusedHeld_;     // the hand holds a kind the hooks refuse
    uint64_t refused_;
    HandSummary summary_;
    // The groups, made on first use: three suits and the lone kinds from 30
    // up as one.
    mutable bool grouped_;
    mutable int32_t codes_[3];
    mutable GroupMask group_[4];
    mutable uint8_t present_;  // bit g: group g holds tiles
    // The groups other than g summed up (4: all of them), made on first use.
    mutable uint64_t others_[5];
    mutable uint8_t othersKnown_;
    // What the groups other than a suit leave to complete, by suit, pair
    // state and wildcards (bit j of known: made for j wildcards).
    mutable uint64_t context_[3][2][kMaskMaxJokers + 1];
    mutable uint16_t contextKnown_[3][2];
};

}  // namespace rules::detail
