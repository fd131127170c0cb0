// The game rule table's hu: the capped meld search and its value, the flower
// value, the score and the extra settlement.

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "rules/table/rule_table.h"
#include "transport/log.h"

namespace rules {
namespace {

int32_t Clamp32(int64_t v) {
    return int32_t(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                       std::numeric_limits<int32_t>::max()));
}

// The honour chows: three kinds, 0 where the joker stands, with the joker
// place and gap of the meld record.
struct HonourChow {
    std::array<TileIndex, 3> kinds;
    int32_t jokerPlace, gap;
};
constexpr HonourChow kHonourChows[] = {{{31, 32, 33}, kNoJokerPlace, 0},
                                       {{31, 32, 34}, kNoJokerPlace, 2},
                                       {{32, 33, 34}, kNoJokerPlace, 0},
                                       {{31, 33, 34}, kNoJokerPlace, 1},
                                       {{35, 36, 37}, kNoJokerPlace, 0},
                                       {{31, 32, 0}, 2, 0},
                                       {{31, 0, 33}, 1, 0},
                                       {{31, 0, 34}, 1, 2},
                                       {{32, 33, 0}, 2, 0},
                                       {{32, 0, 34}, 1, 0},
                                       {{0, 33, 34}, 0, 0},
                                       {{35, 36, 0}, 2, 0},
                                       {{35, 0, 37}, 1, 0},
                                       {{0, 36, 37}, 0, 0}};

}  // namespace

TileCountArray CRuleTable::HandFor(int32_t seat, TileId tile, uint32_t mode) const {
    TileCountArray c = counts_[size_t(seat)];
    TileIndex kind = TileKindOrZero(tile, config_.options);
    if ((mode & kHuSelfDrawn) && kind > 0 && c[size_t(kind)] > 0) --c[size_t(kind)];
    return c;
}

int32_t CRuleTable::CheckHu(int32_t seat, const TileCountArray& counts, TileId tile, uint32_t mode,
                            HuResult& result) {
    const RuleOptions o = config_.options;
    if (((o & kOptNoHuRestricted1) && (mode & kHuOnDiscard)) ||
        ((o & kOptNoHuRestricted4) && (mode & kHuRobbingKong)))
        return 0;
    JokerSearch s;
    s.counts = counts;
    TileIndex winKind = 0;
    // The winning tile goes in with the hand before the honour test.
    s.nA = ExtractJokers(s.counts, tile, jokerTile_, jokerB_, &winKind, o, 0, &s.nB);
    for (int k = 0; k < kCountSlots; ++k) {
        if (s.counts[size_t(k)] < 0 || s.counts[size_t(k)] > 8) return 0;
        if (s.counts[size_t(k)] && IsHonourOrFlowerIndex(k, jokerTile_, jokerB_, o)) return 0;
    }
    if (s.counts[0] || s.nA < 0 || s.nB < 0) return 0;
    JokerIdsToIndices(jokerTile_, jokerB_, o, &s.idxA, &s.idxB);
    s.target = targetValue_;
    CopyHuResult(s.working, result);
    s.working.meldCount = 0;
    evalSeat_ = seat;
    evalTile_ = tile;
    evalMode_ = mode;
    DecomposeWithJokers(s, 0);
    if (s.bestValue > 0) CopyHuResult(result, s.best);
    return s.bestValue;
}

