#include "rules/table/tile_table.h"

#include <algorithm>
#include <numeric>
#include <utility>

namespace rules {

CTileGameTable::CTileGameTable(const TableConfig& config, TableEnvironment environment)
    : CGameTable(config, std::move(environment)) {
    CTileGameTable::Reset(1);
}

CTileGameTable::~CTileGameTable() = default;

WallRecord* CTileGameTable::RecordOf(TileId tile) {
    if (tile < 0) return nullptr;
    for (WallRecord& r : wall_) {
        if (r.tile == tile) return &r;
    }
    return nullptr;
}

WallRecord* CTileGameTable::RecordAt(int32_t pos) {
    return pos >= 0 && size_t(pos) < wall_.size() ? &wall_[size_t(pos)] : nullptr;
}

int32_t CTileGameTable::KindSlot(const WallRecord& r) const {
    int64_t kind = int64_t(r.suit) * config_.suitStride + r.rank;
    return kind >= 0 && kind < kCountSlots ? int32_t(kind) : -1;
}

std::vector<TileId> CTileGameTable::ShuffledOrder() {
    std::vector<TileId> order(size_t(config_.tileCount));
    std::iota(order.begin(), order.end(), 0);
    for (size_t i = order.size(); i > 1; --i)
        std::swap(order[i - 1], order[size_t(RandomBelowN(int32_t(i)))]);
    return order;
}

void CTileGameTable::Reset(int32_t full) {
    CGameTable::Reset(full);
    if (full) banker_ = secondSeat_ = -1;
    wall_.clear();
    for (TileCountArray& c : counts_)
        c.fill(0);
    reserve_.fill(0);
    bids_.clear();
    std::fill(area512_.begin(), area512_.end(), 0);
    area8_.fill(0);
    discardStamp_ = 0;
    bestBid_ = config_.defaultBid;
    dealStart_ = 0;
    specialPos_ = -1;
    jokerTile_ = -1;
    points_ = 0;
}

void CTileGameTable::SetupNewGame() {
    ShuffleAndDeal();
    currentChair_ = StartingSeat();
    dealStart_ = DealStartPosition();
    banker_ = BankerForGame();
    DealHands();
    specialPos_ = SpecialPosition();
    jokerTile_ = JokerTileForGame();
    secondSeat_ = SecondSeatForGame();
}

int32_t CTileGameTable::PrepareGame(const TableRecord* previous) {
    banker_ = BankerForPrepare(previous);
    secondSeat_ = currentChair_;
    return CGameTable::PrepareGame(previous);
}

size_t CTileGameTable::TableInfoSize() {
    return table_info::kTileBytes;
}

void CTileGameTable::FillTableInfo(TableRecord& r, int32_t viewer, int32_t flag) {
    using namespace table_info;
    CGameTable::FillTableInfo(r, viewer, flag);
    const int32_t tileConfig[] = {config_.tileCount,    config_.copiesPerKind, config_.tileConfig3,
                                  config_.reserveCount, config_.kindCountA,    config_.suitStride,
                                  config_.kindCountB};
    r.Put(kTileCount, tileConfig);
    if (config_.ruleWords) r.Put(kRuleWords, *config_.ruleWords);
    const int32_t timing[] = {config_.turnTime, config_.tileConfig17, config_.tileConfig18,
                              config_.topBid,   config_.bottomBid,    config_.defaultBid};
    r.Put(kTurnTime, timing);
    r.Set(kBanker, banker_);
    r.Set(kSecondSeat, secondSeat_);
    r.Set(kBidCount, int32_t(bids_.size()));
    for (size_t i = 0; i < bids_.size(); ++i) {
        const BidRecord& b = bids_[i];
        const int32_t words[] = {b.seat,    b.pass,    b.value,  b.kept[0],
                                 b.kept[1], b.kept[2], b.kept[3]};
        r.Put(kBids + 7 * i, words);
    }
    r.Set(kBestBid, bestBid_);
    r.Set(kDealStart, dealStart_);
    r.Set(kSpecialPos, specialPos_);
    r.Set(kJokerTile, jokerTile_);
    r.Set(kPoints, points_);
    r.Put(kArea512, area512_);
    r.Put(kArea8, area8_);
    r.Set(kDiscardStamp, int32_t(discardStamp_));
    if (viewer == currentChair_) {
        r.Put(kReserve, reserve_);
    } else {
        r.Fill(kReserve, kReserveSize, -1);
    }
    r.Fill(kHeld, size_t(kMaxSeats) * kTileListSize, -1);
    if (ValidSeat(viewer) && !flag) {
        TileList own;
        ListHeld(viewer, own);
        r.Put(kHeld + size_t(viewer) * kTileListSize, own);
    }
}

size_t CTileGameTable::GameEndRecordSize() {
    return game_end::kTileBytes;
}

int32_t CTileGameTable::FirstGameFlag(const TableRecord* previous) {
    if (previous) firstGame_ += previous->Get(game_end::kFirstGameAdd);
    return firstGame_;
}

int32_t CTileGameTable::ChooseTile(int32_t, TileList&) {
    return 1;
}

int32_t CTileGameTable::TwoGroups() {
    for (int s = 0; s < config_.seatCount; ++s)
        groups_[size_t(s)] = s == currentChair_ ? 0 : 1;
    return 2;
}

int32_t CTileGameTable::DealStartPosition() {
    return 0;
}

int32_t CTileGameTable::SpecialPosition() {
    return config_.tileCount / 2;
}

TileId CTileGameTable::JokerTileForGame() {
    return TileAtWallPos(specialPos_);
}

int32_t CTileGameTable::BankerForGame() {
    return BankerForPrepare(nullptr);
}

int32_t CTileGameTable::SecondSeatForGame() {
    return currentChair_;
}

int32_t CTileGameTable::BankerForPrepare(const TableRecord*) {
    return RandomBelowN(config_.seatCount);
}

int32_t CTileGameTable::CurrentChairWord() {
    return currentChair_;
}

int32_t CTileGameTable::NoBit200() {
    return !(state_ & 0x200);
}

int32_t CTileGameTable::FirstSeatWithTiles(int32_t from) {
    if (!ValidSeat(from)) return -1;
    int32_t seat = from;
    for (int i = 0; i < config_.seatCount; ++i, seat = PrevSeat(seat)) {
        if (HeldCount(seat) > 0) return seat;
    }
    return -1;
}

void CTileGameTable::ShuffleAndDeal() {
    std::vector<TileId> order = ShuffledOrder();
    // Only a test deal that was switched on replaces the shuffle.
    if (!testDeal_.empty()) LoadTestDeal(order);
    BuildWallFromOrder(order);
}

void CTileGameTable::BuildWallFromOrder(const std::vector<TileId>& order) {
    wall_.clear();
    wall_.reserve(order.size());
    for (TileId id : order)
        wall_.push_back(WallRecord{id, SuitOf(id), RankOf(id), kTakenInWall, -1, -1, 0});
}

int32_t CTileGameTable::LoadTestDeal(std::vector<TileId>& order) {
    if (testDeal_.size() != order.size()) return 0;
    order = testDeal_;
    return 1;
}

int32_t CTileGameTable::TestIniInt(const std::string& key, int32_t value) {
    if (!testDeal_.empty()) return testValues_[key];
    testValues_[key] = value;
    return value;
}

bool CTileGameTable::SetTestDeal(std::vector<TileId> order) {
    if (order.empty()) {
        testDeal_.clear();
        return true;
    }
    if (order.size() != size_t(config_.tileCount)) return false;
    std::vector<bool> seen(order.size(), false);
    for (TileId id : order) {
        if (id < 0 || size_t(id) >= order.size() || seen[size_t(id)]) return false;
        seen[size_t(id)] = true;
    }
    testDeal_ = std::move(order);
    return true;
}

int32_t CTileGameTable::TilesPerSeat() {
    return (config_.tileCount - config_.reserveCount) / config_.seatCount;
}

void CTileGameTable::DealHands() {
    if (wall_.empty() || !ValidSeat(banker_)) return;
    const int64_t size = int64_t(wall_.size());
    int64_t p = dealStart_;
    for (int32_t round = 0; round < TilesPerSeat(); ++round) {
        int32_t seat = banker_;
        for (int i = 0; i < config_.seatCount; ++i, seat = PrevSeat(seat)) {
            WallRecord& r = wall_[size_t(((p++ % size) + size) % size)];
            r.taken = kTakenHeld;
            r.taker = seat;
            int32_t slot = KindSlot(r);
            if (slot >= 0) ++counts_[size_t(seat)][size_t(slot)];
        }
    }
    for (int32_t i = 0; i < config_.reserveCount && i < kReserveSize; ++i)
        reserve_[size_t(i)] = wall_[size_t(((p++ % size) + size) % size)].tile;
}

int32_t CTileGameTable::CheckWall() {
    std::map<int64_t, int32_t> byIndex;
    for (const WallRecord& r : wall_)
        ++byIndex[int64_t(r.suit) * config_.suitStride + r.rank];
    for (int32_t i = 0; i < config_.kindCountA; ++i) {
        if (i % config_.suitStride == 0) continue;
        if (byIndex[i] != config_.copiesPerKind) return 0;
    }
    return 1;
}

int32_t CTileGameTable::WallPosOfTile(TileId tile) {
    WallRecord* r = RecordOf(tile);
    return r ? int32_t(r - wall_.data()) : -1;
}

TileId CTileGameTable::TileAtWallPos(int32_t pos) {
    WallRecord* r = RecordAt(pos);
    return r ? r->tile : -1;
}

int32_t CTileGameTable::HeldCount(int32_t seat) {
    if (!ValidSeat(seat)) return 0;
    int64_t sum = 0;
    for (int32_t c : counts_[size_t(seat)])
        sum += c;
    return int32_t(sum);
}

int32_t CTileGameTable::Holds(int32_t seat, TileId tile) {
    WallRecord* r = RecordOf(tile);
    return r && ValidSeat(seat) && r->taken == kTakenHeld && r->taker == seat;
}

int32_t CTileGameTable::CheckTileList64(int32_t seat, const TileList& list) {
    return CheckTileList(seat, list);
}

int32_t CTileGameTable::CheckTileList(int32_t seat, std::span<const TileId> list) {
    int valid = 0;
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i] < 0) continue;
        if (!Holds(seat, list[i])) return 0;
        if (std::find(list.begin(), list.begin() + ptrdiff_t(i), list[i]) !=
            list.begin() + ptrdiff_t(i))
            return 0;
        ++valid;
    }
    return valid > 0;
}

