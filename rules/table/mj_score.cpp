// The mahjong table's hu tests and evaluation, the score parts and the score.

#include <algorithm>
#include <limits>

#include "rules/hand/hu.h"
#include "rules/table/mj_table.h"

namespace rules {
namespace {

int32_t Clamp32(int64_t v) {
    return int32_t(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                       std::numeric_limits<int32_t>::max()));
}

// The seat's counts, less one tile of the tile's kind for a self-drawn test
// (the drawn tile is already in the hand).
TileCountArray HandLessDrawn(const TileCountArray& counts, TileId tile, uint32_t mode,
                             RuleOptions options) {
    TileCountArray copy = counts;
    TileIndex kind = TileKindOrZero(tile, options);
    if ((mode & kHuSelfDrawn) && kind > 0 && copy[size_t(kind)] > 0) --copy[size_t(kind)];
    return copy;
}

}  // namespace

int32_t CMJGameTable::CanHuWithTile(int32_t seat, TileId tile) {
    if (tile < 0) return 0;
    return HuTest(seat, tile, kHuSelfDrawn);
}

int32_t CMJGameTable::HuTest(int32_t seat, TileId tile, uint32_t mode) {
    if (!Chair(seat) || !TileInWall(tile)) return 0;
    TileCountArray c = HandLessDrawn(counts_[size_t(seat)], tile, mode, config_.options);
    HuResult result;
    return TryHuWithJokers(c, tile, jokerTile_, jokerB_, config_.options, config_.allowed, result,
                           mode);
}

int32_t CMJGameTable::WinningHandTest(int32_t seat, TileId tile, uint32_t mode) {
    if (!Chair(seat) || !TileInWall(tile)) return 0;
    TileCountArray c = HandLessDrawn(counts_[size_t(seat)], tile, mode, config_.options);
    HuResult result;
    return IsWinningHand(c, tile, jokerTile_, jokerB_, config_.options, config_.allowed, result,
                         mode, WinningExtra(seat));
}

int32_t CMJGameTable::EvaluateHu(int32_t seat, TileId tile, HuResult& result, uint32_t mode) {
    if (!Chair(seat) || !TileInWall(tile)) return 0;
    const int32_t extra = WinningExtra(seat);
    const TileCountArray c = HandLessDrawn(counts_[size_t(seat)], tile, mode, config_.options);
    const RuleOptions o = config_.options;
    const uint32_t allowed = config_.allowed;
    const TileId a = jokerTile_, b = jokerB_;
    result.shapes |= int32_t(mode & (kHuOnDiscard | kHuSelfDrawn | kHuRobbingKong));
    using Checker = int32_t (*)(const TileCountArray&, TileId, TileId, TileId, RuleOptions,
                                uint32_t, HuResult&, uint32_t);
    static constexpr Checker kCheckers[] = {HuByJokerPairWait, HuByPairWait,  HuByPungWait,
                                            HuByMiddleWait,    HuByEdgeWait,  HuByChowWait,
                                            HuCheckMode16,     HuCheckMode32, HuCheckMode64};
    HuResult best;
    int32_t bestValue = 0;
    auto consider = [&](HuResult& tmp) {
        MergeHuResult(result, tmp);
        int32_t v = HuValue(seat, tile, tmp, mode);
        if (v > bestValue) {
            bestValue = v;
            CopyHuResult(best, tmp);
        }
    };
    for (Checker check : kCheckers) {
        HuResult tmp;
        if (check(c, tile, a, b, o, allowed, tmp, mode)) consider(tmp);
    }
    for (auto check : {HuCheckMode128, HuCheckModeSpecial}) {
        HuResult tmp;
        if (check(c, tile, a, b, o, allowed, tmp, mode, extra)) consider(tmp);
    }
    if (bestValue > 0) CopyHuResult(result, best);
    return bestValue;
}

int32_t CMJGameTable::EvaluateSeatHu(int32_t seat, TileId tile, uint32_t mode) {
    if (!Chair(seat)) return 0;
    HuResult& result = huResults_[size_t(seat)];
    ClearHuResult(result);
    huWords_[size_t(seat)] = EvaluateHu(seat, tile, result, mode);
    return huWords_[size_t(seat)];
}