int32_t CRuleTable::DecomposeWithJokers(JokerSearch& s, int32_t pairMade) {
    // The step limit is part of the rule: a search that needs more steps
    // fails, whatever the hand.
    if (s.steps > kSearchStepLimit) return 0;
    ++s.steps;
    TileCountArray& c = s.counts;
    HuResult& w = s.working;
    const int32_t jokers = SumJokers(s.nA, s.nB);
    int32_t savedA = 0, savedB = 0;
    // Spends n jokers and records a meld of type with kind k (0: jokers
    // alone), recurses, and undoes it all when that fails.
    auto tryMeld = [&](int32_t type, TileIndex k, int32_t n, int32_t jokerPlace, int32_t gap,
                       int32_t pair) {
        TakeJokers(&savedA, &savedB, &s.nA, &s.nB, n);
        const int32_t usedA = savedA - s.nA, usedB = savedB - s.nB;
        const int32_t a = savedA, b = savedB;
        const int32_t before = w.meldCount;
        if (k) {
            AddMeld(w, type, k, usedA, usedB, s.idxA, s.idxB, jokerPlace, gap);
        } else {
            AddMeldEx(w, type, usedA, usedB, s.idxA, s.idxB);
        }
        // A full record takes no more melds: such a split is not followed.
        const bool pushed = w.meldCount > before;
        if (pushed && DecomposeWithJokers(s, pair)) return true;
        if (pushed) --w.meldCount;
        RestoreJokers(a, b, &s.nA, &s.nB);
        return false;
    };
    int k = 1;
    while (k < kCountSlots && c[size_t(k)] <= 0)
        ++k;
    if (k == kCountSlots) {
        if (jokers >= 3 && tryMeld(kMeldPung, 0, 3, kNoJokerPlace, 0, pairMade)) return 8;
        if (!pairMade && jokers >= 2 && tryMeld(kMeldPair, 0, 2, kNoJokerPlace, 0, 1)) return 8;
        if (jokers == 0 && pairMade) {
            int32_t v = HuValue(evalSeat_, evalTile_, w, evalMode_);
            if (v > s.bestValue) {
                s.bestValue = v;
                CopyHuResult(s.best, w);
            }
            w.counters.fill(0);
            if (v >= s.target) return 8;
            --s.steps;
        }
        return 0;
    }
    // A joker of either kind as a tile of its own kind.
    for (auto [n, idx] : {std::pair{&s.nA, s.idxA}, std::pair{&s.nB, s.idxB}}) {
        if (*n <= 0 || idx <= 0 || idx >= kCountSlots) continue;
        --*n;
        ++c[size_t(idx)];
        if (DecomposeWithJokers(s, pairMade)) return 8;
        ++*n;
        --c[size_t(idx)];
    }
    auto take = [&](std::initializer_list<TileIndex> kinds, int d) {
        for (TileIndex t : kinds)
            c[size_t(t)] -= d;
    };
    const int32_t count = c[size_t(k)];
    for (int used = 0; used <= 2; ++used) {
        int32_t real = 3 - used;
        if (count < real || jokers < used) continue;
        take({k}, real);
        bool won = tryMeld(kMeldPung, k, used, kNoJokerPlace, 0, pairMade);
        take({k}, -real);
        if (won) return 8;
    }
    if (!pairMade) {
        for (int used = 0; used <= 1; ++used) {
            int32_t real = 2 - used;
            if (count < real || jokers < used) continue;
            take({k}, real);
            bool won = tryMeld(kMeldPair, k, used, kNoJokerPlace, 0, 1);
            take({k}, -real);
            if (won) return 8;
        }
    }
    if (k < 30 && k % 10 <= 8) {
        auto chow = [&](std::initializer_list<TileIndex> kinds, int used, int32_t place) {
            for (TileIndex t : kinds) {
                if (c[size_t(t)] <= 0) return false;
            }
            if (jokers < used) return false;
            take(kinds, 1);
            bool won = tryMeld(kMeldChow, k, used, place, 0, pairMade);
            take(kinds, -1);
            return won;
        };
        // k being the lowest kind left, an 8 and a 9 with a joker stand for
        // 7-8-9: the joker takes the 7's place, recorded in the last place.
        const bool fullRun = k % 10 <= 7;
        if (fullRun && chow({k, k + 1, k + 2}, 0, kNoJokerPlace)) return 8;
        if (fullRun && chow({k, k + 2}, 1, 1)) return 8;
        if (chow({k, k + 1}, 1, 2)) return 8;
    }
    if (k > 30 && k < 38 && (config_.options & kOptHonourChows)) {
        for (const HonourChow& h : kHonourChows) {
            TileIndex first = h.kinds[0] ? h.kinds[0] : h.kinds[1];
            if (first != k) continue;
            int used = 0;
            bool present = true;
            for (TileIndex t : h.kinds) {
                if (!t) {
                    ++used;
                } else if (c[size_t(t)] <= 0) {
                    present = false;
                }
            }
            if (!present || jokers < used) continue;
            for (TileIndex t : h.kinds) {
                if (t) --c[size_t(t)];
            }
            bool won = tryMeld(kMeldChow, k, used, h.jokerPlace, h.gap, pairMade);
            for (TileIndex t : h.kinds) {
                if (t) ++c[size_t(t)];
            }
            if (won) return 8;
        }
    }
    return 0;
}