int32_t CTileGameTable::ListHeld(int32_t seat, std::span<TileId> out) {
    std::fill(out.begin(), out.end(), -1);
    size_t n = 0;
    for (const WallRecord& r : wall_) {
        if (n < out.size() && r.taken == kTakenHeld && r.taker == seat) out[n++] = r.tile;
    }
    return int32_t(n);
}

TileId CTileGameTable::FirstHeld(int32_t seat) {
    for (const WallRecord& r : wall_) {
        if (r.taken == kTakenHeld && r.taker == seat) return r.tile;
    }
    return -1;
}

int32_t CTileGameTable::TakerOf(TileId tile) {
    WallRecord* r = RecordOf(tile);
    return r ? r->taker : -1;
}

int32_t CTileGameTable::TakenStateOf(TileId tile) {
    WallRecord* r = RecordOf(tile);
    return r ? r->taken : kNoSuchTile;
}

int32_t CTileGameTable::SetTakenState(TileId tile, int32_t state) {
    WallRecord* r = RecordOf(tile);
    if (!r) return kNoSuchTile;
    return std::exchange(r->taken, state);
}

int32_t CTileGameTable::SetTaker(TileId tile, int32_t seat) {
    WallRecord* r = RecordOf(tile);
    if (!r) return -1;
    return std::exchange(r->taker, seat);
}

