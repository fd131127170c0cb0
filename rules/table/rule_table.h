#pragma once
// CRuleTable: this game's mahjong table. One joker kind, given by an
// indicator tile turned up after the deal; the winds and dragons count as
// flowers; a hu value of seven named counters found by its own capped meld
// search; a claim priority that decides between hu, kong, pung and chow
// claims on one discard; its own settlement, wall check and start position.
// Beside the operations of the chain it takes the players' requests as they
// arrive from the network, checking each before it touches the table.

#include <array>
#include <memory>
#include <span>
#include <vector>

#include "rules/table/mj_table.h"

namespace rules {

// The state of one capped meld search.
struct JokerSearch {
    TileCountArray counts{};
    int32_t nA = 0, nB = 0;
    TileIndex idxA = 0, idxB = 0;
    int32_t bestValue = 0;
    HuResult best;
    HuResult working;
    int32_t target = 100;
    int32_t steps = 0;
};

inline constexpr int32_t kSearchStepLimit = 10000;
inline constexpr int kPassedKinds = 49;

// What closing a claim window did.
struct ClaimOutcome {
    enum Kind { kNothing, kDrew, kMeld, kHandOver } kind = kNothing;
    int32_t seat = -1;  // who drew, melded or won (-1 for a drawn game)
    TileId tile = -1;   // the tile drawn (-1 when the seat's draw failed)
};

class CRuleTable : public CMJGameTable {
  public:
    // Null unless the table has the four seats its claim rules are made for
    // and a wall that fits the tile ids. Building one installs the tile hooks
    // and touches nothing else.
    static std::unique_ptr<CRuleTable> Create(const TableConfig& config = {},
                                              TableEnvironment environment = {});
    // The wall position of the next tail draw; the contract of
    // NextWallTailPos.
    static int32_t NextTailDrawPos(int32_t start, int32_t skipPos, int32_t wallSize,
                                   int32_t* counter, int32_t* skipped);

    ~CRuleTable() override;

    void Reset(int32_t full) override;
    int32_t AfterDeal() override;
    size_t StateRecordSize() override;
    int32_t FillStateRecord(TableRecord& record, int32_t viewer, int32_t flag) override;
    size_t SeatRecordSize() override;
    int32_t FillSeatRecord(TableRecord& record, int32_t viewer, int32_t flag) override;
    size_t GameEndRecordSize() override;
    void FillGameEndRecord(TableRecord& record) override;
    int32_t StartingSeat() override;
    int32_t Score(std::span<int32_t, kMaxSeats> scores) override;
    int32_t ChooseTile(int32_t seat, TileList& out) override;
    int32_t DealStartPosition() override;
    int32_t SpecialPosition() override;
    int32_t BankerForPrepare(const TableRecord* previous) override;
    void ShuffleAndDeal() override;
    int32_t CheckWall() override;
    int32_t Discard(int32_t seat, std::span<const TileId> list) override;
    int32_t SuitOf(TileId tile) override;
    int32_t RankOf(TileId tile) override;
    int32_t CopyCounts(int32_t seat, TileId tile, const TileCountArray& from,
                       TileCountArray& to) override;
    int32_t NextDealer(const TableRecord& gameEnd) override;
    int32_t ClaimWindowOver(int32_t seat) override;
    int32_t HasClaimPriority(int32_t a, int32_t b) override;
    int32_t CheckPeng(Request request) override;
    int32_t CheckChi(Request request) override;
    int32_t CheckMingGang(Request request) override;
    int32_t CheckAnGang(Request request) override;
    int32_t CheckAddedGang(Request request) override;
    int32_t ClaimPeng(Request request) override;
    int32_t ClaimChi(Request request) override;
    int32_t ClaimMingGang(Request request) override;
    int32_t ClaimKongRob(Request request) override;
    int32_t CheckHuClaim(Request request) override;
    int32_t MarkAnswered(int32_t seat) override;
    TileId DrawTail(int32_t seat) override;
    int32_t AfterPengBookkeeping(Request request) override;
    int32_t AfterChiBookkeeping(Request request) override;
    int32_t AfterKongBookkeeping(Request request) override;
    int32_t EvaluateHuOnDiscard(int32_t discarder, TileId tile) override;
    int32_t WallNearlyUsed() override;
    int32_t WallExhausted() override;
    int32_t CheckClaims(int32_t seat, TileId tile, uint32_t huMode, int32_t mask) override;
    int32_t HuTest(int32_t seat, TileId tile, uint32_t mode) override;
    int32_t WinningHandTest(int32_t seat, TileId tile, uint32_t mode) override;
    int32_t EvaluateHu(int32_t seat, TileId tile, HuResult& result, uint32_t mode) override;
    int32_t HuValue(int32_t seat, TileId tile, HuResult& result, uint32_t mode) override;
    int32_t ExtraSettlement(std::span<int32_t, kMaxSeats> scores) override;
    int32_t AfterScore() override;
    int32_t CountOtherHuClaims(Request request, std::array<int32_t, 4>& out) override;
    int32_t PartDealerFirstDraw(int32_t seat, TileId tile, HuResult& r, uint32_t mode) override;
    int32_t PartEarlyWin(int32_t seat, TileId tile, HuResult& r, uint32_t mode) override;
    int32_t PartNoShownMelds(int32_t seat, TileId tile, HuResult& r, uint32_t mode) override;
    int32_t PartSingleWait(int32_t seat, TileId tile, HuResult& r, uint32_t mode) override;

