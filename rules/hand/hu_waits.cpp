// The wait checkers: how the winning tile completed the hand. Each first
// requires the hand to win at all, then looks at the hand in one or two views
// (jokers as their own kind with option 0x8; jokers as wildcards) for the meld
// the winning tile completes, and checks that the rest of the hand wins.

#include <algorithm>
#include <array>
#include <bit>
#include <initializer_list>
#include <optional>
#include <utility>

#include "rules/hand/hand_probe.h"
#include "rules/hand/hu.h"
#include "rules/hand/hu_internal.h"
#include "rules/hand/wait_checkers.h"

namespace rules {
namespace {

using detail::Verdict;

struct Call {
    const TileCountArray& counts;
    TileId tile;
    TileId jokerA, jokerB;
    RuleOptions options;
    uint32_t allowed;
    HuResult& result;
    uint32_t mode;
    mutable bool cleared = false;  // the result is known to be all zero
    // Only whether the checker wins is asked (the result is then rewritten).
    bool quiet = false;
};

// The hand as one view sees it: counts without the winning tile, the
// wildcards in hand, and the winning tile's kind as the meld reads it. A view
// reads the call's counts, with the joker kinds as empty when they are
// wildcards here; only a view that moves the substitute tiles (option 0x4)
// keeps counts of its own.
struct View {
    const TileCountArray* counts = nullptr;
    TileIndex emptyA = -1, emptyB = -1;
    int32_t nA = 0, nB = 0;
    TileIndex kind = 0;
    bool winIsWild = false;  // the winning tile is a joker used as a wildcard
    bool jokersOn = false;
    TileIndex idxA = 0, idxB = 0;
    TileIndex winJokerKind = 0;
    int32_t Jokers() const { return SumJokers(nA, nB); }
    int32_t Count(int k) const { return k == emptyA || k == emptyB ? 0 : (*counts)[size_t(k)]; }
    bool Has(int k) const { return k >= 1 && k < kCountSlots && Count(k) > 0; }
    // The kinds (bit k) held `least` (1 or 2) times or more.
    uint64_t Kinds(const Call& call, int least) const {
        const detail::HandProbe& probe = Probe(call.options, call.allowed, call.mode);
        if (probe.usable()) {
            return least > 1 ? probe.summary().masks.pairs : probe.summary().masks.present;
        }
        uint64_t kinds = 0;
        for (int k = 1; k < kCountSlots; ++k)
            kinds |= uint64_t(Count(k) >= least) << k;
        return kinds;
    }
    // The view's hand less one tile of each kind in `taken`.
    TileCountArray Rest(std::initializer_list<int> taken) const {
        TileCountArray rest = *counts;
        if (emptyA >= 0) rest[size_t(emptyA)] = 0;
        if (emptyB >= 0) rest[size_t(emptyB)] = 0;
        for (int k : taken)
            --rest[size_t(k)];
        return rest;
    }
    void Own(const TileCountArray& from) {
        own_ = from;
        counts = &own_;
    }

    // What CheckShapes makes of the hand less a few tiles, summed up on first
    // use (the view stays in place from then on).
    const detail::HandProbe& Probe(RuleOptions options, uint32_t allowed, uint32_t mode) const {
        if (!probed_) {
            probe_.Reset(*counts, emptyA, emptyB, options, allowed, mode);
            probed_ = true;
        }
        return probe_;
    }

  private:
    TileCountArray own_;
    mutable bool probed_ = false;
    mutable detail::HandProbe probe_;
};

// The views of one call, in the order they are tried: jokers as their own
// kind (option 0x8, when there are any), then jokers as wildcards. Built in
// place, as views point into themselves.
struct Views {
    std::array<View, 2> view;
    int count = 0;