WallRecord* CTileGameTable::GiveTile(TileId tile, int32_t seat) {
    WallRecord* r = RecordOf(tile);
    if (!r || !ValidSeat(seat) || r->taken != kTakenHeld || r->taker == seat) return nullptr;
    int32_t pos = int32_t(r - wall_.data());
    DecreaseCount(r->taker, pos);
    r->taker = seat;
    IncreaseCount(seat, pos);
    return r;
}

int32_t CTileGameTable::Discard(int32_t seat, std::span<const TileId> list) {
    int32_t n = 0;
    for (TileId id : list) {
        if (!Holds(seat, id)) continue;
        WallRecord* r = RecordOf(id);
        r->taken = kTakenDiscarded;
        DecreaseCount(seat, int32_t(r - wall_.data()));
        ++n;
    }
    discardStamp_ = Now();
    return n;
}

int32_t CTileGameTable::TakeFromSeat(int32_t seat, int32_t pos) {
    return DecreaseCount(seat, pos);
}

int32_t CTileGameTable::ReturnToSeat(int32_t seat, int32_t pos) {
    return IncreaseCount(seat, pos);
}

int32_t CTileGameTable::DecreaseCount(int32_t seat, int32_t pos) {
    WallRecord* r = RecordAt(pos);
    int32_t slot = r ? KindSlot(*r) : -1;
    if (!ValidSeat(seat) || slot < 0 || counts_[size_t(seat)][size_t(slot)] <= 0) return 0;
    --counts_[size_t(seat)][size_t(slot)];
    return 1;
}

