#pragma once
// CGameTable: the base of the rule tables. One table of a seated game: the
// seats and the players on them, the flags each player brings, the state bits
// of a game in progress, the dice, the turn timing, the start checks and the
// settlement of scores and silver at the end of a game. Most operations are
// virtual so that the tile and mahjong tables can replace them.

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "rules/table/table_config.h"
#include "rules/table/table_record.h"
#include "rules/table/table_util.h"

namespace rules {

inline constexpr int kMaxSeats = 8;
using SeatWords = std::array<int32_t, kMaxSeats>;

// State bits of the base; the mahjong table adds its own.
inline constexpr int32_t kStateInProgress = 0x1;
inline constexpr int32_t kStateHold = 0x1000;

// Game end codes.
inline constexpr int32_t kEndDraw = 0x2;
inline constexpr int32_t kEndWin = 0x4;
inline constexpr int32_t kEndWinFlagged = 0x8;
inline constexpr int32_t kEndSelfDrawn = 0x2000000;

class CGameTable {
  public:
    virtual ~CGameTable();
    CGameTable(const CGameTable&) = delete;
    CGameTable& operator=(const CGameTable&) = delete;

    virtual void Idle();
    virtual void Reset(int32_t full);
    virtual void FullReset();
    // Deletes the user's player and takes the id from one seat's user set.
    virtual void RemovePlayer(int32_t userId, int32_t seat);
    // With deletePlayer set, deletes the user's player; takes the id from
    // every seat's user set.
    virtual void RemoveUser(int32_t deletePlayer, int32_t userId);
    virtual int32_t IsSeatedPlayer(int32_t userId);
    virtual int32_t IsLooker(int32_t userId);
    virtual int32_t IsValidChair(int32_t chair);
    virtual TablePlayer* FindPlayer(int32_t userId);
    virtual TablePlayer* FindLooker(int32_t userId);
    virtual void SetupNewGame();
    virtual int32_t AfterDeal();
    virtual void RollDice();
    virtual int32_t StartGame(int32_t* outSeat, const StartParams& params);
    // Readies the next game from the previous game-end record (may be null).
    virtual int32_t PrepareGame(const TableRecord* previous);
    virtual void MarkSeatFlag2(int32_t seat);
    virtual size_t TableInfoSize();
    virtual void FillTableInfo(TableRecord& record, int32_t viewer, int32_t flag);
    virtual size_t StateRecordSize();
    virtual int32_t FillStateRecord(TableRecord& record, int32_t viewer, int32_t flag);
    virtual size_t SeatRecordSize();
    virtual int32_t FillSeatRecord(TableRecord& record, int32_t viewer, int32_t flag);
    virtual size_t GameEndRecordSize();
    virtual void FillGameEndRecord(TableRecord& record);
    virtual int32_t GameEndFlagsA();
    virtual int32_t GameEndFlagsB();
    virtual int32_t IsIdle();
    virtual int32_t GroupCount();
    virtual int32_t GroupSize(int32_t n);
    virtual int32_t SeatsOutsideGroup(int32_t group);
    virtual int32_t FindSeatOfGroup(int32_t from, int32_t group);
    virtual int32_t FindSeatNotOfGroup(int32_t from, int32_t group);
    virtual void MakeOwnGroups();
    virtual int32_t BeforePrepare();
    virtual int32_t IsSame(int32_t a, int32_t b);
    virtual int32_t CheckFirstGame();
    virtual int32_t FirstGameFlag(const TableRecord* previous);
    virtual int32_t ActiveChair();
    virtual void MakeActive(int32_t chair);
    virtual void TouchTurn();
    virtual int32_t PrevSeat(int32_t seat);
    virtual int32_t NextSeat(int32_t seat);
    virtual int32_t ActivateCurrentChair();
    virtual int32_t StartingSeat();
    virtual int32_t NewDealerSeat();
    virtual int32_t RecordFirstWord(const TableRecord* record);
    virtual int32_t RecordSecondWord(const TableRecord* record);
    virtual void SetStateBits(int32_t bits);
    virtual void ClearStateBits(int32_t bits);
    virtual void AssignState(int32_t state);
    virtual void MarkInProgress();
    virtual void StampState();
    virtual void SetHoldBit();
    virtual void ClearHoldBit();
    // Fills the per-seat scores of the game ending now.
    virtual int32_t Score(std::span<int32_t, kMaxSeats> scores);
    virtual int32_t PartnerTest();
    virtual int32_t DefaultYesA();
    virtual int32_t DefaultYesB();
    virtual int32_t TakeRequest(int32_t seat);
    virtual void SetWinEndCode(int32_t flag);
    virtual void SetDrawEndCode();
    virtual int32_t BaseValue(int32_t input);
    virtual int32_t SilverStake(int32_t k);
    virtual int32_t LevelOf(int32_t value);
    virtual void ComputeNewLevels(const SeatWords& a, const SeatWords& b, SeatWords& out);
    virtual int32_t BaseValueByLevel();
    virtual int32_t StakeMultiplier(int32_t n);
    virtual void CopyLevelTitles(TableRecord& record);
    virtual void RecordSilverStake(TableRecord& record);
    virtual int32_t SumSeats(const SeatWords& values);
    virtual int32_t CapLosses(const SeatWords& silver, SeatWords& change);
    virtual int32_t TakeFees(SeatWords& change, SeatWords& fee);
    virtual int32_t FeeCapFactor();
    // Keeps a settlement whose changes plus value sum below 1; zeroes both
    // arrays of any other.
    virtual int32_t GuardGains(SeatWords& change, SeatWords& fee, int32_t value);
    virtual void ApplyGameEnd(const TableRecord& record);
    virtual void ApplyNoChange(TableRecord& record);
    virtual std::vector<TableRecord> BuildResultEntries(const TableRecord& record);
    virtual int32_t ElapsedGameSeconds(int32_t* seconds, int32_t* minutes);
    virtual int32_t SeatValuesToScore(TableRecord& record);
    virtual void AddSeatArrays(const SeatWords& a, const SeatWords& b, SeatWords& toA,
                               SeatWords& toB);
    virtual int32_t InProgress();
    virtual int32_t StampYoungerThan(int32_t seat, int32_t seconds);
    virtual int32_t ActiveOrGivenSeat(int32_t seat, int32_t seconds);
    virtual int32_t GroupsDiffer(int32_t a, int32_t b, int32_t value);
    virtual int32_t Negate(int32_t value);
    virtual int32_t LeavingPenalty(int32_t seat, int32_t n, int32_t* out);
    virtual int32_t ShareAmount(int32_t a, int32_t b, int32_t amount);
    // The seat count in word 0, and from word 5 one 13-word entry per seat;
    // empty unless every seat is ready.
    virtual std::vector<int32_t> ReadyList();
    virtual int32_t LookOnAllowed();
    virtual int32_t NotAllSeatsFlag4();
    virtual int32_t AboveThreshold();
    virtual int32_t AnySeatFlag1024();
    virtual int32_t AnySeatFlag80000();
    virtual int32_t AnySeatFlag512();
    virtual int32_t AnySeatFlagB1();
    virtual int32_t AnySeatFlagB1Again();
    virtual int32_t DefaultYesC();
    // Settles the game into `record` (the game-end record) and the players.
    virtual int32_t EndGame(TableRecord& record, int32_t flag);
    // The seat count, table id, value and flags, then one result entry per
    // seat.
    virtual std::vector<TableRecord> BuildGameResult(const TableRecord& record, int32_t value,
                                                     int32_t* flags);
    virtual void AddPlayTime(std::span<const TableRecord> entries);
    virtual int32_t PlayerWord(int32_t userId);
    virtual int32_t StartedWithin(int32_t seconds);