    virtual int32_t DoublingWord();
    virtual void FillSeatResult(TableRecord& record, int32_t seat);
    virtual int32_t KongsInResult(const HuResult& result);
    virtual int32_t FlowerValue(int32_t seat);
    virtual int32_t FlowerValueOfAll();
    virtual void SortAscending(std::vector<int32_t>& values);
    virtual int32_t DefaultNoC();
    virtual int32_t CounterValue(std::span<const int32_t> counters);
    virtual void CountsWithMelds(int32_t seat, int32_t flag, TileCountArray& out);
    virtual void AppendShownMelds(int32_t seat, HuResult& result, int32_t flag);
    virtual int32_t SameMeld(const MeldRecord& a, const MeldRecord& b);
    virtual int32_t ClaimPriority(int32_t seat, int32_t discarder, int32_t mode);
    virtual int32_t BestPossibleHu(int32_t seat, HuResult& result);
    // The best hu value of counts (the winning tile not among them) with
    // tile; the best decomposition goes to result. 0 when none.
    virtual int32_t CheckHu(int32_t seat, const TileCountArray& counts, TileId tile, uint32_t mode,
                            HuResult& result);
    virtual int32_t DecomposeWithJokers(JokerSearch& search, int32_t pairMade);
    virtual int32_t RecordHuBeside(Request request);
    virtual int32_t RotateMarks(int32_t seat);

    // Builds the wall: the shuffled order (or the test deal), then the wall.
    void BuildWall();
    std::vector<TileId> ShuffleWallOrder(int32_t seed);

    // Requests from the network. Each checks its chair, tiles and the table's
    // state first and answers 0, changing nothing, when the request does not
    // stand; 1 when it was carried out (or, for claims, recorded).
    // Starts a round: the start checks, the deal and the dealer's first turn.
    int32_t StartRound(int32_t* outSeat, const StartParams& params);
    int32_t RequestDiscard(Request request);
    // A pung, chow or exposed kong claim on the open discard (kind 1, 4, 2).
    int32_t RequestClaim(Request request, int32_t kind);
    // Hu: kind 2 on the own draw ends the hand; kinds 1 (a discard) and 4
    // (robbing a kong) are recorded as claims.
    int32_t RequestHu(Request request);
    int32_t RequestPass(Request request);
    int32_t RequestConcealedKong(Request request);
    int32_t RequestAddedKong(Request request);
    // The replacement goes to *replacement (-1 when the wall gave none).
    int32_t RequestFlower(Request request, TileId* replacement);
    // Ends the open claim window: the best recorded claim is carried out (a
    // hu ends the hand); with none the next seat draws.
    ClaimOutcome CloseClaims();
    // The tile with which the seat on turn may declare a self-drawn win now,
    // -1 when it may not.
    TileId SelfDrawnWinTile(int32_t seat);

