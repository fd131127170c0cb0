#include "rules/table/game_table.h"

#include <algorithm>
#include <limits>

#include "platform/clock.h"

namespace rules {
namespace {

int32_t Clamp32(int64_t v) {
    return int32_t(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                       std::numeric_limits<int32_t>::max()));
}

// Exact ceil(a / b) for a >= 0, b > 0.
int64_t CeilDiv(int64_t a, int64_t b) {
    return (a + b - 1) / b;
}

}  // namespace

CGameTable::CGameTable(const TableConfig& config, TableEnvironment environment)
    : config_(config), environment_(std::move(environment)) {
    groups_.fill(-1);
    CGameTable::Reset(1);
}

CGameTable::~CGameTable() = default;

uint32_t CGameTable::Now() const {
    return environment_.tickCount ? environment_.tickCount() : platform::GetTickCount();
}

uint32_t CGameTable::RandomWord() {
    if (environment_.random) return environment_.random();
    // Seeded on first use, so that building a table reads nothing.
    if (!defaultGenerator_) {
        std::random_device device;
        defaultGenerator_.emplace(device());
    }
    return uint32_t((*defaultGenerator_)());
}

int32_t CGameTable::RandomBelowN(int32_t n) {
    if (n <= 0) return 0;
    // Unbiased: values past the last whole multiple of n are drawn again.
    uint32_t limit = UINT32_MAX - UINT32_MAX % uint32_t(n);
    for (;;) {
        uint32_t v = RandomWord();
        if (v < limit) return int32_t(v % uint32_t(n));
    }
}

SeatWords CGameTable::SeatSilver() const {
    SeatWords silver{};
    for (int s = 0; s < config_.seatCount; ++s)
        silver[size_t(s)] = seats_[size_t(s)] ? seats_[size_t(s)]->silver : 0;
    return silver;
}

void CGameTable::Idle() {}