    Views(const TileCountArray& counts, TileId tile, TileId jokerA, TileId jokerB, RuleOptions o) {
        const bool jokersOn = (o & kOptJokers) && jokerA != -1;
        TileIndex idxA = 0, idxB = 0;
        if (jokersOn) JokerIdsToIndices(jokerA, jokerB, o, &idxA, &idxB);
        const TileIndex tileKind = TileKindOrZero(tile, o);
        if (tileKind == 0) return;
        const bool tileIsJoker = jokersOn && IsJokerTile(tile, jokerA, jokerB, o);
        TileIndex kind = tileKind;
        const bool substitute = jokersOn && (o & kOptSubstitute);
        if (substitute && idxA > 0 && tileKind == SubstituteIndexOfTiles(jokerA, jokerB, o)) {
            kind = idxA;  // the substitute tile stands for joker A's kind
        }
        auto add = [&]() -> View& {
            View& v = view[size_t(count++)];
            v.counts = &counts;
            v.jokersOn = jokersOn;
            v.kind = kind;
            v.winJokerKind = tileIsJoker ? tileKind : 0;
            return v;
        };
        TileIndex ignored = 0;
        int32_t b = 0;
        if (jokersOn && (o & kOptJokersAsTiles)) {
            int32_t jokersInHand = SumJokers(CountJokersInCounts(counts, jokerA, jokerB, o, &b), b);
            if (jokersInHand > 0 || tileIsJoker) {
                View& v = add();
                // The jokers stay as their own kind; only the substitute moves.
                if (substitute) {
                    TileCountArray moved = counts;
                    ExtractJokers(moved, -1, jokerA, jokerB, &ignored, o, 1, &b);
                    v.Own(moved);
                }
            }
        }
        View& v = add();
        v.idxA = idxA;
        v.idxB = idxB;
        if (substitute) {
            TileCountArray moved = counts;
            v.nA = ExtractJokers(moved, -1, jokerA, jokerB, &ignored, o, 0, &v.nB);
            v.Own(moved);
        } else if (jokersOn) {
            // ExtractJokers without the substitute: the joker kinds leave the
            // hand as the wildcard counters.
            if (jokerA >= 0 && idxA != 0) {
                v.nA = counts[size_t(idxA)];
                v.emptyA = idxA;
            }
            if (jokerB >= 0 && idxB != 0) {
                v.nB = v.Count(idxB);
                v.emptyB = idxB;
            }
        }
        v.winIsWild = tileIsJoker;
    }
    Views(const Views&) = delete;
    Views& operator=(const Views&) = delete;