int32_t CRuleTable::HuValue(int32_t seat, TileId tile, HuResult& r, uint32_t mode) {
    auto& c = r.counters;
    c.fill(0);
    c[0] = FlowerValue(seat);
    int64_t v = c[0];
    if (r.shapes & 0x10) {
        c[2] = 30;
    } else if (r.shapes & 0x8) {
        c[6] = 30;
    } else {
        if (FlowerValue(seat) == CountSeatJokers(seat)) c[1] = 30;
        if (PartDealerFirstDraw(seat, tile, r, mode)) c[5] = 30;
    }
    v += int64_t(c[1]) + c[2] + c[5] + c[6];
    const TileIndex joker = JokerKind();
    const TileIndex winKind = TileKindOrZero(tile, config_.options);
    const int melds = std::clamp(r.meldCount, 0, kMaxMelds);
    auto isJoker = [&](int32_t word) { return joker > 0 && std::abs(int64_t(word)) == joker; };
    if (!(mode & kHuSelfDrawn) && !(r.shapes & 0x8)) {
        // A joker must not pair or complete the discarded tile.
        for (int i = 0; i < melds; ++i) {
            const MeldRecord& m = r.melds[size_t(i)];
            if (m.tiles[0] != winKind) continue;
            if (m.type == kMeldPair && isJoker(m.tiles[1])) return 0;
            if (m.type == kMeldPung && isJoker(m.tiles[1]) && isJoker(m.tiles[2])) return 0;
        }
    }
    for (int i = 0; i < melds; ++i) {
        const MeldRecord& m = r.melds[size_t(i)];
        if (!isJoker(m.tiles[0])) continue;
        if (m.type == kMeldPair) {
            c[3] += 60;
            v += 60;
        } else if (m.type == kMeldPung) {
            c[4] += 90;
            v += 90;
        }
    }
    if ((mode & kHuSelfDrawn) || (r.shapes & 0x8)) v *= 3;
    return Clamp32(v);
}

int32_t CRuleTable::EvaluateHu(int32_t seat, TileId tile, HuResult& result, uint32_t mode) {
    if (!Chair(seat) || !TileInWall(tile)) return 0;
    HuResult start;
    start.shapes = ((mode & kHuRobbingKong) ? 4
                    : (mode & kHuOnDiscard) ? 1
                                            : 0) |
                   int32_t(mode & kHuSelfDrawn);
    HuResult best;
    CopyHuResult(best, start);
    int32_t bestValue = 0;
    auto keep = [&](const HuResult& r, int32_t v) {
        if (v > bestValue) {
            bestValue = v;
            CopyHuResult(best, r);
        }
    };
    if (!IsJokerKind(tile) || (mode & kHuSelfDrawn)) {
        HuResult r;
        CopyHuResult(r, start);
        keep(r, CheckHu(seat, HandFor(seat, tile, mode), tile, mode, r));
    }
    HuResult early;
    CopyHuResult(early, start);
    if (jokerTile_ >= 0 && PartEarlyWin(seat, tile, early, mode)) {
        early.shapes |= 0x8;
        keep(early, CheckHu(seat, counts_[size_t(seat)], jokerTile_, mode, early));
    }
    if (CountSeatJokers(seat) >= 3) {
        HuResult r;
        CopyHuResult(r, start);
        r.shapes |= 0x10;
        keep(r, HuValue(seat, tile, r, mode));
    }
    if ((mode & kHuOnDiscard) && TakerOf(tile) == seat && !(best.shapes & 0x8)) bestValue = 0;
    CopyHuResult(result, best);
    return bestValue;
}

int32_t CRuleTable::HuTest(int32_t seat, TileId tile, uint32_t mode) {
    HuResult result;
    return EvaluateHu(seat, tile, result, mode) > 0 ? 8 : 0;
}

int32_t CRuleTable::WinningHandTest(int32_t seat, TileId tile, uint32_t mode) {
    if (!Chair(seat) || !TileInWall(tile)) return 0;
    HuResult result;
    return CheckHu(seat, HandFor(seat, tile, mode), tile, mode, result) > 0 ? 8 : 0;
}

int32_t CRuleTable::FlowerValue(int32_t seat) {
    if (!Chair(seat)) return 0;
    int64_t v = MeldCount(seat, {kExposedKongs, kConcealedKongs}) +
                2 * MeldCount(seat, {kAddedKongs}) + int64_t(flowers_[size_t(seat)].size());
    TileCountArray shown{};
    BuildCountArray(flowers_[size_t(seat)], shown, config_.options);
    for (int k = 31; k <= 37; ++k) {
        if (shown[size_t(k)] >= 4) v += 2;
    }
    for (int first : {41, 45}) {
        if (shown[size_t(first)] && shown[size_t(first + 1)] && shown[size_t(first + 2)] &&
            shown[size_t(first + 3)])
            v += 2;
    }
    return Clamp32(v + CountSeatJokers(seat));
}

