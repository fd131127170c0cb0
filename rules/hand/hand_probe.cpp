#include "rules/hand/hand_probe.h"

#include <array>
#include <bit>

#include "rules/hand/decompose.h"
#include "rules/hand/group_tables.h"

namespace rules::detail {
namespace {

// Each kind's suit (3: none) and the weight of its rank in the suit's
// code.
constexpr auto kSuitOfKind = [] {
    std::array<uint8_t, kCountSlots> suits{};
    for (int k = 0; k < kCountSlots; ++k)
        suits[size_t(k)] = uint8_t(k < 30 && k % 10 ? k / 10 : 3);
    return suits;
}();
constexpr auto kPowerOfKind = [] {
    std::array<int32_t, kCountSlots> powers{};
    for (int k = 1; k < 30; ++k)
        powers[size_t(k)] = k % 10 ? kSuitWeight[k % 10 - 1] : 0;
    return powers;
}();

constexpr uint32_t kShapeOrder[] = {kShapeSevenPairs, kShapeKnitted, kShapeSevenHonours,
                                    kShapeAllHonours, kShape258};

}  // namespace

bool HandProbe::Reset(const TileCountArray& counts, TileIndex emptyA, TileIndex emptyB,
                      RuleOptions options, uint32_t allowed, uint32_t mode) {
    counts_ = &counts;
    emptyA_ = emptyA;
    emptyB_ = emptyB;
    options_ = options;
    allowed_ = allowed;
    shapeMode_ = 0;
    for (uint32_t shape : kShapeOrder) {
        if (mode & shape) {
            shapeMode_ = shape;
            break;
        }
    }
    othersKnown_ = 0;
    for (auto& known : contextKnown_)
        known[0] = known[1] = 0;
    grouped_ = false;
    usable_ = !(options & kOptSubstitute) && StandardHookKinds(&refused_) &&
              SummariseHand(counts, &summary_);
    if (!usable_) return false;
    if (emptyA > 0 && emptyA < kCountSlots) summary_.Empty(emptyA, counts[size_t(emptyA)]);
    if (emptyB > 0 && emptyB < kCountSlots && emptyB != emptyA)
        summary_.Empty(emptyB, counts[size_t(emptyB)]);
    usable_ = !((options & kOptHonourChows) && (summary_.masks.present & kHonourKinds));
    // Shapes that no rest can take (one tile more, or two fewer, change a
    // hand's kinds by at most two): knitted needs no pair, all honours and
    // all 2-5-8 no other kind, seven honours with option 0x400000 all seven.
    const KindMasks& m = summary_.masks;
    refusedHeld_ = (m.present & refused_) != 0;
    liveShapes_ = allowed & kShapeBits;
    auto prune = [&](uint32_t shape, uint64_t kinds, int most) {
        if ((liveShapes_ & shape) && CountBits(kinds) > most) liveShapes_ &= ~shape;
    };
    prune(kShapeKnitted, m.pairs, 2);
    prune(kShapeAllHonours, m.present & ~kHonourKinds, 2);
    prune(kShape258, m.present & ~kKinds258, 2);
    if (options & kOptNoJokerSevenHonours) prune(kShapeSevenHonours, kHonourKinds & ~m.present, 1);
    // (Read only for the shapes still live.)
    if (liveShapes_ & kShapeSevenPairs) oddKinds_ = CountBits(m.odd);
    if (liveShapes_ & kShapeSevenHonours) missingHonours_ = CountBits(kHonourKinds & ~m.present);
    return usable_;
}

void HandProbe::MakeGroups() const {
    present_ = 0;
    for (int s = 0; s < 3; ++s) {
        const int32_t code = summary_.SuitCode(s);
        codes_[s] = code;
        group_[s] = SuitMask(code);
        present_ |= uint8_t(code != 0) << s;
    }
    if (summary_.masks.present >> 30) {
        group_[3] = LoneMask(nullptr, 0);
        present_ |= 8;
    }
    grouped_ = true;
}

GroupMask HandProbe::LoneMask(const Change* changes, int n) const {
    uint64_t kinds = summary_.masks.present >> 30 << 30;
    for (int i = 0; i < n; ++i)
        kinds |= KindBit(changes[i].kind) & ~(KindBit(30) - 1);
    uint64_t bits = kMaskNoTiles;
    for (; kinds; kinds &= kinds - 1) {
        const int k = std::countr_zero(kinds);
        int32_t c = Count(k);
        for (int i = 0; i < n; ++i)
            c += changes[i].kind == k ? changes[i].delta : 0;
        if (c > 0) bits = AddGroup(bits, kSingleMask[c]);
    }
    return MaskFromBits(bits);
}

uint64_t HandProbe::Others(int group) const {
    if (!(othersKnown_ >> group & 1)) {
        uint64_t sum = kMaskNoTiles;
        for (int g = 0; g < 4; ++g) {
            if (g != group && (present_ >> g & 1)) sum = AddGroup(sum, group_[g]);
        }
        others_[group] = sum;
        othersKnown_ |= uint8_t(1u << group);
    }
    return others_[group];
}

// The common case, asked many times over by the checkers: a tile or two of
// one suit, no shape restriction, no honour chows. Honours and refused kinds
// stay as they are in the hand.
Verdict HandProbe::SuitCheck(const Change* changes, int n, int suit, int32_t jokers,
                             bool pairTaken) const {
    if (refusedHeld_) return Verdict::kLosesUntouched;
    KindMasks m = summary_.masks;
    int odd = oddKinds_;
    int32_t code = 0, delta = 0;
    for (int i = 0; i < n; ++i) {
        const int k = changes[i].kind;
        delta += changes[i].delta;
        code += changes[i].delta * kPowerOfKind[size_t(k)];
        if (i == 1 && k == changes[0].kind) continue;  // the same kind, counted once
        int32_t c = summary_.bytes[k] + changes[i].delta;
        if (i == 0 && n == 2 && changes[1].kind == k) c += changes[1].delta;
        if (c < 0 || c > 4) return Verdict::kLosesUntouched;
        const uint64_t bit = KindBit(k);
        m.present = c > 0 ? m.present | bit : m.present & ~bit;
        m.pairs = c > 1 ? m.pairs | bit : m.pairs & ~bit;
        odd += (c & 1) - (summary_.bytes[k] & 1);
    }
    const int64_t total = summary_.tiles + delta + int64_t(jokers);
    for (uint32_t shapes = liveShapes_; shapes; shapes &= shapes - 1) {
        bool takes = false;
        switch (shapes & (0u - shapes)) {
            case kShapeSevenPairs:
                takes = (total == 12 || total == 14) && odd <= jokers;
                break;
            case kShapeSevenHonours:
                takes = missingHonours_ == 0 ||
                        (!(options_ & kOptNoJokerSevenHonours) && missingHonours_ <= jokers);
                break;
            default:  // (the others do not read the odd kinds)
                takes = ShapeTakes(shapes & (0u - shapes), m, total, jokers, options_);
        }
        if (takes) return Verdict::kWins;
    }
    if (total > kMaxDecomposedTiles) return Verdict::kLoses;
    if (!grouped_) MakeGroups();
    return SuitMask(codes_[suit] + code).bits & Context(suit, jokers, pairTaken) ? Verdict::kWins
                                                                                 : Verdict::kLoses;
}

uint64_t HandProbe::Context(int suit, int32_t jokers, bool pairTaken) const {
    uint16_t& known = contextKnown_[suit][pairTaken];
    uint64_t& context = context_[suit][pairTaken][jokers];
    if (!(known >> jokers & 1)) {
        uint64_t left = FinalMask(jokers, pairTaken);
        for (int g = 0; g < 4; ++g) {
            if (g != suit && (present_ >> g & 1)) left = BeforeGroup(left, group_[g]);
        }
        context = left;
        known |= uint16_t(1u << jokers);
    }
    return context;
}

Verdict HandProbe::Check(const Change* changes, int n, int32_t jokers, bool pairTaken) const {
    if (!usable_ || jokers < 0) return Verdict::kUnknown;
    if (n >= 1 && n <= 2 && !shapeMode_ && jokers <= kMaskMaxJokers &&
        !(options_ & kOptHonourChows)) {
        const int k0 = changes[0].kind, k1 = changes[n - 1].kind;
        const int suit = kSuitOfKind[size_t(k0)];
        if (suit < 3 && kSuitOfKind[size_t(k1)] == suit)
            return SuitCheck(changes, n, suit, jokers, pairTaken);
    }
    KindMasks m = summary_.masks;
    int64_t tiles = summary_.tiles;
    int32_t codes[3] = {0, 0, 0};  // the changes to the suits' codes
    unsigned touched = 0;          // bit g: a group that changed
    for (int i = 0; i < n; ++i) {
        const int k = changes[i].kind;
        int32_t c = Count(k);
        for (int j = 0; j < n; ++j)
            c += changes[j].kind == k ? changes[j].delta : 0;
        // A count past four, or a tile in a slot of no kind: no hand at all.
        if (c < 0 || c > 4 || (c > 0 && k % 10 == 0 && k < 30)) return Verdict::kLosesUntouched;
        const uint64_t bit = KindBit(k);
        m.present = c > 0 ? m.present | bit : m.present & ~bit;
        m.pairs = c > 1 ? m.pairs | bit : m.pairs & ~bit;
        m.odd = c & 1 ? m.odd | bit : m.odd & ~bit;
        tiles += changes[i].delta;
        if (k < 30) {
            codes[k / 10] += changes[i].delta * kSuitWeight[k % 10 - 1];
            touched |= 1u << (k / 10);
        } else {
            touched |= 8;
        }
    }
    if (m.present & refused_) return Verdict::kLosesUntouched;
    const int64_t total = tiles + jokers;
    if (shapeMode_) {
        return (allowed_ & shapeMode_) && ShapeTakes(shapeMode_, m, total, jokers, options_)
                   ? Verdict::kWins
                   : Verdict::kLoses;
    }
    for (uint32_t shapes = liveShapes_; shapes; shapes &= shapes - 1) {
        if (ShapeTakes(shapes & (0u - shapes), m, total, jokers, options_)) return Verdict::kWins;
    }
    if (total > kMaxDecomposedTiles) return Verdict::kLoses;
    // Honours with honour chows form groups of their own: the full test.
    if (jokers > kMaskMaxJokers || ((options_ & kOptHonourChows) && (m.present & kHonourKinds)))
        return Verdict::kUnknown;
    if (!grouped_) MakeGroups();
    auto changed = [&](int g) {
        return g < 3 ? SuitMask(codes_[g] + codes[g]) : LoneMask(changes, n);
    };
    // The groups summed up: the others as they were, with the changed ones.
    uint64_t sum;
    if (touched == 0) {
        sum = Others(4);
    } else if ((touched & (touched - 1)) == 0) {
        const int g = std::countr_zero(touched);
        sum = AddGroup(Others(g), changed(g));
    } else {
        sum = kMaskNoTiles;
        for (int g = 0; g < 4; ++g) {
            if (touched >> g & 1) {
                sum = AddGroup(sum, changed(g));
            } else if (present_ >> g & 1) {
                sum = AddGroup(sum, group_[g]);
            }
        }
    }
    return sum & FinalMask(jokers, pairTaken) ? Verdict::kWins : Verdict::kLoses;
}

Verdict HandProbe::Without(std::initializer_list<int> taken, int32_t jokers, bool pairTaken) const {
    Change changes[4];
    int n = 0;
    for (int k : taken) {
        if (n == 4 || k < 1 || k >= kCountSlots) return Verdict::kUnknown;
        changes[n++] = {k, -1};
    }
    return Check(changes, n, jokers, pairTaken);
}

Verdict HandProbe::With(int k, int32_t jokers, bool pairTaken) const {
    if (k < 1 || k >= kCountSlots) return Verdict::kUnknown;
    const Change change{k, +1};
    return Check(&change, 1, jokers, pairTaken);
}

}  // namespace rules::detail