int32_t CMJGameTable::HuValue(int32_t seat, TileId tile, HuResult& r, uint32_t mode) {
    using Part = int32_t (CMJGameTable::*)(int32_t, TileId, HuResult&, uint32_t);
    static constexpr std::pair<uint32_t, Part> kParts[] = {
        {0x100, &CMJGameTable::PartDealerFirstDraw},
        {0x200, &CMJGameTable::PartEarlyWin},
        {0x800, &CMJGameTable::PartDealer},
        {0x1000, &CMJGameTable::PartAllPungs},
        {0x2000, &CMJGameTable::PartOneSuit},
        {0x4000, &CMJGameTable::PartSuitAndHonours},
        {0x8000, &CMJGameTable::PartAllHonours},
        {0x10000, &CMJGameTable::PartNoJokers},
        {0x20000, &CMJGameTable::PartJokersAsOwn},
        {0x40000, &CMJGameTable::PartThreeJokers},
        {0x80000, &CMJGameTable::PartFourJokers},
        {0x100000, &CMJGameTable::PartReplacementWin},
        {0x200000, &CMJGameTable::PartOneTileLeft},
        {0x400000, &CMJGameTable::PartLastTile},
        {0x10000000, &CMJGameTable::PartNoShownMelds},
        {0x20000000, &CMJGameTable::PartSingleWait}};
    for (const auto& [bit, part] : kParts) {
        if (config_.allowed & bit) (this->*part)(seat, tile, r, mode);
    }
    if ((config_.waitOptions & 0x3) == 0x3 && (r.waits & 0x1)) PartRun(seat, tile, r, mode);
    return 0;
}

int32_t CMJGameTable::ResultCode(int32_t seat) {
    return Chair(seat) && huWords_[size_t(seat)] == -1000 ? 229100 : 10100;
}

int32_t CMJGameTable::ScoreBase(std::span<int32_t, kMaxSeats>) {
    return 0;
}

int32_t CMJGameTable::ExtraSettlement(std::span<int32_t, kMaxSeats> scores) {
    if (!Chair(winner_)) return -1;
    for (int s = 0; s < kMJSeats; ++s) {
        if (s == winner_) continue;
        if (claimCounts_[size_t(winner_)][size_t(s)] + claimCounts_[size_t(s)][size_t(winner_)] < 3)
            continue;
        int64_t negative = 0;
        for (int t = 0; t < kMJSeats; ++t) {
            if (scores[size_t(t)] < 0) negative += scores[size_t(t)];
        }
        for (int t = 0; t < kMJSeats; ++t) {
            if (scores[size_t(t)] < 0) scores[size_t(t)] = 0;
        }
        scores[size_t(s)] = Clamp32(negative);
        return s;
    }
    return -1;
}

int32_t CMJGameTable::AfterScore() {
    return 1;
}

int32_t CMJGameTable::Score(std::span<int32_t, kMaxSeats> scores) {
    if (!(endCode_ & kEndDraw) && Chair(winner_)) {
        ScoreBase(scores);
        if (config_.options & 0x80000) ExtraSettlement(scores);
    }
    AfterScore();
    return 0;
}

int32_t CMJGameTable::PartnerTest() {
    return !(endCode_ & kEndDraw) && Chair(winner_) && Chair(currentChair_) &&
           huWords_[size_t(currentChair_)] > 0;
}

int32_t CMJGameTable::SeatValuesToScore(TableRecord& r) {
    using namespace game_end;
    for (int s = 0; s < config_.seatCount; ++s) {
        int64_t v = r.Get(kScores + size_t(s));
        r.Set(kScoreChange + size_t(s), Clamp32(r.Get(kScoreChange + size_t(s)) + v * baseValue_));
        if (silverStake_)
            r.Set(kSilverChange + size_t(s),
                  Clamp32(r.Get(kSilverChange + size_t(s)) + v * silverStake_));
    }
    return 0;
}

int32_t CMJGameTable::GroupsUsed(const std::array<int32_t, 5>& groups) {
    return int32_t(std::count_if(groups.begin(), groups.end(), [](int32_t g) { return g != 0; }));
}

int32_t CMJGameTable::GroupOfKind(TileIndex kind) {
    const RuleOptions o = config_.options;
    if (!(o & kOptSubstitute) && kind == SubstituteIndexOfTiles(jokerTile_, jokerB_, o)) {
        TileIndex a = 0, b = 0;
        JokerIdsToIndices(jokerTile_, jokerB_, o, &a, &b);
        if (a > 0) kind = a;
    }
    int32_t suit = kind / 10;
    return suit >= 0 && suit <= 3 ? suit : 4;
}

void CMJGameTable::HandGroups(int32_t seat, std::array<int32_t, 5>& groups, int32_t skipJokers) {
    if (!Chair(seat)) return;
    const TileCountArray& c = counts_[size_t(seat)];
    for (int k = 1; k < kCountSlots; ++k) {
        if (c[size_t(k)] <= 0) continue;
        if (skipJokers && IsJokerIndex(k, jokerTile_, jokerB_, config_.options)) continue;
        groups[size_t(GroupOfKind(k))] += c[size_t(k)];
    }
    for (const auto& list : melds_[size_t(seat)]) {
        for (const ShownMeld& m : list) {
            for (TileId t : m.tiles) {
                TileIndex k = TileKindOrZero(t, config_.options);
                if (k > 0) ++groups[size_t(GroupOfKind(k))];
            }
        }
    }
}