void CGameTable::Reset(int32_t full) {
    if (full) {
        seats_.fill(nullptr);
        players_.clear();
        for (auto& users : seatUsers_)
            users.clear();
        seatWords_.fill(0);
        flagsA_.fill(0);
        flagsB_.fill(0);
        allFlag2_ = allFlag4_ = allFlag4000_ = 0;
        baseValue_ = silverStake_ = 0;
        params_ = StartParams{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        firstGame_ = gamesCount_ = currentChair_ = 0;
        groups_.fill(-1);
        stamps_.fill(0);
    }
    gameId_.clear();
    dice_.fill(0);
    state_ = 0;
    stateTick_ = Now();
    activeChair_ = -1;
    touchTick_ = takeoverTick_ = 0;
    for (SeatWords* a : {&seatArrayA_, &turnMillis_, &seatArrayB_, &seatArrayC_, &seatArrayD_,
                         &flagsC_, &endArray_, &factors_, &requestCounts_})
        a->fill(0);
    endCode_ = 0;
}

void CGameTable::FullReset() {
    Reset(1);
}

void CGameTable::RemovePlayer(int32_t userId, int32_t seat) {
    auto it = players_.find(userId);
    if (it != players_.end()) {
        // A seat must never keep pointing at a deleted player.
        for (TablePlayer*& p : seats_) {
            if (p == it->second.get()) p = nullptr;
        }
        players_.erase(it);
    }
    if (seat >= 0 && seat < kMaxSeats) seatUsers_[size_t(seat)].erase(userId);
}

void CGameTable::RemoveUser(int32_t deletePlayer, int32_t userId) {
    if (deletePlayer) RemovePlayer(userId, -1);
    for (auto& users : seatUsers_)
        users.erase(userId);
}

int32_t CGameTable::IsSeatedPlayer(int32_t userId) {
    auto it = players_.find(userId);
    return it != players_.end() && !it->second->looker;
}

int32_t CGameTable::IsLooker(int32_t userId) {
    auto it = players_.find(userId);
    return it != players_.end() && it->second->looker;
}

int32_t CGameTable::IsValidChair(int32_t chair) {
    return ValidSeat(chair);
}

TablePlayer* CGameTable::FindPlayer(int32_t userId) {
    auto it = players_.find(userId);
    return it != players_.end() && !it->second->looker ? it->second.get() : nullptr;
}

TablePlayer* CGameTable::FindLooker(int32_t userId) {
    auto it = players_.find(userId);
    return it != players_.end() && it->second->looker ? it->second.get() : nullptr;
}

void CGameTable::SetupNewGame() {
    currentChair_ = StartingSeat();
}

int32_t CGameTable::AfterDeal() {
    return 1;
}

void CGameTable::RollDice() {
    for (int32_t& die : dice_)
        die = RandomBelowN(6) + 1;
}

int32_t CGameTable::StartGame(int32_t* outSeat, const StartParams& p) {
    int32_t unused = 0;
    if (!outSeat) outSeat = &unused;
    for (int s = 0; s < config_.seatCount; ++s) {
        if (!seats_[size_t(s)]) {
            *outSeat = s;
            return kStartSeatEmpty;
        }
    }
    ++gamesCount_;
    startTick_ = Now();
    baseValue_ = BaseValue(p.baseValue);
    auto every = [&](int32_t bit) {
        for (int s = 0; s < config_.seatCount; ++s) {
            if (!(flagsA_[size_t(s)] & bit)) return 0;
        }
        return 1;
    };
    allFlag2_ = every(0x2);
    allFlag4_ = every(0x4);
    allFlag4000_ = every(0x4000);
    params_ = p;
    if (allFlag4_ && !(config_.options & 0x400000)) {
        silverStake_ = SilverStake(p.stakeFactor);
        for (int s = 0; s < config_.seatCount; ++s) {
            if (seats_[size_t(s)]->silver < p.minSilver) {
                *outSeat = s;
                return kStartSilverTooLow;
            }
        }
    }
    for (int s = 0; s < config_.seatCount; ++s) {
        if (seats_[size_t(s)]->score < p.minScore) {
            *outSeat = s;
            return kStartScoreTooLow;
        }
    }
    for (int s = 0; s < config_.seatCount; ++s) {
        if (seats_[size_t(s)]->score > p.maxScore) {
            *outSeat = s;
            return kStartScoreTooHigh;
        }
    }
    RollDice();
    SetupNewGame();
    AfterDeal();
    MarkInProgress();
    ActivateCurrentChair();
    MakeOwnGroups();
    CheckFirstGame();
    if (gameId_.empty()) {
        static const char kHex[] = "0123456789abcdef";
        for (int i = 0; i < 30; ++i)
            gameId_.push_back(kHex[RandomBelowN(16)]);
    }
    return 1;
}

int32_t CGameTable::PrepareGame(const TableRecord* previous) {
    currentChair_ = NewDealerSeat();
    BeforePrepare();
    FirstGameFlag(previous);
    prepareWord_ = RecordSecondWord(previous);
    Reset(0);
    return 1;
}

void CGameTable::MarkSeatFlag2(int32_t seat) {
    if (ValidSeat(seat)) flagsC_[size_t(seat)] |= 0x2;
}

size_t CGameTable::TableInfoSize() {
    return table_info::kBaseBytes;
}

void CGameTable::FillTableInfo(TableRecord& r, int32_t, int32_t) {
    using namespace table_info;
    r = TableRecord(TableInfoSize());
    r.Set(kStakeStep, config_.stakeStep);
    r.Set(kLevelUnit, config_.levelUnit);
    r.Set(kSeatCount, config_.seatCount);
    r.Set(kRuleOptions, int32_t(config_.options));
    r.Set(kRequestLimit, config_.requestLimit);
    r.Put(kSeatWords, seatWords_);
    r.Put(kFlagsA, flagsA_);
    r.Set(kAllFlag2, allFlag2_);
    r.Set(kAllFlag4, allFlag4_);
    r.Set(kAllFlag4000, allFlag4000_);
    const int32_t params[] = {params_.stakeFactor, params_.minSilver, params_.feeUnit,
                              params_.leaveCap, params_.leavePercent};
    r.Put(kParams, params);
    r.Set(kFirstGame, firstGame_);
    r.Set(kGamesCount, gamesCount_);
    r.Set(kCurrentChair, currentChair_);
    r.Put(kGroups, groups_);
    r.Put(kDice, dice_);
    r.Set(kState, state_);
    r.Set(kActiveChair, activeChair_);
    r.Put(kTurnTimes, turnMillis_);
    r.Put(kSeatArrays, seatArrayB_);
    r.Put(kSeatArrays + kMaxSeats, seatArrayC_);
    r.Put(kFlagsC, flagsC_);
    r.Set(kBaseValue, baseValue_);
    r.Set(kSilverStake, silverStake_);
    r.Set(kEndCode, endCode_);
    r.Put(kEndArray, endArray_);
    r.Put(kFactors, factors_);
    r.Put(kRequestCounts, requestCounts_);
    if (activeChair_ >= 0 && takeoverTick_) r.Set(kTakeoverMillis, int32_t(Now() - takeoverTick_));
    r.Set(kPrepareWord, prepareWord_);
    r.Set(kAnyFlagB1, AnySeatFlagB1Again());
}

size_t CGameTable::StateRecordSize() {
    return 0;
}

int32_t CGameTable::FillStateRecord(TableRecord& record, int32_t, int32_t) {
    record = TableRecord(StateRecordSize());
    return 0;
}

size_t CGameTable::SeatRecordSize() {
    return 0;
}

int32_t CGameTable::FillSeatRecord(TableRecord& record, int32_t, int32_t) {
    record = TableRecord(SeatRecordSize());
    return 0;
}

size_t CGameTable::GameEndRecordSize() {
    return game_end::kBaseBytes;
}

void CGameTable::FillGameEndRecord(TableRecord& r) {
    using namespace game_end;
    r = TableRecord(GameEndRecordSize());
    const int n = config_.seatCount;
    r.Set(kEndCode, endCode_);
    r.Set(kSeats, n);
    r.Set(kGamesCount, gamesCount_);
    r.Set(kCurrentChair, currentChair_);
    r.Put(kGroups, groups_);
    r.Put(kEndArray, endArray_);
    r.Put(kFactors, factors_);
    r.Set(kBaseValue, baseValue_);
    r.Set(kSilverStake, silverStake_);
    SeatWords score{}, silver{}, scoreChange{}, silverChange{}, fee{}, baseTimes{}, stakeTimes{};
    for (int s = 0; s < n; ++s) {
        const TablePlayer* p = seats_[size_t(s)];
        score[size_t(s)] = p ? p->score : 0;
        silver[size_t(s)] = p ? p->silver : 0;
        baseTimes[size_t(s)] = Clamp32(int64_t(baseValue_) * factors_[size_t(s)]);
        stakeTimes[size_t(s)] = Clamp32(int64_t(factors_[size_t(s)]) * silverStake_);
    }
    const bool stakes = allFlag4_ && silverStake_;
    SeatWords noStake{};
    AddSeatArrays(baseTimes, stakes ? stakeTimes : noStake, scoreChange, silverChange);
    std::array<int32_t, kMaxSeats> scores{};
    Score(scores);
    r.Put(kScores, scores);
    r.Set(kPartner, PartnerTest());
    for (int s = 0; s < n; ++s) {
        r.Set(kScore + size_t(s), score[size_t(s)]);
        r.Set(kSilver + size_t(s), silver[size_t(s)]);
        r.Set(kBaseTimesFactor + size_t(s), baseTimes[size_t(s)]);
        r.Set(kFactorTimesStake + size_t(s), stakeTimes[size_t(s)]);
        r.Set(kScoreChange + size_t(s), scoreChange[size_t(s)]);
        r.Set(kSilverChange + size_t(s), silverChange[size_t(s)]);
    }
    SeatValuesToScore(r);
    for (int s = 0; s < n; ++s) {
        scoreChange[size_t(s)] = r.Get(kScoreChange + size_t(s));
        silverChange[size_t(s)] = r.Get(kSilverChange + size_t(s));
    }
    if (stakes) {
        CapLosses(silver, silverChange);
        int32_t fees = TakeFees(silverChange, fee);
        GuardGains(silverChange, fee, fees);
    }
    SeatWords total{}, levels{};
    for (int s = 0; s < n; ++s)
        total[size_t(s)] = Clamp32(int64_t(score[size_t(s)]) + scoreChange[size_t(s)]);
    ComputeNewLevels(total, SeatWords{}, levels);
    for (int s = 0; s < n; ++s) {
        r.Set(kSilverChange + size_t(s), silverChange[size_t(s)]);
        r.Set(kFee + size_t(s), fee[size_t(s)]);
        r.Set(kNewLevel + size_t(s), levels[size_t(s)]);
    }
    r.Set(kFlags, r.Get(kFlags) | GameEndFlagsA() | GameEndFlagsB());
}

int32_t CGameTable::GameEndFlagsA() {
    return 0;
}

int32_t CGameTable::GameEndFlagsB() {
    return 0;
}

int32_t CGameTable::IsIdle() {
    return !(state_ & kStateInProgress);
}

int32_t CGameTable::GroupCount() {
    std::set<int32_t> distinct;
    for (int s = 0; s < config_.seatCount; ++s)
        distinct.insert(groups_[size_t(s)]);
    return int32_t(distinct.size());
}

int32_t CGameTable::GroupSize(int32_t n) {
    // Groups are numbered by their first seat.
    std::vector<int32_t> order;
    for (int s = 0; s < config_.seatCount; ++s) {
        if (std::find(order.begin(), order.end(), groups_[size_t(s)]) == order.end())
            order.push_back(groups_[size_t(s)]);
    }
    if (n < 0 || size_t(n) >= order.size()) return 0;
    return int32_t(
        std::count(groups_.begin(), groups_.begin() + config_.seatCount, order[size_t(n)]));
}

int32_t CGameTable::SeatsOutsideGroup(int32_t group) {
    return int32_t(config_.seatCount -
                   std::count(groups_.begin(), groups_.begin() + config_.seatCount, group));
}

int32_t CGameTable::FindSeatOfGroup(int32_t from, int32_t group) {
    if (!ValidSeat(from)) return -1;
    int32_t seat = from;
    for (int i = 0; i < config_.seatCount; ++i) {
        seat = PrevSeat(seat);
        if (ValidSeat(seat) && groups_[size_t(seat)] == group) return seat;
    }
    return -1;
}

int32_t CGameTable::FindSeatNotOfGroup(int32_t from, int32_t group) {
    if (!ValidSeat(from)) return -1;
    int32_t seat = from;
    for (int i = 0; i < config_.seatCount; ++i) {
        seat = PrevSeat(seat);
        if (ValidSeat(seat) && groups_[size_t(seat)] != group) return seat;
    }
    return -1;
}

void CGameTable::MakeOwnGroups() {
    for (int s = 0; s < config_.seatCount; ++s)
        groups_[size_t(s)] = s;
}

int32_t CGameTable::BeforePrepare() {
    return 0;
}

int32_t CGameTable::IsSame(int32_t a, int32_t b) {
    return a == b;
}

int32_t CGameTable::CheckFirstGame() {
    if (gamesCount_ == 1) firstGame_ = 1;
    return firstGame_;
}

int32_t CGameTable::FirstGameFlag(const TableRecord*) {
    return firstGame_;
}

int32_t CGameTable::ActiveChair() {
    return activeChair_;
}

void CGameTable::MakeActive(int32_t chair) {
    uint32_t now = Now();
    if (ValidSeat(activeChair_) && takeoverTick_) {
        int64_t t = int64_t(turnMillis_[size_t(activeChair_)]) + (now - takeoverTick_);
        turnMillis_[size_t(activeChair_)] = Clamp32(t);
    }
    activeChair_ = ValidSeat(chair) ? chair : -1;
    touchTick_ = takeoverTick_ = now;
}

void CGameTable::TouchTurn() {
    touchTick_ = Now();
}

int32_t CGameTable::PrevSeat(int32_t seat) {
    int n = config_.seatCount;
    return ((seat + n - 1) % n + n) % n;
}

int32_t CGameTable::NextSeat(int32_t seat) {
    int n = config_.seatCount;
    return ((seat + 1) % n + n) % n;
}

int32_t CGameTable::ActivateCurrentChair() {
    MakeActive(currentChair_);
    return ActiveChair();
}

int32_t CGameTable::StartingSeat() {
    return RandomBelowN(config_.seatCount);
}

int32_t CGameTable::NewDealerSeat() {
    return RandomBelowN(config_.seatCount);
}

int32_t CGameTable::RecordFirstWord(const TableRecord* record) {
    return record ? record->Get(0) : 0;
}

int32_t CGameTable::RecordSecondWord(const TableRecord* record) {
    return record ? record->Get(1) : 0;
}

void CGameTable::SetStateBits(int32_t bits) {
    state_ |= bits;
    stateTick_ = Now();
}

void CGameTable::ClearStateBits(int32_t bits) {
    state_ &= ~bits;
    stateTick_ = Now();
}

void CGameTable::AssignState(int32_t state) {
    state_ = state;
    stateTick_ = Now();
}

void CGameTable::MarkInProgress() {
    SetStateBits(kStateInProgress);
}

void CGameTable::StampState() {
    SetStateBits(0);
}

void CGameTable::SetHoldBit() {
    SetStateBits(kStateHold);
}

void CGameTable::ClearHoldBit() {
    ClearStateBits(kStateHold);
}

int32_t CGameTable::Score(std::span<int32_t, kMaxSeats>) {
    return 0;
}

// The winning side's group: the current chair's for code bit 0x1, the other
// side's for a win code.
int32_t CGameTable::PartnerTest() {
    if (!ValidSeat(currentChair_)) return 0;
    int32_t own = groups_[size_t(currentChair_)];
    if (endCode_ & 0x1) return own;
    if (endCode_ == kEndWin || endCode_ == kEndWinFlagged) {
        int32_t other = FindSeatNotOfGroup(currentChair_, own);
        return other >= 0 ? groups_[size_t(other)] : 0;
    }
    return 0;
}

int32_t CGameTable::DefaultYesA() {
    return 1;
}

int32_t CGameTable::DefaultYesB() {
    return 1;
}

int32_t CGameTable::TakeRequest(int32_t seat) {
    if (!ValidSeat(seat) || requestCounts_[size_t(seat)] >= config_.requestLimit) return 0;
    ++requestCounts_[size_t(seat)];
    return 1;
}

void CGameTable::SetWinEndCode(int32_t flag) {
    endCode_ = flag ? kEndWinFlagged : kEndWin;
}

void CGameTable::SetDrawEndCode() {
    endCode_ = kEndDraw;
}

int32_t CGameTable::BaseValue(int32_t input) {
    return input > 0 ? input : BaseValueByLevel();
}

int32_t CGameTable::SilverStake(int32_t k) {
    int32_t n = allFlag2_ ? 0 : config_.stakeStep;
    int64_t v = int64_t(StakeMultiplier(n)) * k;
    if ((params_.settlementMode == 0 || params_.settlementMode == 1) && params_.stakeCap != 0)
        v = std::min<int64_t>(v, params_.stakeCap);
    return Clamp32(v);
}

int32_t CGameTable::LevelOf(int32_t value) {
    return LevelOfValue(value, config_.levelUnit);
}

void CGameTable::ComputeNewLevels(const SeatWords& a, const SeatWords& b, SeatWords& out) {
    for (int s = 0; s < config_.seatCount; ++s)
        out[size_t(s)] =
            LevelOfValue(Clamp32(int64_t(a[size_t(s)]) + b[size_t(s)]), config_.levelUnit);
}

int32_t CGameTable::BaseValueByLevel() {
    SeatWords scores{};
    for (int s = 0; s < config_.seatCount; ++s)
        scores[size_t(s)] = seats_[size_t(s)] ? seats_[size_t(s)]->score : 0;
    return LevelValueOfMin(scores, 0, config_.seatCount, config_.levelUnit);
}

int32_t CGameTable::StakeMultiplier(int32_t n) {
    return StakeOfMin(SeatSilver(), n, config_.seatCount);
}

void CGameTable::CopyLevelTitles(TableRecord& r) {
    if (AnySeatFlagB1()) return;
    for (int s = 0; s < config_.seatCount; ++s) {
        std::array<char, 32> title{};
        FindRecordText(levelTitles_, r.Get(game_end::kNewLevel + size_t(s)), title);
        r.PutText(game_end::kLevelTitles + 4 * size_t(s), game_end::kLevelTitleBytes, title.data());
    }
}

void CGameTable::RecordSilverStake(TableRecord& record) {
    record.Set(game_end::kSilverStake, SilverStake(params_.stakeFactor));
}

int32_t CGameTable::SumSeats(const SeatWords& values) {
    int64_t sum = 0;
    for (int s = 0; s < config_.seatCount; ++s)
        sum += values[size_t(s)];
    return Clamp32(sum);
}

int32_t CGameTable::CapLosses(const SeatWords& silver, SeatWords& change) {
    const int n = config_.seatCount;
    int64_t gains = 0;
    int64_t lowest = std::numeric_limits<int64_t>::max();
    for (int s = 0; s < n; ++s) {
        if (change[size_t(s)] > 0) gains += change[size_t(s)];
        lowest = std::min<int64_t>(lowest, silver[size_t(s)]);
    }
    const SeatWords weights = change;
    for (int s = 0; s < n; ++s) {
        int64_t loss = -int64_t(change[size_t(s)]);
        if (loss <= 0) continue;
        int64_t cap = (config_.options & 0x4000000) ? silver[size_t(s)] : lowest;
        cap = std::max<int64_t>(cap, 0);
        if (loss <= cap) continue;
        int64_t cut = loss - cap;
        change[size_t(s)] = Clamp32(-cap);
        if (gains <= 0) continue;
        // Winners give back their share of the cut, rounded up, in whole
        // numbers: floating point gave 8 for 7 / 25 * 25.
        for (int w = 0; w < n; ++w) {
            if (weights[size_t(w)] <= 0) continue;
            int64_t share = CeilDiv(cut * weights[size_t(w)], gains);
            change[size_t(w)] = Clamp32(std::max<int64_t>(change[size_t(w)] - share, 0));
        }
    }
    return SumSeats(change);
}

int32_t CGameTable::TakeFees(SeatWords& change, SeatWords& fee) {
    const int n = config_.seatCount;
    int64_t total = 0;
    if (params_.settlementMode == 6) {
        for (int s = 0; s < n; ++s) {
            int64_t v = change[size_t(s)];
            if (v <= 100) continue;
            int64_t f = (v / 100) * params_.feeUnit;
            if (v > 100000) {
                f *= 5;
            } else if (v > 10000) {
                f *= CeilDiv(v, 20000);
            }
            f = std::clamp<int64_t>(f, 0, int64_t(FeeCapFactor()) * (v / 100));
            fee[size_t(s)] = Clamp32(f);
            change[size_t(s)] = Clamp32(v - f);
            total += f;
        }
    } else if (params_.settlementMode == 1) {
        const SeatWords silver = SeatSilver();
        int64_t shortfall = 0;
        for (int s = 0; s < n; ++s) {
            int64_t give = std::min<int64_t>(int64_t(silver[size_t(s)]) + change[size_t(s)],
                                             params_.perSeatMinimum);
            give = std::max<int64_t>(give, 0);
            shortfall += params_.perSeatMinimum - give;
            change[size_t(s)] = Clamp32(change[size_t(s)] - give);
            fee[size_t(s)] = Clamp32(fee[size_t(s)] + give);
            total += give;
        }
        for (int s = 0; s < n && shortfall > 0; ++s) {
            int64_t take = std::min<int64_t>(std::max(change[size_t(s)], 0), shortfall);
            change[size_t(s)] = Clamp32(change[size_t(s)] - take);
            fee[size_t(s)] = Clamp32(fee[size_t(s)] + take);
            shortfall -= take;
            total += take;
        }
    }
    return Clamp32(total);
}

int32_t CGameTable::FeeCapFactor() {
    return 5;
}

int32_t CGameTable::GuardGains(SeatWords& change, SeatWords& fee, int32_t value) {
    int64_t sum = int64_t(SumSeats(change)) + value;
    if (sum < 1) return 1;
    change.fill(0);
    fee.fill(0);
    return 0;
}

void CGameTable::ApplyGameEnd(const TableRecord& r) {
    using namespace game_end;
    for (int s = 0; s < config_.seatCount; ++s) {
        TablePlayer* p = seats_[size_t(s)];
        if (!p) continue;
        p->score = Clamp32(int64_t(p->score) + r.Get(kScoreChange + size_t(s)));
        p->level = r.Get(kNewLevel + size_t(s));
        if (allFlag4_ && silverStake_)
            p->silver = Clamp32(
                std::max<int64_t>(int64_t(p->silver) + r.Get(kSilverChange + size_t(s)), 0));
    }
}

void CGameTable::ApplyNoChange(TableRecord& r) {
    using namespace game_end;
    for (int s = 0; s < config_.seatCount; ++s) {
        r.Set(kScoreChange + size_t(s), 0);
        r.Set(kSilverChange + size_t(s), 0);
        const TablePlayer* p = seats_[size_t(s)];
        r.Set(kNewLevel + size_t(s), p ? p->level : 0);
    }
}

std::vector<TableRecord> CGameTable::BuildResultEntries(const TableRecord& r) {
    using namespace result_entry;
    std::vector<TableRecord> entries;
    int32_t seconds = 0, minutes = 0;
    ElapsedGameSeconds(&seconds, &minutes);
    for (int s = 0; s < config_.seatCount; ++s) {
        TableRecord e(kBytes);
        const TablePlayer* p = seats_[size_t(s)];
        int32_t change = r.Get(game_end::kScoreChange + size_t(s));
        e.Set(kUserId, p ? p->userId : 0);
        e.Set(kStakeStep, config_.stakeStep);
        e.Set(kBaseValue, baseValue_);
        e.Set(kSilverStake, silverStake_);
        e.Set(kScore, p ? p->score : 0);
        e.Set(kSilver, p ? p->silver : 0);
        e.Set(kSeconds, seconds);
        e.Set(kMinutes, minutes);
        e.Set(kOne, 1);
        e.Set(change > 0 ? kWin : change < 0 ? kLoss : kDraw, 1);
        e.Set(kScoreChange, change);
        e.Set(kSilverChange, r.Get(game_end::kSilverChange + size_t(s)));
        e.Set(kNewLevel, r.Get(game_end::kNewLevel + size_t(s)));
        e.PutText(kLevelTitle, game_end::kLevelTitleBytes,
                  r.Text(game_end::kLevelTitles + 4 * size_t(s), game_end::kLevelTitleBytes));
        e.Set(kFee, r.Get(game_end::kFee + size_t(s)));
        entries.push_back(std::move(e));
    }
    return entries;
}

int32_t CGameTable::ElapsedGameSeconds(int32_t* seconds, int32_t* minutes) {
    *seconds = *minutes = 0;
    if (!startTick_) return 0;
    int32_t cap = params_.elapsedLimit < 1 ? 60000 : params_.elapsedLimit;
    int64_t s = (Now() - startTick_) / 1000u;
    if (s > cap) s = 0;
    *seconds = int32_t(s);
    *minutes = int32_t(s / 60);
    return 1;
}

int32_t CGameTable::SeatValuesToScore(TableRecord&) {
    return 0;
}

void CGameTable::AddSeatArrays(const SeatWords& a, const SeatWords& b, SeatWords& toA,
                               SeatWords& toB) {
    for (int s = 0; s < config_.seatCount; ++s) {
        toA[size_t(s)] = Clamp32(int64_t(toA[size_t(s)]) + a[size_t(s)]);
        toB[size_t(s)] = Clamp32(int64_t(toB[size_t(s)]) + b[size_t(s)]);
    }
}

int32_t CGameTable::InProgress() {
    return state_ & kStateInProgress;
}

int32_t CGameTable::StampYoungerThan(int32_t seat, int32_t seconds) {
    if (InProgress() || gamesCount_ > 0 || !furtherFlag_ || !ValidSeat(seat)) return 0;
    return int64_t(Now() - stamps_[size_t(seat)]) < int64_t(seconds) * 1000;
}

int32_t CGameTable::ActiveOrGivenSeat(int32_t seat, int32_t seconds) {
    if (seat == activeChair_ || int64_t(Now() - touchTick_) <= int64_t(seconds) * 1000) return seat;
    return activeChair_;
}

int32_t CGameTable::GroupsDiffer(int32_t a, int32_t b, int32_t value) {
    if (a == b) return Negate(value);
    if (!ValidSeat(a) || !ValidSeat(b)) return 0;
    return groups_[size_t(a)] != groups_[size_t(b)];
}

int32_t CGameTable::Negate(int32_t value) {
    return Clamp32(-int64_t(value));
}

int32_t CGameTable::LeavingPenalty(int32_t seat, int32_t n, int32_t* out) {
    int64_t v = int64_t(silverStake_) * n;
    const TablePlayer* p = ValidSeat(seat) ? seats_[size_t(seat)] : nullptr;
    int64_t silver = p ? p->silver : 0;
    if (silver < -v) v = -silver;
    if (params_.leaveCap && -v > params_.leaveCap) v = -int64_t(params_.leaveCap);
    if (out) *out = Clamp32(int64_t(params_.leavePercent) * v / 100);
    return Clamp32(v);
}

int32_t CGameTable::ShareAmount(int32_t a, int32_t b, int32_t amount) {
    if (a == b || !ValidSeat(b)) return 0;
    int32_t outside = SeatsOutsideGroup(groups_[size_t(b)]);
    // Nobody outside b's group: nothing to share (the division would fail).
    if (outside == 0) return 0;
    int32_t q = amount / outside, rem = amount % outside;
    if (rem && a == FindSeatNotOfGroup(b, groups_[size_t(b)])) return q + rem;
    return q;
}

std::vector<int32_t> CGameTable::ReadyList() {
    const int n = config_.seatCount;
    for (int s = 0; s < n; ++s) {
        if (!(flagsC_[size_t(s)] & 0x1)) return {};
    }
    std::vector<int32_t> list(5 + 13 * size_t(n), 0);
    list[0] = n;
    for (int s = 0; s < n; ++s) {
        int32_t* e = &list[5 + 13 * size_t(s)];
        const TablePlayer* p = seats_[size_t(s)];
        e[0] = p ? p->userId : 0;
        e[1] = s;
        e[2] = p ? p->score : 0;
        e[3] = p ? p->silver : 0;
        e[4] = p ? p->level : 0;
        std::array<char, 32> title{};
        FindRecordText(levelTitles_, e[4], title);
        TableRecord text(32);
        text.PutText(0, 32, title.data());
        std::copy(text.Words().begin(), text.Words().end(), e + 5);
    }
    return list;
}

int32_t CGameTable::LookOnAllowed() {
    if (config_.options & 0x1000000) return 1;
    for (int s = 0; s < config_.seatCount; ++s) {
        if (flagsA_[size_t(s)] & 0x100000) return 1;
    }
    return 0;
}

int32_t CGameTable::NotAllSeatsFlag4() {
    for (int s = 0; s < config_.seatCount; ++s) {
        if (!(flagsA_[size_t(s)] & 0x4)) return 1;
    }
    return 0;
}

int32_t CGameTable::AboveThreshold() {
    if (!(config_.options & 0x2000000) || !params_.threshold) return 0;
    for (int s = 0; s < config_.seatCount; ++s) {
        const TablePlayer* p = seats_[size_t(s)];
        if (p && p->score >= params_.threshold) return 1;
    }
    return 0;
}

namespace {
int32_t AnyHas(const SeatWords& flags, int n, int32_t bit) {
    for (int s = 0; s < n; ++s) {
        if (flags[size_t(s)] & bit) return 1;
    }
    return 0;
}
}  // namespace

int32_t CGameTable::AnySeatFlag1024() {
    return AnyHas(flagsA_, config_.seatCount, 1024);
}

int32_t CGameTable::AnySeatFlag80000() {
    return AnyHas(flagsA_, config_.seatCount, 0x80000);
}

int32_t CGameTable::AnySeatFlag512() {
    return AnyHas(flagsA_, config_.seatCount, 512);
}

int32_t CGameTable::AnySeatFlagB1() {
    return AnyHas(flagsB_, config_.seatCount, 0x1);
}

int32_t CGameTable::AnySeatFlagB1Again() {
    return AnyHas(flagsB_, config_.seatCount, 0x1);
}

int32_t CGameTable::DefaultYesC() {
    return 1;
}

int32_t CGameTable::EndGame(TableRecord& record, int32_t flag) {
    FillGameEndRecord(record);
    if (flag) {
        ApplyNoChange(record);
    } else {
        ApplyGameEnd(record);
    }
    CopyLevelTitles(record);
    RecordSilverStake(record);
    return 1;
}

std::vector<TableRecord> CGameTable::BuildGameResult(const TableRecord& record, int32_t value,
                                                     int32_t* flags) {
    if (flags) *flags = (NotAllSeatsFlag4() ? 0x1 : 0) | (AboveThreshold() ? 0x2 : 0);
    std::vector<TableRecord> entries = BuildResultEntries(record);
    for (TableRecord& e : entries) {
        e.Set(result_entry::kTableId, config_.tableId);
        e.Set(result_entry::kValue, value);
    }
    return entries;
}

void CGameTable::AddPlayTime(std::span<const TableRecord> entries) {
    for (size_t s = 0; s < entries.size() && s < size_t(config_.seatCount); ++s) {
        TablePlayer* p = seats_[s];
        if (p)
            p->playSeconds =
                Clamp32(int64_t(p->playSeconds) + entries[s].Get(result_entry::kSeconds));
    }
}

int32_t CGameTable::PlayerWord(int32_t userId) {
    auto it = players_.find(userId);
    if (it == players_.end() || it->second->userId != userId) return 0;
    return it->second->extraWord;
}

int32_t CGameTable::StartedWithin(int32_t seconds) {
    return seconds > 0 && startTick_ && int64_t(Now() - startTick_) < int64_t(seconds) * 1000;
}

bool CGameTable::SeatPlayer(std::unique_ptr<TablePlayer> player, int32_t seat) {
    if (!player || !ValidSeat(seat) || players_.count(player->userId)) return false;
    if (!player->looker) {
        if (seats_[size_t(seat)]) return false;
        seats_[size_t(seat)] = player.get();
    }
    seatUsers_[size_t(seat)].insert(player->userId);
    stamps_[size_t(seat)] = Now();
    int32_t id = player->userId;
    players_[id] = std::move(player);
    return true;
}

TablePlayer* CGameTable::PlayerAt(int32_t seat) const {
    return ValidSeat(seat) ? seats_[size_t(seat)] : nullptr;
}

void CGameTable::SetSeatFlags(int32_t seat, int32_t flagsA, int32_t flagsB) {
    if (!ValidSeat(seat)) return;
    flagsA_[size_t(seat)] = flagsA;
    flagsB_[size_t(seat)] = flagsB;
}

void CGameTable::SetReady(int32_t seat, bool ready) {
    if (!ValidSeat(seat)) return;
    if (ready) {
        flagsC_[size_t(seat)] |= 0x1;
    } else {
        flagsC_[size_t(seat)] &= ~0x1;
    }
}

}  // namespace rules