int32_t CTileGameTable::IncreaseCount(int32_t seat, int32_t pos) {
    WallRecord* r = RecordAt(pos);
    int32_t slot = r ? KindSlot(*r) : -1;
    if (!ValidSeat(seat) || slot < 0) return 0;
    ++counts_[size_t(seat)][size_t(slot)];
    return 1;
}

int32_t CTileGameTable::IsJokerKind(TileId tile) {
    if (jokerTile_ < 0 || tile < 0) return 0;
    return SuitOf(tile) == SuitOf(jokerTile_) && RankOf(tile) == RankOf(jokerTile_);
}

int32_t CTileGameTable::CountTiles(std::span<const TileId> list, TileCountArray& counts) {
    int32_t n = 0;
    for (TileId id : list) {
        TileIndex k = id >= 0 ? IndexOfTile(id) : -1;
        if (k < 0 || k >= kCountSlots) continue;
        ++counts[size_t(k)];
        ++n;
    }
    return n;
}

int32_t CTileGameTable::OrderByIndex(std::span<const TileId> list, const TileCountArray& keep,
                                     TileList& out) {
    out.fill(-1);
    std::vector<TileId> kept;
    for (TileId id : list) {
        TileIndex k = id >= 0 ? IndexOfTile(id) : -1;
        if (k >= 0 && k < kCountSlots && keep[size_t(k)]) kept.push_back(id);
    }
    // Equal kinds keep their list order (ids of a list are distinct).
    std::vector<size_t> at(kept.size());
    for (size_t i = 0; i < at.size(); ++i)
        at[i] = i;
    std::sort(at.begin(), at.end(), [&](size_t a, size_t b) {
        TileIndex ka = IndexOfTile(kept[a]), kb = IndexOfTile(kept[b]);
        return ka != kb ? ka < kb : a < b;
    });
    std::vector<TileId> sorted;
    for (size_t i : at)
        sorted.push_back(kept[i]);
    kept = std::move(sorted);
    size_t n = std::min(kept.size(), out.size());
    std::copy_n(kept.begin(), n, out.begin());
    return int32_t(n);
}

int32_t CTileGameTable::CountsToTiles(int32_t seat, const TileCountArray& counts, TileList& out) {
    out.fill(-1);
    std::vector<WallRecord> copy = wall_;
    size_t n = 0;
    for (int k = 0; k < kCountSlots; ++k) {
        for (int32_t c = 0; c < counts[size_t(k)] && n < out.size(); ++c) {
            TileId id = PickFromWallCopy(copy, k, seat);
            if (id >= 0) out[n++] = id;
        }
    }
    return int32_t(n);
}

TileId CTileGameTable::PickFromWallCopy(std::vector<WallRecord>& copy, TileIndex index,
                                        int32_t seat) {
    for (WallRecord& r : copy) {
        if (r.taken == kTakenHeld && r.taker == seat && KindSlot(r) == index) {
            r.taken = kTakenPicked;
            return r.tile;
        }
    }
    return -1;
}

TileId CTileGameTable::FirstWallTileOfIndex(TileIndex index) {
    for (const WallRecord& r : wall_) {
        if (KindSlot(r) == index) return r.tile;
    }
    return -1;
}

TileIndex CTileGameTable::IndexOfTile(TileId tile) {
    return int32_t(int64_t(SuitOf(tile)) * config_.suitStride + RankOf(tile));
}

namespace {
int32_t Limit(int32_t kinds) {
    return std::clamp(kinds, 0, kCountSlots);
}
}  // namespace

int32_t CTileGameTable::KindsPresentA(const TileCountArray& c) {
    return int32_t(std::count_if(c.begin(), c.begin() + Limit(config_.kindCountA),
                                 [](int32_t v) { return v != 0; }));
}

int32_t CTileGameTable::KindsPresentB(const TileCountArray& c) {
    return int32_t(std::count_if(c.begin(), c.begin() + Limit(config_.kindCountB),
                                 [](int32_t v) { return v != 0; }));
}

int32_t CTileGameTable::SumCountsA(const TileCountArray& c) {
    return std::accumulate(c.begin(), c.begin() + Limit(config_.kindCountA), 0);
}

int32_t CTileGameTable::SumCountsB(const TileCountArray& c) {
    return std::accumulate(c.begin(), c.begin() + Limit(config_.kindCountB), 0);
}