int32_t CRuleTable::FlowerValueOfAll() {
    int64_t v = 0;
    for (int s = 0; s < kMJSeats; ++s)
        v += int64_t(FlowerValue(s)) - CountSeatJokers(s);
    return Clamp32(v);
}

int32_t CRuleTable::CounterValue(std::span<const int32_t> counters) {
    // Doubling saturates instead of overflowing.
    constexpr int64_t kCap = std::numeric_limits<int32_t>::max();
    int64_t t = 0;
    for (int32_t c : counters) {
        if (c > 0) t = std::min(t + c, kCap);
        for (int64_t k = c < 0 ? -int64_t(c) : 0; k > 0 && t < kCap && t > 0; --k)
            t = std::min(t * 2, kCap);
    }
    return int32_t((t + 1) / 2);
}

int32_t CRuleTable::Score(std::span<int32_t, kMaxSeats> scores) {
    AfterScore();
    if (!(endCode_ & kEndDraw) && Chair(winner_)) {
        const int32_t w = winner_;
        const HuResult& h = huResults_[size_t(w)];
        const int64_t v = CounterValue(h.counters);
        int64_t s64[kMJSeats] = {};
        if (!PaidLikeSelfDrawn() && Chair(discarder_)) {
            s64[w] += 2 * v;
            s64[discarder_] -= 2 * v;
        } else {
            for (int s = 0; s < kMJSeats; ++s) {
                if (s != w) s64[s] -= 2 * v;
            }
            s64[w] += 6 * v;
        }
        // 2^(doubling - 1), a doubling below 1 counting as 1, never past 2^30.
        const int32_t shift = std::clamp(doubling_, 1, 31) - 1;
        for (int s = 0; s < kMJSeats; ++s)
            scores[size_t(s)] = Clamp32(s64[s] * (int64_t(1) << shift));
        if (config_.options & 0x80000) ExtraSettlement(scores);
    }
    ScoreBase(scores);
    int64_t sum = 0;
    for (int s = 0; s < config_.seatCount; ++s)
        sum += scores[size_t(s)];
    if (sum != 0) {
        transport::LogPrintf("错误的记分错误，记分总和不为0!");
        std::fill(scores.begin(), scores.end(), 0);
    }
    return 0;
}

bool CRuleTable::PaidLikeSelfDrawn() const {
    // "抢金" (counter 6) is paid by every other seat, though won on a discard.
    return (endCode_ & kEndSelfDrawn) ||
           (Chair(winner_) && huResults_[size_t(winner_)].counters[6]);
}

int32_t CRuleTable::ExtraSettlement(std::span<int32_t, kMaxSeats> scores) {
    if (!Chair(winner_)) return -1;
    const int32_t w = winner_;
    const int64_t v = CounterValue(huResults_[size_t(w)].counters);
    int64_t s64[kMJSeats];
    for (int s = 0; s < kMJSeats; ++s)
        s64[s] = scores[size_t(s)];
    for (int s = 0; s < kMJSeats; ++s) {
        if (s == w) continue;
        int64_t pay = 0;
        if (claimCounts_[size_t(w)][size_t(s)] >= 3) pay += 2 * v;
        if (claimCounts_[size_t(s)][size_t(w)] >= 3) pay += 5 * v;
        if (!pay) continue;
        s64[s] -= pay;
        s64[w] += pay;
        charged_[size_t(s)] = 1;
    }
    if (!PaidLikeSelfDrawn() && Chair(discarder_)) {
        for (int s = 0; s < kMJSeats; ++s) {
            if (s == discarder_ || s64[s] >= 0) continue;
            s64[discarder_] += s64[s];
            s64[s] = 0;
        }
    }
    int64_t negative = 0;
    for (int s = 0; s < kMJSeats; ++s) {
        if (s64[s] < 0) negative += s64[s];
    }
    s64[w] = -negative;
    for (int s = 0; s < kMJSeats; ++s)
        scores[size_t(s)] = Clamp32(s64[s]);
    return w;
}

int32_t CRuleTable::AfterScore() {
    return 0;
}

int32_t CRuleTable::PartDealerFirstDraw(int32_t seat, TileId, HuResult& r, uint32_t) {
    if (AnythingShown(false) || seat != currentChair_) return 0;
    r.shapes |= 0x1 << 8;
    return 1;
}

int32_t CRuleTable::PartEarlyWin(int32_t, TileId, HuResult& r, uint32_t mode) {
    if (!(mode & kHuOnDiscard) || !Chair(currentChair_)) return 0;
    for (int s = 0; s < kMJSeats; ++s) {
        if (MeldCount(s, {kPungs, kChows, kExposedKongs, kAddedKongs})) return 0;
        if (discardCount_[size_t(s)] != (s == currentChair_ ? 1 : 0)) return 0;
    }
    r.shapes |= 0x2 << 8;
    return 1;
}