void CMJGameTable::MeldGroups(const HuResult& result, std::array<int32_t, 5>& groups) {
    int n = std::clamp(result.meldCount, 0, kMaxMelds);
    for (int i = 0; i < n; ++i) {
        const MeldRecord& m = result.melds[size_t(i)];
        if (m.type != kMeldChow && m.type != kMeldPung && m.type != kMeldPair &&
            m.type != kMeldKong)
            continue;
        for (int32_t t : m.tiles) {
            if (t > 0 && t < kCountSlots) ++groups[size_t(GroupOfKind(t))];
        }
    }
}

std::array<int32_t, 5> CMJGameTable::UsedGroups(int32_t seat, const HuResult& r,
                                                int32_t skipJokers) {
    std::array<int32_t, 5> groups{};
    HandGroups(seat, groups, skipJokers);
    MeldGroups(r, groups);
    return groups;
}

int32_t CMJGameTable::AllShown258(int32_t seat) {
    if (!Chair(seat)) return 0;
    for (const auto& list : melds_[size_t(seat)]) {
        for (const ShownMeld& m : list) {
            for (TileId t : m.tiles) {
                if (t >= 0 && !IsEyesTile258(TileKindOrZero(t, config_.options))) return 0;
            }
        }
    }
    return 1;
}

int32_t CMJGameTable::AllHeld258(int32_t seat) {
    if (!Chair(seat)) return 0;
    const TileCountArray& c = counts_[size_t(seat)];
    for (int k = 1; k < kCountSlots; ++k) {
        if (c[size_t(k)] > 0 && !IsEyesTile258(k)) return 0;
    }
    return 1;
}

int32_t CMJGameTable::WinningExtra(int32_t seat) {
    int32_t extra = (AllShown258(seat) ? 0x1 : 0) | (AllHeld258(seat) ? 0x2 : 0);
    return extra ? extra : 0x10000000;
}

// The score parts. Each sets its bit in the result; "word 0 high" bits are
// shifted into the second byte of word 0.

int32_t CMJGameTable::PartDealerFirstDraw(int32_t seat, TileId, HuResult& r, uint32_t) {
    if (AnythingShown(true) || seat != currentChair_) return 0;
    r.shapes |= 0x1 << 8;
    return 256;
}

int32_t CMJGameTable::PartEarlyWin(int32_t seat, TileId, HuResult& r, uint32_t) {
    if (!Chair(seat) || seat == currentChair_) return 0;
    if (MeldCount(seat, {kPungs, kChows, kExposedKongs, kAddedKongs}) ||
        !discards_[size_t(seat)].empty() || !flowers_[size_t(seat)].empty())
        return 0;
    const int32_t draws = drawCounts_[size_t(seat)];
    if (!((draws == 0 && (r.shapes & 0x1)) || (draws == 1 && (r.shapes & 0x2)))) return 0;
    r.shapes |= 0x2 << 8;
    return 512;
}

int32_t CMJGameTable::PartDealer(int32_t seat, TileId, HuResult& r, uint32_t) {
    if (seat != currentChair_) return 0;
    r.shapes |= 0x8 << 8;
    return 2048;
}

int32_t CMJGameTable::PartAllPungs(int32_t seat, TileId, HuResult& r, uint32_t) {
    if (!Chair(seat) || MeldCount(seat, {kChows})) return 0;
    int pairs = 0;
    for (int i = 0; i < std::clamp(r.meldCount, 0, kMaxMelds); ++i) {
        int32_t type = r.melds[size_t(i)].type;
        if (type == kMeldPair) ++pairs;
        if (type != kMeldPung && type != kMeldPair && type != kMeldKong) return 0;
    }
    if (pairs > 1) return 0;
    r.shapes |= 0x10 << 8;
    return 4096;
}

namespace {
bool Decomposed(const HuResult& r) {
    return r.meldCount > 0 && r.melds[0].type < kMeldKnitted;
}
}  // namespace

int32_t CMJGameTable::PartOneSuit(int32_t seat, TileId, HuResult& r, uint32_t) {
    if (!Decomposed(r)) return 0;
    const std::array<int32_t, 5> groups = UsedGroups(seat, r, 1);
    if (GroupsUsed(groups) != 1 || groups[3] || groups[4]) return 0;
    r.shapes |= 0x20 << 8;
    return 8192;
}