int32_t CTileGameTable::FirstKindA(const TileCountArray& c) {
    for (int k = 0; k < Limit(config_.kindCountA); ++k) {
        if (c[size_t(k)]) return k;
    }
    return -1;
}

int32_t CTileGameTable::FirstKindB(const TileCountArray& c) {
    for (int k = 0; k < Limit(config_.kindCountB); ++k) {
        if (c[size_t(k)]) return k;
    }
    return -1;
}

int32_t CTileGameTable::SuitOf(TileId) {
    return 0;
}

int32_t CTileGameTable::RankOf(TileId tile) {
    return tile + 1;
}

int32_t CTileGameTable::NoValue() {
    return -1;
}

int32_t CTileGameTable::EqualUnderMask(int32_t a, int32_t b, int32_t mask) {
    return (a & ~mask) == (b & ~mask);
}

int32_t CTileGameTable::DefaultYesD() {
    return 1;
}

void CTileGameTable::AllowOwnAction() {
    SetStateBits(0x100);
}

int32_t CTileGameTable::PassTurn() {
    int32_t seat = ValidSeat(activeChair_) ? activeChair_ : currentChair_;
    // One full circle at most: with no tiles anywhere there is nobody to pass to.
    for (int i = 0; i < config_.seatCount; ++i) {
        seat = PrevSeat(seat);
        if (HeldCount(seat) > 0) {
            MakeActive(seat);
            return seat;
        }
    }
    return -1;
}

int32_t CTileGameTable::DefaultYesE() {
    return 1;
}

int32_t CTileGameTable::DefaultYesF() {
    return 1;
}

int32_t CTileGameTable::PointsOf(const TileList& list) {
    int32_t points = 0;
    for (TileId id : list) {
        if (id >= 0) points += PointsOfTile(id);
    }
    return points;
}

int32_t CTileGameTable::DefaultNoA() {
    return 0;
}

int32_t CTileGameTable::AddPoints(const TileList& list) {
    points_ += PointsOf(list);
    return 0;
}

int32_t CTileGameTable::DefaultNoB() {
    return 0;
}

int32_t CTileGameTable::PointsOfTile(TileId tile) {
    int32_t rank = RankOf(tile);
    return rank == 4 ? 5 : rank == 9 || rank == 12 ? 10 : 0;
}

void CTileGameTable::ClearEndCode() {
    endCode_ = 0;
}

int32_t CTileGameTable::RecordBid(std::span<const int32_t> request, int32_t* outDone) {
    int32_t unused = 0;
    if (!outDone) outDone = &unused;
    *outDone = 0;
    if (request.size() <= request::kBidValue) return 0;
    BidRecord bid{
        request[request::kChair], request[request::kBidPass], request[request::kBidValue], {}};
    // The list holds 32 bids; one more is refused rather than written past it.
    if (!ValidSeat(bid.seat) || bids_.size() >= kMaxBids) return 0;
    bids_.push_back(bid);
    const bool lowerWins = config_.options & 0x200000;
    auto atLeastAsGood = [&](int32_t v) { return lowerWins ? v <= bestBid_ : v >= bestBid_; };
    if (!bid.pass && (lowerWins ? bid.value <= config_.bottomBid : bid.value >= config_.topBid)) {
        bestBid_ = bid.value;
        currentChair_ = bid.seat;
        *outDone = 1;
    } else if ((config_.options & 0x100000) && bids_.size() >= size_t(config_.seatCount)) {
        *outDone = 1;
        bool allPassed = true;
        for (int i = 0; i < config_.seatCount; ++i) {
            const BidRecord& b = bids_[size_t(i)];
            if (b.pass) continue;
            allPassed = false;
            if (atLeastAsGood(b.value)) {
                bestBid_ = b.value;
                currentChair_ = b.seat;
            }
        }
        if (allPassed) bestBid_ = config_.defaultBid;
    }
    if (!*outDone) MakeActive(PrevSeat(ValidSeat(activeChair_) ? activeChair_ : bid.seat));
    return 1;
}

void CTileGameTable::BeginPlay() {
    ClearStateBits(0x2);
    MakeActive(currentChair_);
    TwoGroups();
}

int32_t CTileGameTable::DefaultYesG() {
    return 1;
}

int32_t CTileGameTable::TurnTimeOver() {
    return int64_t(Now() - touchTick_) > (int64_t(config_.turnTime) + 2) * 1000;
}

int32_t CTileGameTable::CopyCounts(int32_t, TileId, const TileCountArray& from,
                                   TileCountArray& to) {
    to = from;
    return 1;
}

}  // namespace rules