    // Puts a player (or a looker-on watching `seat`) at the table; the table
    // owns it. False when the seat is taken, the id is present or either is
    // out of range.
    bool SeatPlayer(std::unique_ptr<TablePlayer> player, int32_t seat);
    TablePlayer* PlayerAt(int32_t seat) const;
    // Seat flags a player brings (A, B) and readiness (C).
    void SetSeatFlags(int32_t seat, int32_t flagsA, int32_t flagsB);
    void SetReady(int32_t seat, bool ready);
    void SetLevelTitles(TextRecordMap titles) { levelTitles_ = std::move(titles); }

    int32_t SeatCount() const { return config_.seatCount; }
    RuleOptions Options() const { return config_.options; }
    int32_t State() const { return state_; }
    int32_t CurrentChair() const { return currentChair_; }
    int32_t EndCode() const { return endCode_; }
    int32_t GamesCount() const { return gamesCount_; }
    const std::string& GameId() const { return gameId_; }
    const std::array<int32_t, 4>& Dice() const { return dice_; }
    uint32_t Now() const;

  protected:
    CGameTable(const TableConfig& config, TableEnvironment environment);

    bool ValidSeat(int32_t seat) const { return seat >= 0 && seat < config_.seatCount; }
    int32_t RandomBelowN(int32_t n);
    uint32_t RandomWord();
    // The silver of every seat (0 for an empty one).
    SeatWords SeatSilver() const;

    const TableConfig config_;
    TableEnvironment environment_;
    std::optional<std::mt19937> defaultGenerator_;

    std::map<int32_t, std::unique_ptr<TablePlayer>> players_;
    std::array<std::set<int32_t>, kMaxSeats> seatUsers_;
    std::array<TablePlayer*, kMaxSeats> seats_{};
    SeatWords seatWords_{};
    SeatWords flagsA_{};
    SeatWords flagsB_{};
    int32_t allFlag2_ = 0, allFlag4_ = 0, allFlag4000_ = 0, furtherFlag_ = 0;
    StartParams params_;
    int32_t firstGame_ = 0, gamesCount_ = 0, currentChair_ = 0;
    SeatWords groups_{};
    int32_t prepareWord_ = 0;
    std::array<uint32_t, kMaxSeats> stamps_{};
    std::string gameId_;
    std::array<int32_t, 4> dice_{};
    int32_t state_ = 0;
    uint32_t stateTick_ = 0;
    int32_t activeChair_ = -1;
    uint32_t touchTick_ = 0, takeoverTick_ = 0, startTick_ = 0;
    // The six per-seat arrays that a reset zeroes together.
    SeatWords seatArrayA_{};
    SeatWords turnMillis_{};
    SeatWords seatArrayB_{}, seatArrayC_{}, seatArrayD_{};
    SeatWords flagsC_{};
    int32_t baseValue_ = 0, silverStake_ = 0;
    int32_t endCode_ = 0;
    SeatWords endArray_{};
    SeatWords factors_{};
    SeatWords requestCounts_{};
    TextRecordMap levelTitles_;
};

}  // namespace rules