    // The view of jokers as wildcards, the only one without option 0x8.
    const View* Wild() const { return count > 0 ? &view[size_t(count - 1)] : nullptr; }
};

template <typename Each>
bool ForEachView(const Views& views, Each each) {
    for (int i = 0; i < views.count; ++i) {
        if (each(views.view[size_t(i)])) return true;
    }
    return false;
}

template <typename Each>
bool ForEachView(const Call& call, Each each) {
    const Views views(call.counts, call.tile, call.jokerA, call.jokerB, call.options);
    return ForEachView(views, each);
}

// The rest of the hand, after the meld took `taken` from the view's hand and
// `jokers` wildcards, must win; then the meld is recorded after the rest's.
bool RestWins(const Call& call, const View& v, std::initializer_list<int> taken, int32_t jokers,
              bool pairTaken, const detail::WaitMeld& meld, int32_t waitBit) {
    for (int k : taken) {
        if (k < 1 || k >= kCountSlots) return false;
        int32_t need = 0;
        for (int other : taken)
            need += other == k;
        if (v.Count(k) < need) return false;
    }
    int32_t nA = v.nA, nB = v.nB, savedA, savedB;
    if (TakeJokers(&savedA, &savedB, &nA, &nB, jokers) != jokers) return false;
    int32_t usedA = savedA - nA, usedB = savedB - nB;
    TileId ja = v.idxA || v.idxB ? call.jokerA : -1, jb = v.idxA || v.idxB ? call.jokerB : -1;
    // The probe answers as the full test of the rest would, without a search.
    Verdict verdict = Verdict::kUnknown;
    if (detail::g_winningShortcut.load(std::memory_order_relaxed)) {
        verdict = v.Probe(call.options, call.allowed, call.mode)
                      .Without(taken, SumJokers(nA, nB), pairTaken);
    }
    if (verdict == Verdict::kLosesUntouched) return false;
    if (verdict == Verdict::kLoses) {
        if (!call.cleared) {
            ClearHuResult(call.result);
            call.cleared = true;
        }
        return false;
    }
    if (verdict == Verdict::kWins && call.quiet) return true;
    const TileCountArray rest = v.Rest(taken);
    call.cleared = false;
    int32_t shapes;
    if (verdict == Verdict::kWins) {
        // The probe's summary less the tiles taken is the rest's summary.
        detail::HandSummary summary = v.Probe(call.options, call.allowed, call.mode).summary();
        for (const int* k = taken.begin(); k != taken.end(); ++k)
            summary.Take(*k, rest[size_t(*k)] + int32_t(std::count(k, taken.end(), *k)));
        shapes = detail::CheckShapesOf(rest, summary, nA, nB, ja, jb, v.kind, call.options,
                                       call.allowed, call.result, call.mode, pairTaken);
    } else {
        shapes = detail::CheckShapes(rest, nA, nB, ja, jb, v.kind, call.options, call.allowed,
                                     call.result, call.mode, pairTaken);
    }
    if (!shapes) return false;
    // The winning tile itself, when a wildcard, is charged to its own kind.
    TileIndex idxA = v.idxA, idxB = v.idxB;
    if (v.winIsWild) {
        if (v.winJokerKind == idxA) {
            ++usedA;
        } else {
            ++usedB;
        }
    }
    if (meld.tilesOnly) {
        AddMeldTiles(call.result, meld.type, meld.tiles[0], meld.tiles[1], meld.tiles[2], 0);
    } else if (meld.k == 0) {
        AddMeldEx(call.result, meld.type, usedA, usedB, idxA, idxB);
    } else {
        AddMeld(call.result, meld.type, meld.k, usedA, usedB, idxA, idxB, meld.jokerPlace,
                meld.gapPlace);
    }
    call.result.waits |= waitBit;
    return true;
}

// The anchors a (bits) of a checker's loop whose rests may win: the view's
// hand less a tile of a + d1, and of a + d2 when d2 is not negative, with
// `spent` wildcards spent. The probe refuses the others at once, leaving the
// result as their full tests would (cleared once one got that far: the same
// in any order, and a rest that wins rewrites it anyway).
uint64_t MayWin(const Call& call, const View& v, uint64_t anchors, int d1, int d2, int32_t spent,
                bool pairTaken) {
    if (!detail::g_winningShortcut.load(std::memory_order_relaxed)) return anchors;
    const detail::HandProbe& probe = v.Probe(call.options, call.allowed, call.mode);
    if (!probe.usable()) return anchors;
    // (With the probe in use the counters are those of a hand, not negative.)
    if (v.Jokers() < spent) return 0;
    const int32_t jokers = v.Jokers() - spent;
    uint64_t may = 0;
    for (; anchors; anchors &= anchors - 1) {
        const int a = std::countr_zero(anchors);
        const Verdict verdict = d2 < 0 ? probe.Without({a + d1}, jokers, pairTaken)
                                       : probe.Without({a + d1, a + d2}, jokers, pairTaken);
        if (verdict == Verdict::kLoses) {
            if (!call.cleared) {
                ClearHuResult(call.result);
                call.cleared = true;
            }
        } else if (verdict != Verdict::kLosesUntouched) {
            may |= uint64_t(1) << a;
        }
    }
    return may;
}

// The checkers' searches (wait_checkers.h) on one view of a call.
class ViewContext {
  public:
    ViewContext(const Call& call, const View& v) : call_(call), v_(v) {}
    TileIndex kind() const { return v_.kind; }
    bool winIsWild() const { return v_.winIsWild; }
    bool jokersOn() const { return v_.jokersOn; }
    int32_t Jokers() const { return v_.Jokers(); }
    TileIndex idxA() const { return v_.idxA; }
    TileIndex idxB() const { return v_.idxB; }
    RuleOptions options() const { return call_.options; }
    uint32_t mode() const { return call_.mode; }
    bool SelfDrawn() const { return call_.mode & kModeSelfDrawn; }
    bool Has(int k) const { return v_.Has(k); }
    int32_t Count(int k) const { return v_.Count(k); }
    uint64_t Kinds(int least) const { return v_.Kinds(call_, least); }
    int rank() const {
        const TileIndex k = v_.kind;
        if (k < 1 || k >= 30 || k % 10 == 0) return 0;
        const bool suited = !HookHonour(k, call_.jokerA, call_.jokerB, call_.options) &&
                            !HookHonourOrFlower(k, call_.jokerA, call_.jokerB, call_.options);
        return suited ? k % 10 : 0;
    }
    bool Honour(TileIndex k) const {
        return HookHonour(k, call_.jokerA, call_.jokerB, call_.options) != 0;
    }
    bool RestWins(std::initializer_list<int> taken, int32_t jokers, bool pairTaken,
                  const detail::WaitMeld& meld, int32_t waitBit, bool = false) const {
        return rules::RestWins(call_, v_, taken, jokers, pairTaken, meld, waitBit);
    }
    uint64_t MayWin(uint64_t anchors, int d1, int d2, int32_t spent, bool pairTaken) const {
        return rules::MayWin(call_, v_, anchors, d1, d2, spent, pairTaken);
    }