    bool HandOver() const { return state_ & kStateClaimsClosed; }
    const TableRecord& LastGameEnd() const { return lastGameEnd_; }
    TileId LastDrawn(int32_t seat) const { return lastDrawn_[size_t(seat)]; }
    int32_t ClaimPriorityOf(int32_t seat) const { return claimPriority_[size_t(seat)]; }
    const std::array<int32_t, 2>& BlockedKinds(int32_t seat) const {
        return blocked_[size_t(seat)];
    }
    int32_t PassedKind(int32_t seat, TileIndex kind) const;
    const std::array<int32_t, kMJSeats>& RunningTotals() const { return runningTotals_; }
    void SetDoubling(int32_t doubling) { doubling_ = doubling; }

  protected:
    CRuleTable(const TableConfig& config, TableEnvironment environment);

  private:
    // The seat's hand less the drawn winning tile for a self-drawn test.
    TileCountArray HandFor(int32_t seat, TileId tile, uint32_t mode) const;
    TileIndex JokerKind() const;
    // The seat is on turn and the tile may be its self-drawn winning tile.
    bool SelfDrawnTileStands(int32_t seat, TileId tile);
    // The winner's and discarder's words, then the game's end and settlement.
    void EndHand(int32_t winner, TileId tile, int32_t discarder, bool selfDrawn);
    void DrawnGame();
    // A robbed added kong is the pung it was, its tile the konger's discard.
    void UndoRobbedKong();
    // The winner is paid by every other seat: a self-drawn win or "抢金".
    bool PaidLikeSelfDrawn() const;
    // The priority gate of the checks: no seat has recorded a higher claim.
    bool NoHigherClaim(int32_t claimer, int32_t discarder, int32_t mode);
    // Records a claim when no seat with an open offer outranks it.
    int32_t Arbitrate(Request request, int32_t mode);
    bool WindowPassed() const;
    void ClearClaims();
    // The replacement tile of a kong from the tail; a drawn game when none
    // is left (then -1).
    TileId ReplacementDraw(int32_t seat);
    // A tail draw; with heldToReserve none once the wall is nearly used.
    TileId TailDraw(int32_t seat, bool heldToReserve);

    std::array<int32_t, kMJSeats> claimPriority_{}, claimMade_{};
    std::array<std::array<int32_t, 2>, kMJSeats> blocked_{};
    std::array<int32_t, kMJSeats> discardCount_{}, jokerRun_{};
    std::array<std::array<int32_t, kPassedKinds>, kMJSeats> passedKind_{};
    std::array<int32_t, kMJSeats> marks_{};
    std::array<int32_t, kMJSeats> runningTotals_{};
    std::array<int32_t, 4> tableWords_{};
    std::array<int32_t, kMJSeats> charged_{};
    std::array<TileId, kMJSeats> lastDrawn_{};
    std::array<std::array<int32_t, request::kClaimWords>, kMJSeats> pendingClaim_{};
    std::array<int32_t, kMJSeats> pendingKind_{};
    int32_t targetValue_ = 100;
    // The pung an open added kong was made of, and its place among the pungs.
    std::pair<std::ptrdiff_t, ShownMeld> robbablePung_;
    // The seat, tile and mode of the hu being evaluated, for the search's
    // leaves.
    int32_t evalSeat_ = -1;
    TileId evalTile_ = -1;
    uint32_t evalMode_ = 0;
    TableRecord lastGameEnd_;
};

}  // namespace rules