int32_t CRuleTable::PartNoShownMelds(int32_t seat, TileId, HuResult& r, uint32_t mode) {
    if (!(mode & kHuSelfDrawn) || !Chair(seat) || MeldCount(seat, {kPungs, kChows, kExposedKongs}))
        return 0;
    r.shapes |= 0x10000000;
    return 0;
}

int32_t CRuleTable::PartSingleWait(int32_t seat, TileId, HuResult& r, uint32_t mode) {
    if (!(mode & kHuOnDiscard) || HeldCount(seat) != 1 || MeldCount(seat, {kAddedKongs})) return 0;
    r.shapes |= 0x20000000;
    return 0;
}

int32_t CRuleTable::DoublingWord() {
    return 0;
}

int32_t CRuleTable::KongsInResult(const HuResult& result) {
    return CountKongMelds(result);
}

void CRuleTable::SortAscending(std::vector<int32_t>& values) {
    for (size_t i = 0; i < values.size(); ++i) {
        for (size_t j = i + 1; j < values.size(); ++j) {
            if (values[j] < values[i]) std::swap(values[i], values[j]);
        }
    }
}

int32_t CRuleTable::DefaultNoC() {
    return 0;
}

void CRuleTable::CountsWithMelds(int32_t seat, int32_t flag, TileCountArray& out) {
    out = {};
    if (!Chair(seat)) return;
    out = counts_[size_t(seat)];
    auto add = [&](const std::vector<ShownMeld>& list, bool byState) {
        for (const ShownMeld& m : list) {
            for (TileId t : m.tiles) {
                int32_t state = TakenStateOf(t);
                TileIndex k = TileKindOrZero(t, config_.options);
                if (k > 0 && (!byState || state == kTakenShown || state == kTakenClaimed))
                    ++out[size_t(k)];
            }
        }
    };
    if (flag & 0x1) add(melds_[size_t(seat)][kPungs], true);
    if (flag & 0x2) {
        for (MeldArray kind : {kExposedKongs, kAddedKongs, kConcealedKongs})
            add(melds_[size_t(seat)][size_t(kind)], false);
    }
}

void CRuleTable::AppendShownMelds(int32_t seat, HuResult& result, int32_t flag) {
    if (!Chair(seat)) return;
    auto kind = [&](TileId t) { return TileKindOrZero(t, config_.options); };
    for (const ShownMeld& m : melds_[size_t(seat)][kPungs])
        AddMeldTiles(result, kMeldPung, kind(m.tiles[0]), kind(m.tiles[1]), kind(m.tiles[2]), 0);
    for (const ShownMeld& m : melds_[size_t(seat)][kChows]) {
        std::array<TileIndex, 3> k = {kind(m.tiles[0]), kind(m.tiles[1]), kind(m.tiles[2])};
        std::sort(k.begin(), k.end());
        AddMeldTiles(result, kMeldChow, k[0], k[1], k[2], 0);
    }
    if (flag & 0x2) {
        for (MeldArray a : {kExposedKongs, kAddedKongs, kConcealedKongs}) {
            for (const ShownMeld& m : melds_[size_t(seat)][size_t(a)]) {
                TileIndex k = kind(m.tiles[0]);
                AddMeldTiles(result, kMeldKong, k, k, k, 0);
            }
        }
    }
}

int32_t CRuleTable::SameMeld(const MeldRecord& a, const MeldRecord& b) {
    if (a.type != b.type) return 0;
    if (a.type == kMeldChow)
        return a.tiles[0] == b.tiles[0] && a.tiles[1] == b.tiles[1] && a.tiles[2] == b.tiles[2];
    return a.tiles[0] == b.tiles[0];
}

int32_t CRuleTable::BestPossibleHu(int32_t seat, HuResult& result) {
    int32_t best = 0;
    std::array<bool, kCountSlots> tried{};
    for (const WallRecord& r : wall_) {
        TileIndex k = TileKindOrZero(r.tile, config_.options);
        if (r.taken != kTakenInWall || k <= 0 || tried[size_t(k)]) continue;
        tried[size_t(k)] = true;
        HuResult tmp;
        int32_t v = EvaluateHu(seat, r.tile, tmp, kHuOnDiscard);
        if (v > best) {
            best = v;
            CopyHuResult(result, tmp);
        }
    }
    return best;
}

}  // namespace rules
