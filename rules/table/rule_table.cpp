// The game rule table: construction, the deal with its flowers and indicator,
// the records, the wall, discards and the claim rules.

#include "rules/table/rule_table.h"

#include <algorithm>

namespace rules {

using namespace request;

std::unique_ptr<CRuleTable> CRuleTable::Create(const TableConfig& config,
                                               TableEnvironment environment) {
    // The claim table, the priority distances and the seat walks are made for
    // four seats; the wall must fit the tile ids and a count array.
    const bool sound =
        config.seatCount == kMJSeats && config.tileCount > 0 && config.tileCount <= kTileIdCount &&
        config.reserveCount >= 0 && config.reserveCount <= kReserveSize && config.suitStride > 0 &&
        config.kindCountA >= 0 && config.kindCountA <= kCountSlots && config.kindCountB >= 0 &&
        config.kindCountB <= kCountSlots && config.operationSeconds >= 0 && config.turnTime >= 0;
    if (!sound) return nullptr;
    return std::unique_ptr<CRuleTable>(new CRuleTable(config, std::move(environment)));
}

int32_t CRuleTable::NextTailDrawPos(int32_t start, int32_t skipPos, int32_t wallSize,
                                    int32_t* counter, int32_t* skipped) {
    return NextWallTailPos(start, skipPos, wallSize, counter, skipped);
}

CRuleTable::CRuleTable(const TableConfig& config, TableEnvironment environment)
    : CMJGameTable(config, std::move(environment)) {
    CRuleTable::Reset(1);
    marks_.fill(100);
    targetValue_ = 100;
}

CRuleTable::~CRuleTable() = default;

void CRuleTable::Reset(int32_t full) {
    CMJGameTable::Reset(full);
    if (full) {
        runningTotals_.fill(0);
        tableWords_.fill(0);
    }
    for (auto* a :
         {&claimPriority_, &claimMade_, &discardCount_, &jokerRun_, &charged_, &pendingKind_})
        a->fill(0);
    for (auto& b : blocked_)
        b.fill(0);
    for (auto& p : passedKind_)
        p.fill(0);
    for (auto& p : pendingClaim_)
        p.fill(0);
    lastDrawn_.fill(-1);
}

int32_t CRuleTable::AfterDeal() {
    CMJGameTable::AfterDeal();
    // Every seat shows its flowers, the banker first, then in turn order.
    // The deal's replacements are not held to the reserve: the flower value
    // they show raises it, and a seat left short of a tile could still win.
    // The wall always has them (the deal leaves 79 tiles, against 36 honours
    // and flowers); a round that starts at the reserve ends at its next draw.
    int32_t seat = banker_;
    for (int i = 0; i < kMJSeats && Chair(seat); ++i, seat = PrevSeat(seat)) {
        for (int n = 0; n < WallSize(); ++n) {
            TileId flower = FirstHeldFlower(seat);
            if (flower < 0 || TailDraw(seat, false) < 0) break;
            ShowFlower(seat, flower);
        }
    }
    // A flower turned up as the indicator goes to the current chair, and the
    // next tail position is turned up instead.
    jokerTile_ = TileAtWallPos(specialPos_);
    auto tailPos = [&](int32_t c) {
        const int32_t pos = c % 2 - 2 * (c / 2) - 2 + dealStart_;
        return pos < 0 ? pos + config_.tileCount : pos;
    };
    for (int n = 0; n < WallSize() && IsHonourOrFlowerTileOf(jokerTile_); ++n) {
        SetTakenState(jokerTile_, kTakenFlower);
        SetTaker(jokerTile_, currentChair_);
        if (Chair(currentChair_)) flowers_[size_t(currentChair_)].push_back(jokerTile_);
        // The counter covers the indicator once: the deal's replacements may
        // have passed over it already. Counting it again would leave the
        // position before the new indicator to no tail draw, while every
        // client reading the counter takes it for drawn.
        bool walked = false;
        for (int32_t k = 0; k < tailCounter_ && !walked; ++k)
            walked = tailPos(k) == specialPos_;
        const int32_t c = walked ? tailCounter_ : ++tailCounter_;
        specialPos_ = tailPos(c);
        jokerTile_ = TileAtWallPos(specialPos_);
    }
    BeginOwnAction();
    return 1;
}

TileIndex CRuleTable::JokerKind() const {
    return TileKindOrZero(jokerTile_, config_.options);
}

int32_t CRuleTable::PassedKind(int32_t seat, TileIndex kind) const {
    if (!Chair(seat) || kind < 0 || kind >= kPassedKinds) return 0;
    return passedKind_[size_t(seat)][size_t(kind)];
}

size_t CRuleTable::StateRecordSize() {
    return state_record::kBytes;
}

int32_t CRuleTable::FillStateRecord(TableRecord& r, int32_t viewer, int32_t flag) {
    using namespace state_record;
    r = TableRecord(StateRecordSize());
    FillRoundWords(r, viewer);
    FillSeatViews(r, viewer);
    for (int s = 0; s < kMJSeats; ++s)
        r.Set(kTileTotals + size_t(s), HeldCount(s));
    r.Fill(kHeld, kHeldWords, -1);
    if (Chair(viewer) && !flag) {
        std::array<TileId, kHeldWords> held;
        ListHeld(viewer, held);
        r.Put(kHeld, held);
        if (SelfDrawnWinTile(viewer) >= 0) r.Set(kOwnTurnFlags, kClaimFlagHu);
    }
    r.Put(kTableWords, tableWords_);
    r.Put(kRunningTotals, runningTotals_);
    if (Chair(viewer)) r.Put(kBlocked, blocked_[size_t(viewer)]);
    return 1;
}

size_t CRuleTable::SeatRecordSize() {
    return seat_record::kBytes;
}

int32_t CRuleTable::FillSeatRecord(TableRecord& r, int32_t viewer, int32_t flag) {
    using namespace seat_record;
    r = TableRecord(SeatRecordSize());
    FillRoundWords(r, viewer);
    for (int s = 0; s < kMJSeats; ++s)
        r.Set(kTileTotals + size_t(s), HeldCount(s));
    r.Fill(kHeld, state_record::kHeldWords, -1);
    if (Chair(viewer) && !flag) {
        std::array<TileId, state_record::kHeldWords> held;
        ListHeld(viewer, held);
        r.Put(kHeld, held);
        if (SelfDrawnWinTile(viewer) >= 0) r.Set(state_record::kOwnTurnFlags, kClaimFlagHu);
    }
    for (int s = 0; s < kMJSeats; ++s) {
        const std::vector<TileId>& list = flowers_[size_t(s)];
        size_t at = kFlowers + size_t(s) * state_record::kListWords;
        r.Fill(at, state_record::kListWords, -1);
        size_t n = std::min(list.size(), state_record::kListWords);
        r.Put(at, std::span<const TileId>(list.data(), n));
        r.Set(kFlowerCounts + size_t(s), int32_t(n));
    }
    return 1;
}

size_t CRuleTable::GameEndRecordSize() {
    return game_end::kRuleBytes + seat_result::kBytes * size_t(config_.seatCount);
}

void CRuleTable::FillGameEndRecord(TableRecord& r) {
    using namespace game_end;
    CMJGameTable::FillGameEndRecord(r);
    r.Put(kTableWords, tableWords_);
    r.Set(kSeatCount, config_.seatCount);
    for (int s = 0; s < kMJSeats; ++s) {
        r.Set(kTileTotals + size_t(s), HeldCount(s));
        std::array<TileId, kHandWords> held;
        ListHeld(s, held);
        r.Put(kHands + size_t(s) * kHandWords, held);
    }
    std::string names;
    for (int i = 0; i < kCounterCount; ++i) {
        if (i) names += '|';
        names += HuCounterName(i);
    }
    r.PutText(kCounterNames, kCounterNameBytes, names);
    r.Set(kDoubling, DoublingWord());
    r.Put(kCharged, charged_);
    for (int s = 0; s < kMJSeats; ++s)
        FillSeatResult(r, s);
    const bool silver = silverStake_ != 0;
    for (int s = 0; s < kMJSeats; ++s) {
        int64_t change = r.Get((silver ? kSilverChange : kScoreChange) + size_t(s));
        runningTotals_[size_t(s)] =
            int32_t(std::clamp<int64_t>(runningTotals_[size_t(s)] + change, INT32_MIN, INT32_MAX));
    }
}

void CRuleTable::FillSeatResult(TableRecord& r, int32_t seat) {
    using namespace seat_result;
    if (!Chair(seat)) return;
    const HuResult& h = huResults_[size_t(seat)];
    const size_t at = game_end::kSeatResults + size_t(seat) * (kBytes / 4);
    r.Set(at + kSeat, seat);
    r.Set(at + kHuShapes, h.shapes);
    r.Set(at + kHuWaits, h.waits);
    r.Put(at + kCounters, h.counters);
    r.Set(at + kValue, CounterValue(h.counters));
}

int32_t CRuleTable::StartingSeat() {
    return gamesCount_ <= 1 ? RandomBelowN(config_.seatCount) : currentChair_;
}

int32_t CRuleTable::ChooseTile(int32_t seat, TileList& out) {
    out.fill(-1);
    if (!Chair(seat)) return 0;
    out[0] = FirstHeld(seat);
    const auto& blocked = blocked_[size_t(seat)];
    if (!blocked[0] && !blocked[1]) return 1;
    for (const WallRecord& r : wall_) {
        if (r.taken != kTakenHeld || r.taker != seat) continue;
        TileIndex kind = TileKindOrZero(r.tile, config_.options);
        if (kind != blocked[0] && kind != blocked[1]) out[0] = r.tile;
    }
    return 1;
}

int32_t CRuleTable::DealStartPosition() {
    const int32_t n = config_.seatCount, s = DiceSum(), c = currentChair_;
    static constexpr int32_t kSideStep[4] = {1, 0, 3, 2};
    static constexpr int32_t kOffset[4] = {108, 0, 36, 72};
    const int32_t side = ((c + kSideStep[s % n]) % n + n) % n;
    return (2 * s + kOffset[side]) % config_.tileCount;
}

int32_t CRuleTable::SpecialPosition() {
    if (!(config_.options & kOptJokers)) return -1;
    return (dealStart_ + config_.tileCount - 2) % config_.tileCount;
}

int32_t CRuleTable::BankerForPrepare(const TableRecord* previous) {
    int32_t next = previous ? previous->Get(game_end::kNextDealer) : -1;
    return Chair(next) ? next : CMJGameTable::BankerForPrepare(previous);
}

void CRuleTable::ShuffleAndDeal() {
    BuildWall();
}

std::vector<TileId> CRuleTable::ShuffleWallOrder(int32_t) {
    return ShuffledOrder();
}

void CRuleTable::BuildWall() {
    std::vector<TileId> order = ShuffleWallOrder(0);
    if (!testDeal_.empty()) LoadTestDeal(order);
    BuildWallFromOrder(order);
}

int32_t CRuleTable::CheckWall() {
    std::array<int32_t, kCountSlots> byKind{};
    for (const WallRecord& r : wall_) {
        int32_t slot = KindSlot(r);
        if (slot >= 0) ++byKind[size_t(slot)];
    }
    for (int k = 1; k < 38; ++k) {
        if (k % config_.suitStride != 0 && byKind[size_t(k)] != config_.copiesPerKind) return 0;
    }
    for (int k = 41; k <= 48; ++k) {
        if (byKind[size_t(k)] != 1) return 0;
    }
    return 1;
}

int32_t CRuleTable::Discard(int32_t seat, std::span<const TileId> list) {
    // One tile, held by the seat.
    TileId tile = -1;
    for (TileId t : list) {
        if (t < 0) continue;
        if (tile >= 0) return 0;
        tile = t;
    }
    if (!Chair(seat) || tile < 0 || !CheckTileList(seat, list)) return 0;
    lastDrawn_[size_t(seat)] = -1;
    ++discardCount_[size_t(seat)];
    CMJGameTable::Discard(seat, list);
    discards_[size_t(seat)].push_back(tile);
    jokerRun_[size_t(seat)] = IsJokerKind(tile) ? jokerRun_[size_t(seat)] + 1 : 0;
    // What the seat was barred from lasts until its next discard.
    blocked_[size_t(seat)].fill(0);
    passedKind_[size_t(seat)].fill(0);
    ClearClaims();
    windowSeat_ = seat;
    windowTile_ = tile;
    windowAction_ = kWindowDiscard;
    windowTick_ = Now();
    ClearStateBits(kStateOwnAction | kStateKongDrawA | kStateKongDrawB | kStateKongDrawC);
    SetStateBits(kStateClaimsOpen);
    const int32_t next = PrevSeat(seat);
    for (int s = 0; s < kMJSeats; ++s) {
        int32_t mask = s == seat ? kClaimFlagHu
                                 : kClaimFlagPung | kClaimFlagKong | kClaimFlagHu |
                                       (s == next ? kClaimFlagChow : 0);
        claimFlags_[size_t(s)] = CheckClaims(s, tile, kHuOnDiscard, mask);
        answered_[size_t(s)] = claimFlags_[size_t(s)] == 0;
    }
    return 1;
}

int32_t CRuleTable::SuitOf(TileId tile) {
    return TileIdToSuit(tile, config_.options);
}

int32_t CRuleTable::RankOf(TileId tile) {
    return TileIdToRank(tile, config_.options);
}

int32_t CRuleTable::CopyCounts(int32_t seat, TileId tile, const TileCountArray& from,
                               TileCountArray& to) {
    if ((state_ & kStateClaimsClosed) || !Chair(seat)) return 0;
    TileIndex kind = TileKindOrZero(tile, config_.options);
    const auto& blocked = blocked_[size_t(seat)];
    if (kind > 0 && (kind == blocked[0] || kind == blocked[1])) return 0;
    to = from;
    return 1;
}

int32_t CRuleTable::NextDealer(const TableRecord&) {
    if (endCode_ & kEndDraw) return PrevSeat(currentChair_);
    if (Chair(currentChair_) && huWords_[size_t(currentChair_)] > 0) return currentChair_;
    return PrevSeat(currentChair_);
}

int32_t CRuleTable::ClaimWindowOver(int32_t seat) {
    if (state_ & kStateClaimsClosed) return 0;
    const bool early =
        int64_t(Now() - windowTick_) < int64_t(config_.operationSeconds) * 1000 - 500;
    for (int s = 0; s < kMJSeats; ++s) {
        if (early && s != seat && s != NextSeat(seat) && claimFlags_[size_t(s)]) return 0;
        if (claimPriority_[size_t(s)]) return 0;
    }
    return 1;
}

int32_t CRuleTable::HasClaimPriority(int32_t seat, int32_t) {
    if (!Chair(seat)) return 0;
    const int32_t flags = claimFlags_[size_t(seat)];
    if (seat == windowSeat_) return (flags & kClaimFlagHu) ? 1 : 0;
    if (!flags) return 0;
    if (!(flags & kClaimFlagChow)) return 1;
    return seat == PrevSeat(windowSeat_);
}

int32_t CRuleTable::ClaimPriority(int32_t seat, int32_t discarder, int32_t mode) {
    int32_t d = 0;
    if (seat == (discarder + 3) % 4) d = 3;
    if (seat == (discarder + 1) % 4) d = 1;
    if (seat == (discarder + 2) % 4) d = 2;
    switch (mode) {
        case kClaimFlagHu:
            return 400 + ((config_.options & 0x40000) ? 0 : d);
        case kClaimFlagKong:
            return 300 + d;
        case kClaimFlagPung:
            return 200 + d;
        case kClaimFlagChow:
            return 100 + d;
        default:
            return 0;
    }
}

namespace {
// The highest claim kind of an offer mask.
int32_t HighestKind(int32_t offer) {
    for (int32_t kind : {kClaimFlagHu, kClaimFlagKong, kClaimFlagPung, kClaimFlagChow}) {
        if (offer & kind) return kind;
    }
    return 0;
}
}  // namespace

bool CRuleTable::NoHigherClaim(int32_t claimer, int32_t discarder, int32_t mode) {
    int32_t p = ClaimPriority(claimer, discarder, mode);
    for (int s = 0; s < kMJSeats; ++s) {
        if (s != claimer && claimPriority_[size_t(s)] > p) return false;
    }
    return true;
}

int32_t CRuleTable::CheckPeng(Request r) {
    if (!NoHigherClaim(Word(r, kChair), Word(r, kOffering), kClaimFlagPung) || WallNearlyUsed())
        return 0;
    return CMJGameTable::CheckPeng(r);
}

int32_t CRuleTable::CheckChi(Request r) {
    if (!NoHigherClaim(Word(r, kChair), Word(r, kOffering), kClaimFlagChow)) return 0;
    return CMJGameTable::CheckChi(r);
}

int32_t CRuleTable::CheckMingGang(Request r) {
    if (!NoHigherClaim(Word(r, kChair), Word(r, kOffering), kClaimFlagKong) || WallNearlyUsed())
        return 0;
    return CMJGameTable::CheckMingGang(r);
}

int32_t CRuleTable::CheckAnGang(Request r) {
    if (!NoHigherClaim(Word(r, kChair), Word(r, kOffering), kClaimFlagKong)) return 0;
    return CMJGameTable::CheckAnGang(r);
}

int32_t CRuleTable::CheckAddedGang(Request r) {
    if (!NoHigherClaim(Word(r, kChair), Word(r, kOffering), kClaimFlagKong)) return 0;
    return CMJGameTable::CheckAddedGang(r);
}

bool CRuleTable::WindowPassed() const {
    return int64_t(Now() - windowTick_) >= int64_t(config_.operationSeconds) * 1000 - 1000;
}

int32_t CRuleTable::Arbitrate(Request r, int32_t mode) {
    const int32_t claimer = Word(r, kChair), giver = Word(r, kOffering);
    if (!Chair(claimer) || !Chair(giver)) return 0;
    const int32_t p = ClaimPriority(claimer, giver, mode);
    for (int s = 0; s < kMJSeats; ++s) {
        if (s == claimer || s == giver) continue;
        int32_t kind = HighestKind(claimFlags_[size_t(s)]);
        if (kind && ClaimPriority(s, giver, kind) > p) return 0;
    }
    // A claim after its window leaves no trace.
    if (WindowPassed()) return 0;
    claimPriority_[size_t(claimer)] = p;
    claimMade_[size_t(claimer)] = 1;
    return 1;
}

int32_t CRuleTable::ClaimPeng(Request r) {
    return Arbitrate(r, kClaimFlagPung);
}

int32_t CRuleTable::ClaimChi(Request r) {
    return Arbitrate(r, kClaimFlagChow);
}

int32_t CRuleTable::ClaimMingGang(Request r) {
    return Arbitrate(r, kClaimFlagKong);
}

int32_t CRuleTable::ClaimKongRob(Request r) {
    const int32_t claimer = Word(r, kChair), giver = Word(r, kOffering);
    const TileId tile = Word(r, kTile);
    if (!(config_.options & 0x2000) || !Chair(claimer) || !TileInWall(tile)) return 0;
    for (int s = 0; s < kMJSeats; ++s) {
        if (s == claimer || s == giver || claimMade_[size_t(s)]) continue;
        if (HuTest(s, tile, kHuRobbingKong)) {
            claimPriority_[size_t(claimer)] = ClaimPriority(claimer, giver, kClaimFlagKong);
            claimMade_[size_t(claimer)] = 1;
            return 1;
        }
    }
    return 0;
}

int32_t CRuleTable::CheckHuClaim(Request r) {
    const int32_t claimer = Word(r, kChair), giver = Word(r, kOffering);
    const TileId tile = Word(r, kTile);
    if (!Chair(claimer) || !Chair(giver) || !TileInWall(tile)) return 0;
    if ((state_ & kStateClaimsClosed) || !(state_ & kStateClaimsOpen)) return 0;
    if (windowAction_ != kWindowDiscard || giver != windowSeat_ || tile != windowTile_) return 0;
    const auto& river = discards_[size_t(giver)];
    if (river.empty() || river.back() != tile) return 0;
    return HuTest(claimer, tile, kHuOnDiscard) ? 1 : 0;
}

int32_t CRuleTable::MarkAnswered(int32_t seat) {
    if (Chair(seat)) answered_[size_t(seat)] = 1;
    return std::all_of(answered_.begin(), answered_.end(), [](int32_t a) { return a != 0; });
}

TileId CRuleTable::DrawTail(int32_t seat) {
    return TailDraw(seat, true);
}

TileId CRuleTable::TailDraw(int32_t seat, bool heldToReserve) {
    TileId tile = TakeFromTail(seat, true, heldToReserve);
    if (tile >= 0) lastDrawn_[size_t(seat)] = tile;
    return tile;
}

int32_t CRuleTable::AfterPengBookkeeping(Request r) {
    CMJGameTable::AfterPengBookkeeping(r);
    const int32_t claimer = Word(r, kChair);
    if (Chair(claimer))
        blocked_[size_t(claimer)][0] = TileKindOrZero(Word(r, kTile), config_.options);
    return 0;
}

int32_t CRuleTable::AfterChiBookkeeping(Request r) {
    CMJGameTable::AfterChiBookkeeping(r);
    const int32_t claimer = Word(r, kChair);
    if (!Chair(claimer)) return 0;
    // Kinds that would have made the same chow with the two shown tiles.
    TileCountArray pair{};
    std::vector<TileId> shown = ShownTiles(r, 2);
    BuildCountArray(shown, pair, config_.options);
    auto& blocked = blocked_[size_t(claimer)];
    blocked.fill(0);
    size_t n = 0;
    const TileCountArray& held = counts_[size_t(claimer)];
    for (int k = 1; k < kCountSlots && n < blocked.size(); ++k) {
        if (held[size_t(k)] <= 0 || pair[size_t(k)]) continue;
        TileId probe = IndexToFirstTileId(k, config_.options);
        if (probe >= 0 && CanChiWithCounts(pair, probe, jokerTile_, jokerB_, config_.options))
            blocked[n++] = k;
    }
    return 0;
}

int32_t CRuleTable::AfterKongBookkeeping(Request r) {
    return CMJGameTable::AfterKongBookkeeping(r);
}

int32_t CRuleTable::EvaluateHuOnDiscard(int32_t discarder, TileId tile) {
    if (!Chair(discarder) || !TileInWall(tile)) return 0;
    const bool kongWindow = state_ & (kStateExposedKongWindow | kStateAddedKongWindow);
    const uint32_t mode = kongWindow ? kHuRobbingKong : kHuOnDiscard;
    for (int s = 0; s < kMJSeats; ++s) {
        huWords_[size_t(s)] = 0;
        if (kongWindow && s == windowSeat_) continue;
        EvaluateSeatHu(s, tile, mode);
    }
    return SettleDiscardWinners(discarder, tile);
}

int32_t CRuleTable::WallNearlyUsed() {
    return int64_t(frontDraws_) + tailDraws_ >=
           int64_t(config_.tileCount) - (FlowerValueOfAll() + 18);
}

int32_t CRuleTable::WallExhausted() {
    return WallNearlyUsed();
}

int32_t CRuleTable::CheckClaims(int32_t seat, TileId tile, uint32_t huMode, int32_t mask) {
    if (!Chair(seat) || !TileInWall(tile)) return 0;
    const TileIndex kind = TileKindOrZero(tile, config_.options);
    const bool passed = PassedKind(seat, kind);
    int32_t r = 0;
    if (!WallNearlyUsed()) {
        if ((mask & kClaimFlagPung) && !passed && CanPeng(seat, tile)) r |= kClaimFlagPung;
        if ((mask & kClaimFlagKong) && CanKong(seat, tile, 0x1)) r |= kClaimFlagKong;
        if ((mask & kClaimFlagChow) && !(config_.options & kOptNoChows) && CanChi(seat, tile))
            r |= kClaimFlagChow;
    }
    if ((mask & kClaimFlagHu) && !(config_.options & kOptNoHuRestricted1) &&
        jokerRun_[size_t(seat)] <= 0 && !passed && HuTest(seat, tile, huMode))
        r |= kClaimFlagHu;
    return r;
}

int32_t CRuleTable::CountOtherHuClaims(Request r, std::array<int32_t, 4>& out) {
    const int32_t claimer = Word(r, kChair), giver = Word(r, kOffering);
    const TileId tile = Word(r, kTile);
    out = {claimer, giver, tile, Word(r, kKongKind)};
    if (!(config_.options & (0x1000 | 0x2000)) || !TileInWall(tile)) return 0;
    int32_t n = 0;
    for (int s = 0; s < kMJSeats; ++s) {
        if (s == claimer || s == giver || !HuTest(s, tile, kHuRobbingKong)) continue;
        claimFlags_[size_t(s)] |= kClaimFlagHu;
        ++n;
    }
    return n;
}

int32_t CRuleTable::RecordHuBeside(Request r) {
    const int32_t claimer = Word(r, kChair), giver = Word(r, kOffering);
    if (!(config_.options & 0x40000) || !Chair(claimer) || claimer == giver || WindowPassed())
        return 0;
    for (int s = 0; s < kMJSeats; ++s) {
        if (s == claimer || s == giver || claimMade_[size_t(s)]) continue;
        if (claimFlags_[size_t(s)] & kClaimFlagHu) {
            claimPriority_[size_t(claimer)] = ClaimPriority(claimer, giver, kClaimFlagHu);
            claimMade_[size_t(claimer)] = 1;
            return 1;
        }
    }
    return 0;
}

int32_t CRuleTable::RotateMarks(int32_t seat) {
    if (!Chair(seat)) return -1;
    const int32_t m = *std::max_element(marks_.begin(), marks_.end());
    marks_[size_t(seat)] = marks_[size_t(seat)] == m ? m + 1 : m;
    for (int s = 0; s < kMJSeats; ++s) {
        if (marks_[size_t(s)] == m - 2) {
            marks_[size_t(s)] = 0;
            return s;
        }
    }
    return -1;
}

void CRuleTable::ClearClaims() {
    claimPriority_.fill(0);
    claimMade_.fill(0);
    pendingKind_.fill(0);
}

}  // namespace rules