int32_t CMJGameTable::PartSuitAndHonours(int32_t seat, TileId, HuResult& r, uint32_t) {
    if (!Decomposed(r)) return 0;
    const std::array<int32_t, 5> groups = UsedGroups(seat, r, 0);
    if (GroupsUsed(groups) != 2 || !groups[3] || groups[4]) return 0;
    r.shapes |= 0x40 << 8;
    return 16384;
}

int32_t CMJGameTable::PartAllHonours(int32_t seat, TileId, HuResult& r, uint32_t) {
    if (!Decomposed(r)) return 0;
    const std::array<int32_t, 5> groups = UsedGroups(seat, r, 0);
    if (GroupsUsed(groups) != 1 || !groups[3]) return 0;
    r.shapes |= 0x80 << 8;
    return 32768;
}

int32_t CMJGameTable::PartNoJokers(int32_t seat, TileId tile, HuResult& r, uint32_t) {
    if (!(config_.options & kOptJokers) || IsJokerKind(tile) || CountSeatJokers(seat)) return 0;
    r.shapes |= 0x10000;
    return 0;
}

int32_t CMJGameTable::PartJokersAsOwn(int32_t seat, TileId tile, HuResult& r, uint32_t mode) {
    if (!(config_.options & kOptJokers) || (r.shapes & 0x10000)) return 0;
    if (!IsJokerKind(tile) && !CountSeatJokers(seat)) return 0;
    bool valid;
    if (r.meldCount > 0 && r.melds[0].type >= kMeldKnitted) {
        TileCountArray c = HandLessDrawn(counts_[size_t(seat)], tile, mode, config_.options);
        int32_t nA = 0, nB = 0;
        TileIndex win = 0;
        HuResult tmp;
        valid = HuWithJokersAsTiles(c, tile, jokerTile_, jokerB_, &nA, &nB, &win, config_.options,
                                    config_.allowed, tmp, mode) != 0;
    } else {
        valid = CheckJokerMelds(r, jokerTile_, jokerB_, config_.options) != 0 ||
                CountJokerPlaces(r) == 0;
    }
    if (!valid) return 0;
    r.shapes |= 0x20000;
    return 0;
}

int32_t CMJGameTable::PartThreeJokers(int32_t seat, TileId, HuResult& r, uint32_t) {
    if (CountSeatJokers(seat) != 3) return 0;
    r.shapes |= 0x40000;
    return 0;
}

int32_t CMJGameTable::PartFourJokers(int32_t seat, TileId, HuResult& r, uint32_t) {
    if (CountSeatJokers(seat) != 4) return 0;
    r.shapes |= 0x80000;
    return 0;
}

int32_t CMJGameTable::PartReplacementWin(int32_t seat, TileId, HuResult& r, uint32_t) {
    if (!Chair(seat) || !replacement_[size_t(seat)]) return 0;
    if (!MeldCount(seat, {kExposedKongs, kAddedKongs, kConcealedKongs}) &&
        flowers_[size_t(seat)].empty())
        return 0;
    r.shapes |= 0x100000;
    return 0;
}

int32_t CMJGameTable::PartOneTileLeft(int32_t seat, TileId, HuResult& r, uint32_t mode) {
    if (HeldCount(seat) - ((mode & kHuSelfDrawn) ? 1 : 0) != 1) return 0;
    r.shapes |= 0x200000;
    return 0;
}

int32_t CMJGameTable::PartLastTile(int32_t, TileId, HuResult& r, uint32_t mode) {
    if (!(mode & kHuSelfDrawn) || !WallExhausted()) return 0;
    r.shapes |= 0x400000;
    return 0;
}

int32_t CMJGameTable::PartRun(int32_t seat, TileId, HuResult& r, uint32_t) {
    if (!(config_.options & 0x20000) || runSeat_ != seat || runLength_ <= 0) return 0;
    r.waits |= 0x2;
    return 2;
}

int32_t CMJGameTable::PartNoShownMelds(int32_t seat, TileId, HuResult& r, uint32_t) {
    if (!Chair(seat) || MeldCount(seat, {kPungs, kChows, kExposedKongs})) return 0;
    r.shapes |= 0x10000000;
    return 0;
}

int32_t CMJGameTable::PartSingleWait(int32_t seat, TileId, HuResult& r, uint32_t mode) {
    if (!(r.shapes & 0x1) || !Chair(seat) || MeldCount(seat, {kAddedKongs})) return 0;
    if (HeldCount(seat) - ((mode & kHuSelfDrawn) ? 1 : 0) != 1) return 0;
    r.shapes |= 0x20000000;
    return 0;
}

}  // namespace rules