  private:
    const Call& call_;
    const View& v_;
};

bool PairInView(const Call& call, const View& v) {
    return detail::PairWait(ViewContext(call, v));
}
bool PungInView(const Call& call, const View& v) {
    return detail::PungWait(ViewContext(call, v));
}
bool MiddleInView(const Call& call, const View& v) {
    return detail::MiddleWait(ViewContext(call, v));
}
bool EdgeInView(const Call& call, const View& v) {
    return detail::EdgeWait(ViewContext(call, v));
}
bool ChowInView(const Call& call, const View& v) {
    return detail::ChowWait(ViewContext(call, v));
}

// What the combined test works out once for all its checkers: the views of
// the hand, when the plain test is known to win.
struct Shared {
    const Views* views = nullptr;
    bool quiet = false;  // see Call
};

// A checker after the plain test. With shared views the plain test is known
// to win, and its result is not copied in: a checker that wins rewrites the
// whole result, and when all fail the shape checks that follow clear it.
template <typename Checker>
int32_t RunChecker(const TileCountArray& counts, TileId tile, TileId jokerA, TileId jokerB,
                   RuleOptions options, uint32_t allowed, HuResult& result, uint32_t mode,
                   Checker checker, const Shared& shared = {}) {
    if (!shared.views &&
        !TryHuWithJokers(counts, tile, jokerA, jokerB, options, allowed, result, mode)) {
        return 0;
    }
    Call call{counts, tile, jokerA, jokerB, options, allowed, result, mode};
    call.quiet = shared.quiet;
    auto each = [&](const View& v) { return checker(call, v); };
    bool ok = shared.views ? ForEachView(*shared.views, each) : ForEachView(call, each);
    return ok ? 8 : 0;
}

// The joker-pair wait. When asked, *pairWins tells how its pair-wait step
// went (the pair-wait checker that follows would do the same again); when it
// won and the joker pair did not, the result holds the pair wait's melds.
int32_t JokerPair(const TileCountArray& counts, TileId tile, TileId jokerA, TileId jokerB,
                  RuleOptions options, uint32_t allowed, HuResult& result, uint32_t mode,
                  const Shared& shared, int* pairWins) {
    if (!(options & kOptJokers) || (mode & (kModeRestricted1 | kModeRestricted4))) return 0;
    auto pairStep = [&](bool quiet) {
        Shared s = shared;
        s.quiet = quiet;
        return RunChecker(counts, tile, jokerA, jokerB, options, allowed, result, mode, PairInView,
                          s);
    };
    // A joker-pair step that wins rewrites the whole result, so while it may
    // still win, the pair-wait step needs only to tell whether it wins; its
    // melds are searched for when the joker-pair step has failed.
    bool lazy = false;
    if (pairWins && shared.views) {
        for (int i = 0; i < shared.views->count; ++i) {
            const View& v = shared.views->view[size_t(i)];
            lazy = lazy || (v.jokersOn && v.Jokers() >= 1);
        }
    }
    int32_t pair;
    if (lazy) {
        detail::AcceptOnlyScope scope;
        pair = pairStep(true);
    } else {
        pair = pairStep(false);
    }
    if (pairWins) *pairWins = pair != 0;
    if (!pair) return 0;
    Call call{counts, tile, jokerA, jokerB, options, allowed, result, mode};
    auto each = [&](const View& v) {
        if (!v.jokersOn || v.Jokers() < 1) return false;
        detail::WaitMeld m{kMeldPair, v.winIsWild ? 0 : v.kind};
        return RestWins(call, v, {}, 1, true, m, kWaitJokerPair);
    };
    bool ok = shared.views ? ForEachView(*shared.views, each) : ForEachView(call, each);
    if (ok) return 8;
    // Wins as it did above, now recording its melds.
    if (lazy && !pairStep(false)) *pairWins = 0;  // cannot happen: the same step, the same answer
    return 0;
}

int32_t ShapeCheck(const TileCountArray& counts, TileId tile, TileId jokerA, TileId jokerB,
                   RuleOptions options, uint32_t allowed, HuResult& result, uint32_t mode,
                   uint32_t bit) {
    if (!TryHuWithJokers(counts, tile, jokerA, jokerB, options, allowed, result, mode | bit))
        return 0;
    result.shapes |= int32_t(bit);
    return 8;
}

}  // namespace

int32_t HuByPairWait(const TileCountArray& counts, TileId tile, TileId jokerA, TileId jokerB,
                     RuleOptions options, uint32_t allowed, HuResult& result, uint32_t mode) {
    return RunChecker(counts, tile, jokerA, jokerB, options, allowed, result, mode, PairInView);
}

int32_t HuByJokerPairWait(const TileCountArray& counts, TileId tile, TileId jokerA, TileId jokerB,
                          RuleOptions options, uint32_t allowed, HuResult& result, uint32_t mode) {
    return JokerPair(counts, tile, jokerA, jokerB, options, allowed, result, mode, {}, nullptr);
}

int32_t HuByPungWait(const TileCountArray& counts, TileId tile, TileId jokerA, TileId jokerB,
                     RuleOptions options, uint32_t allowed, HuResult& result, uint32_t mode) {
    return RunChecker(counts, tile, jokerA, jokerB, options, allowed, result, mode, PungInView);
}

int32_t HuByMiddleWait(const TileCountArray& counts, TileId tile, TileId jokerA, TileId jokerB,
                       RuleOptions options, uint32_t allowed, HuResult& result, uint32_t mode) {
    return RunChecker(counts, tile, jokerA, jokerB, options, allowed, result, mode, MiddleInView);
}

int32_t HuByEdgeWait(const TileCountArray& counts, TileId tile, TileId jokerA, TileId jokerB,
                     RuleOptions options, uint32_t allowed, HuResult& result, uint32_t mode) {
    return RunChecker(counts, tile, jokerA, jokerB, options, allowed, result, mode, EdgeInView);
}

int32_t HuByChowWait(const TileCountArray& counts, TileId tile, TileId jokerA, TileId jokerB,
                     RuleOptions options, uint32_t allowed, HuResult& result, uint32_t mode) {
    return RunChecker(counts, tile, jokerA, jokerB, options, allowed, result, mode, ChowInView);
}

int32_t HuCheckMode16(const TileCountArray& counts, TileId tile, TileId jokerA, TileId jokerB,
                      RuleOptions options, uint32_t allowed, HuResult& result, uint32_t mode) {
    return ShapeCheck(counts, tile, jokerA, jokerB, options, allowed, result, mode, 0x10);
}

int32_t HuCheckMode32(const TileCountArray& counts, TileId tile, TileId jokerA, TileId jokerB,
                      RuleOptions options, uint32_t allowed, HuResult& result, uint32_t mode) {
    return ShapeCheck(counts, tile, jokerA, jokerB, options, allowed, result, mode, 0x20);
}

int32_t HuCheckMode64(const TileCountArray& counts, TileId tile, TileId jokerA, TileId jokerB,
                      RuleOptions options, uint32_t allowed, HuResult& result, uint32_t mode) {
    return ShapeCheck(counts, tile, jokerA, jokerB, options, allowed, result, mode, 0x40);
}

int32_t HuCheckMode128(const TileCountArray& counts, TileId tile, TileId jokerA, TileId jokerB,
                       RuleOptions options, uint32_t allowed, HuResult& result, uint32_t mode,
                       int32_t extra) {
    if (extra != 0 && !(extra & 0x1)) return 0;
    return ShapeCheck(counts, tile, jokerA, jokerB, options, allowed, result, mode, 0x80);
}

int32_t HuCheckModeSpecial(const TileCountArray& counts, TileId tile, TileId jokerA, TileId jokerB,
                           RuleOptions options, uint32_t allowed, HuResult& result, uint32_t mode,
                           int32_t extra) {
    if (extra != 0 && !(extra & 0x2)) return 0;
    return ShapeCheck(counts, tile, jokerA, jokerB, options, allowed, result, mode, 0x1000000);
}

namespace {

// The checkers of the combined test in their order, after the plain test
// (when `shared` holds what it found).
int32_t CombinedTest(const TileCountArray& counts, TileId tile, TileId jokerA, TileId jokerB,
                     RuleOptions options, uint32_t allowed, HuResult& result, uint32_t mode,
                     int32_t extra, const Shared& shared) {
    auto waits = [&] {
        auto wait = [&](auto inView) {
            return RunChecker(counts, tile, jokerA, jokerB, options, allowed, result, mode, inView,
                              shared) != 0;
        };
        // The joker-pair wait runs the pair wait first; when that step failed
        // the pair-wait checker fails the same way, when it won it wins the same way.
        int pairWins = -1;
        if (JokerPair(counts, tile, jokerA, jokerB, options, allowed, result, mode, shared,
                      shared.views ? &pairWins : nullptr))
            return true;
        if (pairWins == 1) return true;
        if (pairWins != 0 && wait(PairInView)) return true;
        return wait(PungInView) || wait(MiddleInView) || wait(EdgeInView) || wait(ChowInView);
    };
    if (waits()) return 8;
    return detail::ShapeChecks(counts, tile, jokerA, jokerB, options, allowed, result, mode, extra);
}

// The plain test of the combined test from the wildcard view's probe, when
// it applies (else -1): TryHuWithJokers' answer, leaving the result as its
// failure would.
int32_t PlainTest(const Views& views, TileId jokerA, TileId jokerB, RuleOptions options,
                  uint32_t allowed, HuResult& result, uint32_t mode) {
    const View* v = views.Wild();
    if (!v || (options & (kOptSubstitute | kOptJokersAsTiles)) || jokerA < -1 || jokerB < -1 ||
        ((options & kOptJokers) && jokerA == -1 && jokerB != -1)) {
        return -1;
    }
    // The view's hand holds all but the jokers, which the probe reads as
    // wildcard counters: those must be counts of a hand too.
    if (v->nA < 0 || v->nA > 4 || v->nB < 0 || v->nB > 4) return -1;
    if (((options & kOptNoHuRestricted1) && (mode & kModeRestricted1)) ||
        ((options & kOptNoHuRestricted4) && (mode & kModeRestricted4))) {
        return 0;
    }
    const detail::HandProbe& probe = v->Probe(options, allowed, mode);
    Verdict verdict;
    if (v->winIsWild && (mode & (kModeRestricted1 | kModeRestricted4))) return 0;
    // The tile joins the wildcards when its kind is a joker's, even when the
    // joker test says no (a flower of rank 10 or more as joker).
    if (v->winIsWild || v->kind == v->emptyA || v->kind == v->emptyB) {
        verdict = probe.Without({}, v->Jokers() + 1, false);
    } else {
        verdict = probe.With(v->kind, v->Jokers(), false);
    }
    switch (verdict) {
        case Verdict::kWins:
            return 8;
        case Verdict::kLoses:
            ClearHuResult(result);
            return 0;
        case Verdict::kLosesUntouched:
            return 0;
        default:
            return -1;
    }
}

}  // namespace

int32_t detail::WinningHandGeneral(const TileCountArray& counts, TileId tile, TileId jokerA,
                                   TileId jokerB, RuleOptions options, uint32_t allowed,
                                   HuResult& result, uint32_t mode, int32_t extra) {
    if (!detail::g_winningShortcut.load(std::memory_order_relaxed)) {
        return CombinedTest(counts, tile, jokerA, jokerB, options, allowed, result, mode, extra,
                            {});
    }
    // Every wait checker first runs the plain test with these same arguments:
    // it runs once here. Without a shape restriction in mode its failure fails
    // every checker; a failing test leaves the result the same however often
    // it runs, so running it ahead changes nothing. Only whether it wins is
    // asked: a wait checker that wins rewrites the whole result, so the plain
    // test's melds are never seen.
    const Views views(counts, tile, jokerA, jokerB, options);
    int32_t ok = PlainTest(views, jokerA, jokerB, options, allowed, result, mode);
    if (ok < 0) {
        detail::AcceptOnlyScope scope;
        ok = TryHuWithJokers(counts, tile, jokerA, jokerB, options, allowed, result, mode);
    }
    if (ok) {
        return CombinedTest(counts, tile, jokerA, jokerB, options, allowed, result, mode, extra,
                            {&views});
    }
    if (!(mode & kShapeBits)) return 0;
    return CombinedTest(counts, tile, jokerA, jokerB, options, allowed, result, mode, extra, {});
}

namespace detail {

int32_t ShapeChecks(const TileCountArray& counts, TileId tile, TileId jokerA, TileId jokerB,
                    RuleOptions options, uint32_t allowed, HuResult& result, uint32_t mode,
                    int32_t extra) {
    // When every wait checker failed, the plain test's melds would still not
    // be seen: the seven-pairs check runs the same plain test restricted to
    // one shape, which clears the result as far as the first one got.
    using Checker = int32_t (*)(const TileCountArray&, TileId, TileId, TileId, RuleOptions,
                                uint32_t, HuResult&, uint32_t);
    for (Checker check : {HuCheckMode16, HuCheckMode32, HuCheckMode64}) {
        if (check(counts, tile, jokerA, jokerB, options, allowed, result, mode)) return 8;
    }
    if (HuCheckMode128(counts, tile, jokerA, jokerB, options, allowed, result, mode, extra))
        return 8;
    return HuCheckModeSpecial(counts, tile, jokerA, jokerB, options, allowed, result, mode, extra)
               ? 8
               : 0;
}

bool SetWinningShortcutForTesting(bool enabled) {
    return detail::g_winningShortcut.exchange(enabled);
}
}  // namespace detail

}  // namespace rules
