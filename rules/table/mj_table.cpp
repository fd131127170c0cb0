// The mahjong table's state, deal, draws from both ends of the wall, flowers
// and records.

#include "rules/table/mj_table.h"

#include <algorithm>

namespace rules {

CMJGameTable::CMJGameTable(const TableConfig& config, TableEnvironment environment)
    : CTileGameTable(config, std::move(environment)) {
    InstallTileHooks(config.hooks);
    CMJGameTable::Reset(1);
}

CMJGameTable::~CMJGameTable() = default;

void CMJGameTable::Reset(int32_t full) {
    CTileGameTable::Reset(full);
    if (full) {
        dealerRun_ = 0;
        doubling_ = 1;
    }
    winner_ = discarder_ = -1;
    winFlag_ = winnerCount_ = 0;
    winningTile_ = -1;
    frontDraws_ = tailDraws_ = frontPos_ = tailCounter_ = 0;
    for (auto* a : {&drawCounts_, &replacement_, &runCounters_, &claimFlags_, &answered_,
                    &tailDrawsOf_, &huWords_})
        a->fill(0);
    for (auto& row : claimCounts_)
        row.fill(0);
    runSeat_ = -1;
    runLength_ = 0;
    jokerB_ = -1;
    for (int s = 0; s < kMJSeats; ++s) {
        for (auto& m : melds_[size_t(s)])
            m.clear();
        discards_[size_t(s)].clear();
        flowers_[size_t(s)].clear();
        ClearHuResult(huResults_[size_t(s)]);
    }
    windowSeat_ = windowAction_ = -1;
    windowTile_ = -1;
    windowTick_ = 0;
    lastTailTile_ = -1;
    ClearStateBits(kStateKongDrawA | kStateKongDrawB | kStateKongDrawC);
}

int32_t CMJGameTable::AfterDeal() {
    int32_t hand = TilesPerSeat();
    if (hand == 13 || hand == 16) frontDraws_ = config_.seatCount * hand + 1;
    if (WallSize() > 0) frontPos_ = (frontDraws_ + dealStart_) % WallSize();
    return 1;
}

void CMJGameTable::RollDice() {
    dice_[0] = RandomBelowN(6) + 1;
    dice_[1] = RandomBelowN(6) + 1;
    const bool second = config_.options & 0x10000000;
    dice_[2] = second ? RandomBelowN(6) + 1 : 0;
    dice_[3] = second ? RandomBelowN(6) + 1 : 0;
}

int32_t CMJGameTable::StartGame(int32_t* outSeat, const StartParams& params) {
    int32_t result = CTileGameTable::StartGame(outSeat, params);
    // Whether any seat brings flag B bit 1.
    anySeatFlagB1_ = 0;
    for (int s = 0; s < config_.seatCount; ++s)
        anySeatFlagB1_ |= flagsB_[size_t(s)] & 0x1;
    return result;
}

int32_t CMJGameTable::NewDealerSeat() {
    CountDealerRun(banker_);
    return banker_;
}

int32_t CMJGameTable::DealStartPosition() {
    const int32_t size = WallSize(), n = config_.seatCount, s = DiceSum();
    if (size <= 0) return 0;
    return int32_t(((int64_t(currentChair_) - s % n + n) * (size / n) + 2 * s) % size);
}

int32_t CMJGameTable::SpecialPosition() {
    const int32_t size = WallSize();
    if (!(config_.options & kOptJokers) || size <= 0) return -1;
    return ((dealStart_ - 2 * DiceSum()) % size + size) % size;
}

TileId CMJGameTable::JokerTileForGame() {
    if (!(config_.options & kOptJokers) || specialPos_ < 0) return -1;
    TileId tile = TileAtWallPos(specialPos_);
    return (config_.options & 0x2) && tile >= 0 ? NextKindTile(tile) : tile;
}

int32_t CMJGameTable::BankerForGame() {
    return currentChair_;
}

int32_t CMJGameTable::SecondSeatForGame() {
    return currentChair_;
}

int32_t CMJGameTable::TilesPerSeat() {
    return (config_.options & 0x10) ? 16 : 13;
}

void CMJGameTable::DealHands() {
    const int64_t size = WallSize();
    if (size <= 0 || !Chair(banker_)) return;
    int64_t p = dealStart_;
    auto give = [&](int32_t seat, int count) {
        for (int i = 0; i < count; ++i)
            TakeIntoHand(seat, int32_t(((p++ % size) + size) % size));
    };
    std::vector<int32_t> order;
    for (int32_t s = banker_, i = 0; i < config_.seatCount; ++i, s = PrevSeat(s))
        order.push_back(s);
    const bool sixteen = TilesPerSeat() == 16;
    for (int pass = 0; pass < (sixteen ? 4 : 3); ++pass) {
        for (int32_t s : order)
            give(s, 4);
    }
    give(banker_, sixteen ? 1 : 2);
    if (!sixteen) {
        for (size_t i = 1; i < order.size(); ++i)
            give(order[i], 1);
    }
}

void CMJGameTable::TakeIntoHand(int32_t seat, int32_t pos) {
    WallRecord* r = RecordAt(pos);
    if (!r) return;
    r->taken = kTakenHeld;
    r->taker = seat;
    IncreaseCount(seat, pos);
}

int32_t CMJGameTable::IsJokerKind(TileId tile) {
    return IsJokerTile(tile, jokerTile_, jokerB_, config_.options);
}

int32_t CMJGameTable::SuitOf(TileId tile) {
    return CurrentTileHooks().suit(tile, config_.options);
}

int32_t CMJGameTable::RankOf(TileId tile) {
    return CurrentTileHooks().rank(tile, config_.options);
}

TileId CMJGameTable::NextKindTile(TileId tile) {
    switch (tile) {
        case 35:
        case 71:
        case 107:
            return tile - 35;
        case 111:
        case 118:
        case 125:
        case 132:
            return 108;
        case 114:
        case 121:
        case 128:
        case 135:
            return 112;
        default:
            return tile + 1;
    }
}

int32_t CMJGameTable::CountSeatJokers(int32_t seat) {
    if (!Chair(seat)) return 0;
    int32_t b = 0;
    int32_t a =
        CountJokersInCounts(counts_[size_t(seat)], jokerTile_, jokerB_, config_.options, &b);
    return a + b;
}

int32_t CMJGameTable::IsHonourOrFlowerTileOf(TileId tile) {
    return tile >= 0 && IsHonourOrFlowerTile(tile, jokerTile_, jokerB_, config_.options);
}

void CMJGameTable::BeginOwnAction() {
    ClearStateBits(kStateKongDrawA | kStateKongDrawB | kStateKongDrawC | kStateClaimsOpen);
    SetStateBits(kStateOwnAction);
}

void CMJGameTable::AfterClaim() {
    ClearStateBits(kStateClaimsOpen);
    SetStateBits(kStateOwnAction | kStateKongDrawB);
}

int32_t CMJGameTable::ActivateClaimer(int32_t chair) {
    MakeActive(chair);
    return ActiveChair();
}

void CMJGameTable::AfterKongClaim() {
    ClearStateBits(kStateClaimsOpen);
    SetStateBits(kStateOwnAction | kStateKongDrawA);
}

int32_t CMJGameTable::ActivateDrawer(int32_t chair) {
    MakeActive(chair);
    return ActiveChair();
}

void CMJGameTable::AfterFlower() {
    ClearStateBits(kStateKongDrawA | kStateKongDrawB);
    SetStateBits(ReplacementGaveNoTile() ? kStateClaimsOpen : kStateOwnAction | kStateKongDrawC);
}

int32_t CMJGameTable::ActivateFlowerSeat(int32_t chair) {
    MakeActive(chair);
    return ActiveChair();
}

int32_t CMJGameTable::StateLasted() {
    return int64_t(Now() - stateTick_) > (int64_t(config_.operationSeconds) + 2) * 1000;
}

int32_t CMJGameTable::DrawFront(int32_t seat) {
    if (!Chair(seat)) return -1;
    replacement_[size_t(seat)] = 0;
    CloseKongWindow();
    ClearClaimFlags();
    if (WallExhausted() || WallSize() <= 0) return -1;
    // The indicator is never drawn: the cursor passes over it.
    if (frontPos_ == specialPos_) SkipFrontPosition();
    WallRecord* r = RecordAt(frontPos_);
    if (r && r->taken != kTakenInWall) {
        frontPos_ = (frontPos_ + 1) % WallSize();
        if (frontPos_ == specialPos_) SkipFrontPosition();
        r = RecordAt(frontPos_);
    }
    if (!r || r->tile < 0 || r->taken != kTakenInWall) return -1;
    int32_t pos = frontPos_;
    TakeIntoHand(seat, pos);
    ++frontDraws_;
    frontPos_ = (frontPos_ + 1) % WallSize();
    ++drawCounts_[size_t(seat)];
    return pos;
}

void CMJGameTable::SkipFrontPosition() {
    if (WallRecord* r = RecordAt(frontPos_)) r->taken = kTakenDiscarded;
    if (WallSize() > 0) frontPos_ = (frontPos_ + 1) % WallSize();
    ++frontDraws_;
}

TileId CMJGameTable::DrawTail(int32_t seat) {
    return TakeFromTail(seat, false);
}

TileId CMJGameTable::TakeFromTail(int32_t seat, bool retireIndicator, bool heldToReserve) {
    lastTailTile_ = -1;
    if (!Chair(seat) || (heldToReserve && WallExhausted())) return -1;
    const int32_t size = WallSize();
    // Positions already taken are passed over by the tail rule itself, so a
    // draw never takes another seat's tile or a position outside the wall.
    for (int i = 0; i < 2 * size; ++i) {
        int32_t skipped = 0;
        int32_t pos = NextWallTailPos(dealStart_, specialPos_, size, &tailCounter_, &skipped);
        if (skipped && retireIndicator) {
            // The indicator passed over leaves the wall with the drawer.
            if (WallRecord* j = RecordAt(specialPos_)) {
                j->taken = kTakenDiscarded;
                j->taker = seat;
            }
        }
        WallRecord* r = RecordAt(pos);
        if (!r || r->taken != kTakenInWall || pos == specialPos_) continue;
        TakeIntoHand(seat, pos);
        ++tailDraws_;
        ++tailDrawsOf_[size_t(seat)];
        lastTailTile_ = r->tile;
        return r->tile;
    }
    return -1;
}

int32_t CMJGameTable::ShowFlower(int32_t seat, TileId flower) {
    if (!Chair(seat) || !Holds(seat, flower)) return 0;
    ++replacement_[size_t(seat)];
    int32_t pos = WallPosOfTile(flower);
    flowers_[size_t(seat)].push_back(flower);
    TakeFromSeat(seat, pos);
    SetTakenState(flower, kTakenFlower);
    AfterFlower();
    ActivateFlowerSeat(seat);
    AfterFlowerBookkeeping(seat, flower);
    return 1;
}

TileId CMJGameTable::FirstHeldFlower(int32_t seat) {
    for (const WallRecord& r : wall_) {
        if (r.taken == kTakenHeld && r.taker == seat && IsHonourOrFlowerTileOf(r.tile))
            return r.tile;
    }
    return -1;
}

TileId CMJGameTable::ReplaceFlower(int32_t seat, TileId flower) {
    if (!Chair(seat) || !Holds(seat, flower) || !IsHonourOrFlowerTileOf(flower)) return -1;
    TileId tile = DrawTail(seat);
    ShowFlower(seat, flower);
    return tile;
}

int32_t CMJGameTable::AfterFlowerBookkeeping(int32_t, TileId) {
    return 0;
}

int32_t CMJGameTable::CountRun(int32_t seat) {
    if (!(config_.options & 0x20000) || !Chair(seat)) return 0;
    ++runCounters_[size_t(seat)];
    if (runSeat_ < 0) {
        runSeat_ = seat;
        runLength_ = 1;
    } else if (runSeat_ == seat) {
        ++runLength_;
    }
    return runLength_;
}

int32_t CMJGameTable::EndRun(int32_t seat) {
    if (runSeat_ != seat) return 0;
    runSeat_ = -1;
    runLength_ = 0;
    return 1;
}

int32_t CMJGameTable::WallNearlyUsed() {
    return int64_t(frontDraws_) + tailDraws_ >= config_.tileCount;
}

int32_t CMJGameTable::WallExhausted() {
    return int64_t(frontDraws_) + tailDraws_ >= config_.tileCount;
}

int32_t CMJGameTable::ReplacementGaveNoTile() {
    return lastTailTile_ < 0;
}

int32_t CMJGameTable::CountDealerRun(int32_t newDealer) {
    dealerRun_ = newDealer != currentChair_ ? 1 : dealerRun_ + 1;
    return dealerRun_;
}

int32_t CMJGameTable::NextDealer(const TableRecord& gameEnd) {
    if (endCode_ & kEndDraw) return PrevSeat(currentChair_);
    if (gameEnd.Get(game_end::kWinFlag) == 0) return 0;
    if (!Chair(currentChair_) || huWords_[size_t(currentChair_)] < 1)
        return PrevSeat(currentChair_);
    return currentChair_;
}

int32_t CMJGameTable::MeldCount(int32_t seat, std::initializer_list<MeldArray> kinds) const {
    int32_t n = 0;
    for (MeldArray k : kinds)
        n += int32_t(melds_[size_t(seat)][size_t(k)].size());
    return n;
}

bool CMJGameTable::AnythingShown(bool countFlowers) const {
    for (int s = 0; s < kMJSeats; ++s) {
        if (MeldCount(s, {kPungs, kChows, kExposedKongs, kAddedKongs, kConcealedKongs}) ||
            !discards_[size_t(s)].empty() || (countFlowers && !flowers_[size_t(s)].empty()))
            return true;
    }
    return false;
}

void CMJGameTable::FillRoundWords(TableRecord& r, int32_t) {
    using namespace state_record;
    r.Set(kTableId, config_.tableId);
    r.Set(kSeatCount, config_.seatCount);
    r.Set(kRuleOptions, int32_t(config_.options));
    r.Set(kWallSize, WallSize());
    r.Set(kHandSize, TilesPerSeat());
    r.Set(kWindowSeat, windowSeat_);
    r.Set(kWindowTile, windowTile_);
    r.Set(kWindowAction, windowAction_);
    r.Set(kRoundNumber, gamesCount_);
    r.Set(kSilverValue, silverStake_);
    r.Set(kPointsValue, baseValue_);
    r.Set(kBanker, banker_);
    r.Set(kSecondSeat, secondSeat_);
    r.Set(kTurnChair, activeChair_);
    r.Set(kState, state_);
    r.Set(kWallStart, dealStart_);
    r.Set(kSpecialPos, specialPos_);
    r.Set(kTurnSeconds, config_.turnTime);
    r.Set(kFrontDraws, frontDraws_);
    r.Set(kTailCounter, tailCounter_);
    r.Set(kMoneyMode, allFlag4_ && silverStake_ ? 1 : 0);
    r.Put(kDice, dice_);
    r.Set(kEarlyClose, 1);
    r.Set(kChowsPlayed, (config_.options & kOptNoChows) ? 0 : 1);
    r.Set(kFrontPos, frontPos_);
    r.Set(kJokerA, jokerTile_);
    r.Set(kJokerB, jokerB_);
    r.Set(kClaimSeconds, config_.operationSeconds);
}

std::array<int32_t, 129> HuResultWords(const HuResult& h) {
    std::array<int32_t, 129> w{};
    size_t i = 0;
    w[i++] = h.shapes;
    w[i++] = h.waits;
    for (int32_t v : h.flags)
        w[i++] = v;
    for (int32_t v : h.counters)
        w[i++] = v;
    for (int32_t v : h.counters2)
        w[i++] = v;
    w[i++] = h.meldCount;
    for (const MeldRecord& m : h.melds) {
        w[i++] = m.type;
        for (int32_t v : m.tiles)
            w[i++] = v;
        for (int32_t v : m.spare)
            w[i++] = v;
    }
    for (int32_t v : h.tail)
        w[i++] = v;
    return w;
}

namespace {
// Lays a list into `words` entries from `at`, -1 filled; returns the count.
int32_t PutList(TableRecord& r, size_t at, size_t words, const std::vector<TileId>& list) {
    r.Fill(at, words, -1);
    size_t n = std::min(list.size(), words);
    r.Put(at, std::span<const TileId>(list.data(), n));
    return int32_t(n);
}
}  // namespace

void CMJGameTable::FillSeatViews(TableRecord& r, int32_t viewer) {
    using namespace state_record;
    static constexpr MeldArray kTableOrder[] = {kPungs, kChows, kExposedKongs, kConcealedKongs,
                                                kAddedKongs};
    for (size_t t = 0; t < std::size(kTableOrder); ++t) {
        const size_t table = kMeldTables + t * kMeldTableWords;
        for (int s = 0; s < kMJSeats; ++s) {
            const auto& list = melds_[size_t(s)][size_t(kTableOrder[t])];
            size_t n = std::min(list.size(), kMeldsPerSeat);
            // Another seat's concealed kong shows that it exists, not its tiles.
            const bool hidden =
                kTableOrder[t] == kConcealedKongs && s != viewer && !(state_ & kStateClaimsClosed);
            for (size_t m = 0; m < n; ++m) {
                const ShownMeld& meld = list[m];
                size_t at = table + (size_t(s) * kMeldsPerSeat + m) * kMeldWords;
                for (size_t i = 0; i < 4; ++i)
                    r.Set(at + i, hidden ? -1 : meld.tiles[i]);
                r.Set(at + 4, meld.giver);
            }
            r.Set(table + kMeldCounts + size_t(s), int32_t(n));
        }
    }
    for (int s = 0; s < kMJSeats; ++s) {
        r.Set(kRiverCounts + size_t(s),
              PutList(r, kRivers + size_t(s) * kListWords, kListWords, discards_[size_t(s)]));
        r.Set(kFlowerCounts + size_t(s),
              PutList(r, kFlowers + size_t(s) * kListWords, kListWords, flowers_[size_t(s)]));
    }
}

size_t CMJGameTable::TableInfoSize() {
    return table_info::kMJBytes;
}

void CMJGameTable::FillTableInfo(TableRecord& r, int32_t viewer, int32_t flag) {
    using namespace table_info;
    CTileGameTable::FillTableInfo(r, viewer, flag);
    const int32_t words[] = {jokerB_,      discarder_, winner_,     winFlag_,    frontDraws_,
                             tailCounter_, frontPos_,  windowSeat_, windowTile_, windowAction_,
                             dealerRun_,   doubling_,  runSeat_,    runLength_};
    r.Put(kJokerB, words);
    r.Set(kStartAnyFlagB1, anySeatFlagB1_);
    r.Put(kDrawCounts, drawCounts_);
    r.Put(kReplacement, replacement_);
    r.Put(kClaimFlags, claimFlags_);
    r.Put(kRunCounters, runCounters_);
    r.Put(kHuWords, huWords_);
    const bool over = state_ & kStateClaimsClosed;
    for (int s = 0; s < kMJSeats; ++s) {
        r.Set(kDiscardCounts + size_t(s),
              PutList(r, kDiscards + size_t(s) * kListWords, kListWords, discards_[size_t(s)]));
        r.Set(kFlowerCounts + size_t(s),
              PutList(r, kFlowers + size_t(s) * kListWords, kListWords, flowers_[size_t(s)]));
        size_t m = 0;
        for (int k = 0; k < kMeldArrays; ++k) {
            const auto& list = melds_[size_t(s)][size_t(k)];
            r.Set(kMeldCounts + size_t(s) * kMeldArrays + size_t(k), int32_t(list.size()));
            const bool hidden = k == kConcealedKongs && s != viewer && !over;
            for (const ShownMeld& meld : list) {
                if (m >= kMeldsPerSeat) break;
                size_t at = kMelds + (size_t(s) * kMeldsPerSeat + m++) * kMeldWords;
                r.Set(at, k);
                for (size_t i = 0; i < 4; ++i)
                    r.Set(at + 1 + i, hidden ? -1 : meld.tiles[i]);
                r.Set(at + 5, meld.giver);
            }
        }
        // A hu result spells out a hand: only the viewer's before the end.
        if (s == viewer || over)
            r.Put(kHuResults + size_t(s) * 129, HuResultWords(huResults_[size_t(s)]));
    }
}

size_t CMJGameTable::GameEndRecordSize() {
    return game_end::kMJBytes;
}

void CMJGameTable::FillGameEndRecord(TableRecord& r) {
    using namespace game_end;
    CTileGameTable::FillGameEndRecord(r);
    for (int s = 0; s < kMJSeats; ++s) {
        r.Set(game_end::kExposedKongs + size_t(s), MeldCount(s, {MeldArray::kExposedKongs}));
        r.Set(game_end::kAddedKongs + size_t(s), MeldCount(s, {MeldArray::kAddedKongs}));
        r.Set(game_end::kConcealedKongs + size_t(s), MeldCount(s, {MeldArray::kConcealedKongs}));
        r.Set(kFlowerCounts + size_t(s), int32_t(flowers_[size_t(s)].size()));
        r.Set(kHuWords + size_t(s), huWords_[size_t(s)]);
        r.Set(kWon + size_t(s), huWords_[size_t(s)] > 0);
    }
    r.Set(kDiscarder, discarder_);
    r.Set(kWinner, winner_);
    r.Set(kWinningTile, winningTile_);
    r.Set(kWinFlag, winFlag_);
    r.Set(kDealerRun, dealerRun_);
    r.Set(kNextDealer, NextDealer(r));
}

}  // namespace rules
