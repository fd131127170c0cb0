#pragma once
// CMJGameTable: the rules model of a mahjong table. On the tile table it adds
// the jokers and the indicator tile, claims of a discard (pung, chow, kong,
// hu) with their windows and priorities, kongs from the hand, draws from the
// front and the tail of the wall, each seat's melds, discards and flowers, the
// hu evaluation and the score parts. Its constructor installs the tile hooks.

#include <array>
#include <span>
#include <vector>

#include "rules/hand/hu_result.h"
#include "rules/table/tile_table.h"

namespace rules {

inline constexpr int kMJSeats = 4;

// State bits of a mahjong table.
inline constexpr int32_t kStateKongDrawA = 0x20;
inline constexpr int32_t kStateKongDrawB = 0x40;
inline constexpr int32_t kStateKongDrawC = 0x80;
inline constexpr int32_t kStateOwnAction = 0x100;
inline constexpr int32_t kStateClaimsOpen = 0x400;
inline constexpr int32_t kStateClaimsClosed = 0x1000000;
inline constexpr int32_t kStateExposedKongWindow = 0x2000000;
inline constexpr int32_t kStateAddedKongWindow = 0x4000000;
inline constexpr int32_t kStateKongWindowC = 0x8000000;

// Claim flags of a seat (and the claim kinds of the priority rule).
inline constexpr int32_t kClaimFlagPung = 0x1;
inline constexpr int32_t kClaimFlagKong = 0x2;
inline constexpr int32_t kClaimFlagChow = 0x4;
inline constexpr int32_t kClaimFlagHu = 0x8;

// Hu evaluation modes.
inline constexpr uint32_t kHuOnDiscard = 0x1;
inline constexpr uint32_t kHuSelfDrawn = 0x2;
inline constexpr uint32_t kHuRobbingKong = 0x4;

// Wall states of shown tiles.
inline constexpr int32_t kTakenShown = 10;
inline constexpr int32_t kTakenFlower = 16;
inline constexpr int32_t kTakenClaimed = 30;

// Claim window actions.
inline constexpr int32_t kWindowDiscard = 1;
inline constexpr int32_t kWindowExposedKong = 2;
inline constexpr int32_t kWindowAddedKong = 3;

// A meld shown on the table: its tiles (-1 where there is none) and the seat
// the claimed tile came from.
struct ShownMeld {
    std::array<TileId, 4> tiles{-1, -1, -1, -1};
    int32_t giver = -1;
    std::array<int32_t, 2> spare{};
};

// The five meld arrays of a seat.
enum MeldArray { kPungs, kChows, kExposedKongs, kAddedKongs, kConcealedKongs, kMeldArrays };

// A claim or kong request: the request payload's words.
using Request = std::span<const int32_t>;

// The 129 words of a hu result in their order.
std::array<int32_t, 129> HuResultWords(const HuResult& result);

class CMJGameTable : public CTileGameTable {
  public:
    ~CMJGameTable() override;

    void Reset(int32_t full) override;
    int32_t AfterDeal() override;
    void RollDice() override;
    int32_t StartGame(int32_t* outSeat, const StartParams& params) override;
    size_t TableInfoSize() override;
    void FillTableInfo(TableRecord& record, int32_t viewer, int32_t flag) override;
    size_t GameEndRecordSize() override;
    void FillGameEndRecord(TableRecord& record) override;
    int32_t NewDealerSeat() override;
    int32_t Score(std::span<int32_t, kMaxSeats> scores) override;
    int32_t PartnerTest() override;
    int32_t SeatValuesToScore(TableRecord& record) override;
    int32_t DealStartPosition() override;
    int32_t SpecialPosition() override;
    TileId JokerTileForGame() override;
    int32_t BankerForGame() override;
    int32_t SecondSeatForGame() override;
    int32_t TilesPerSeat() override;
    void DealHands() override;
    int32_t IsJokerKind(TileId tile) override;
    int32_t SuitOf(TileId tile) override;
    int32_t RankOf(TileId tile) override;

    // The round words of a state record.
    virtual void FillRoundWords(TableRecord& record, int32_t viewer);
    // The seats' melds, discards and flowers of a state record from word 49.
    virtual void FillSeatViews(TableRecord& record, int32_t viewer);
    virtual int32_t NextDealer(const TableRecord& gameEnd);
    virtual int32_t CountDealerRun(int32_t newDealer);
    virtual TileId NextKindTile(TileId tile);
    virtual int32_t CountSeatJokers(int32_t seat);
    virtual int32_t IsHonourOrFlowerTileOf(TileId tile);
    virtual void BeginOwnAction();
    virtual void AfterClaim();
    virtual int32_t ActivateClaimer(int32_t chair);
    virtual void AfterKongClaim();
    virtual int32_t ActivateDrawer(int32_t chair);
    virtual void AfterFlower();
    virtual int32_t ActivateFlowerSeat(int32_t chair);
    virtual int32_t StateLasted();
    virtual int32_t ClaimWindowOver(int32_t seat);
    // The wall position drawn, -1 when none is left.
    virtual int32_t DrawFront(int32_t seat);
    virtual void SkipFrontPosition();
    virtual int32_t HasClaimPriority(int32_t a, int32_t b);
    virtual int32_t ClaimsNotClosed();
    virtual int32_t CheckKongRequest(Request request);
    virtual int32_t ClaimsNotClosedToo();
    virtual int32_t CheckPeng(Request request);
    virtual int32_t CheckChi(Request request);
    virtual int32_t CheckMingGang(Request request);
    virtual int32_t CheckAnGang(Request request);
    virtual int32_t CheckAddedGang(Request request);
    // The claim windows of a pung, chow, exposed kong and added kong: here 1
    // while the claim must still wait for the other seats; the rule table
    // arbitrates the claim instead (1 when it is recorded).
    virtual int32_t ClaimPeng(Request request);
    virtual int32_t ClaimChi(Request request);
    virtual int32_t ClaimMingGang(Request request);
    virtual int32_t ClaimKongRob(Request request);
    virtual int32_t CanGrabKong(int32_t seat, TileId tile);
    virtual int32_t CheckHuClaim(Request request);
    virtual int32_t MarkAnswered(int32_t seat);
    virtual int32_t ApplyPeng(Request request);
    virtual int32_t ApplyChi(Request request);
    virtual int32_t ApplyMingGang(Request request);
    virtual int32_t ApplyAddedGang(Request request);
    virtual int32_t ApplyAnGang(Request request);
    virtual int32_t ShowFlower(int32_t seat, TileId flower);
    // The tile drawn from the tail, -1 when none is left.
    virtual TileId DrawTail(int32_t seat);
    virtual TileId FirstHeldFlower(int32_t seat);
    // The replacement tile (-1 when none came).
    virtual TileId ReplaceFlower(int32_t seat, TileId flower);
    virtual int32_t AfterPengBookkeeping(Request request);
    virtual int32_t AfterChiBookkeeping(Request request);
    virtual int32_t AfterKongBookkeeping(Request request);
    virtual int32_t AfterFlowerBookkeeping(int32_t seat, TileId flower);
    // The number of seats that win on the discard.
    virtual int32_t EvaluateHuOnDiscard(int32_t discarder, TileId tile);
    virtual int32_t CountRun(int32_t seat);
    virtual int32_t EndRun(int32_t seat);
    virtual int32_t WallNearlyUsed();
    virtual int32_t WallExhausted();
    virtual int32_t ReplacementGaveNoTile();
    virtual int32_t CheckClaims(int32_t seat, TileId tile, uint32_t huMode, int32_t mask);
    virtual int32_t CanPeng(int32_t seat, TileId tile);
    virtual int32_t CanKong(int32_t seat, TileId tile, int32_t mode);
    virtual int32_t HoldsKindOfShownPung(int32_t seat, TileId tile);
    virtual int32_t CanChi(int32_t seat, TileId tile);
    virtual int32_t CanShowFlower(int32_t seat, TileId tile);
    virtual int32_t CanHuWithTile(int32_t seat, TileId tile);
    virtual int32_t HuTest(int32_t seat, TileId tile, uint32_t mode);
    virtual int32_t WinningHandTest(int32_t seat, TileId tile, uint32_t mode);
    virtual int32_t EvaluateHu(int32_t seat, TileId tile, HuResult& result, uint32_t mode);
    virtual int32_t EvaluateSeatHu(int32_t seat, TileId tile, uint32_t mode);
    virtual int32_t HuValue(int32_t seat, TileId tile, HuResult& result, uint32_t mode);
    virtual int32_t ResultCode(int32_t seat);
    virtual int32_t ScoreBase(std::span<int32_t, kMaxSeats> scores);
    virtual int32_t ExtraSettlement(std::span<int32_t, kMaxSeats> scores);
    virtual int32_t AfterScore();
    virtual void CloseKongWindow();
    virtual void ClearClaimFlags();
    // Seats other than claimer and discarder that can hu the request's tile;
    // out gets claimer, discarder, tile and the request's word 9.
    virtual int32_t CountOtherHuClaims(Request request, std::array<int32_t, 4>& out);
    virtual int32_t HasShownPung(int32_t seat, std::span<const TileId> tiles);
    virtual int32_t HasConcealedKongWith(int32_t seat, std::span<const TileId> tiles);
    virtual int32_t SameKind(TileId a, TileId b);
    virtual int32_t IndexOfValue(const std::vector<int32_t>& values, int32_t value);
    virtual int32_t GroupsUsed(const std::array<int32_t, 5>& groups);
    virtual int32_t GroupOfKind(TileIndex kind);
    virtual void HandGroups(int32_t seat, std::array<int32_t, 5>& groups, int32_t skipJokers);
    virtual void MeldGroups(const HuResult& result, std::array<int32_t, 5>& groups);
    virtual int32_t AllShown258(int32_t seat);
    virtual int32_t AllHeld258(int32_t seat);
    virtual int32_t WinningExtra(int32_t seat);
    virtual int32_t PartDealerFirstDraw(int32_t seat, TileId tile, HuResult& r, uint32_t mode);
    virtual int32_t PartEarlyWin(int32_t seat, TileId tile, HuResult& r, uint32_t mode);
    virtual int32_t PartDealer(int32_t seat, TileId tile, HuResult& r, uint32_t mode);
    virtual int32_t PartAllPungs(int32_t seat, TileId tile, HuResult& r, uint32_t mode);
    virtual int32_t PartOneSuit(int32_t seat, TileId tile, HuResult& r, uint32_t mode);
    virtual int32_t PartSuitAndHonours(int32_t seat, TileId tile, HuResult& r, uint32_t mode);
    virtual int32_t PartAllHonours(int32_t seat, TileId tile, HuResult& r, uint32_t mode);
    virtual int32_t PartNoJokers(int32_t seat, TileId tile, HuResult& r, uint32_t mode);
    virtual int32_t PartJokersAsOwn(int32_t seat, TileId tile, HuResult& r, uint32_t mode);
    virtual int32_t PartThreeJokers(int32_t seat, TileId tile, HuResult& r, uint32_t mode);
    virtual int32_t PartFourJokers(int32_t seat, TileId tile, HuResult& r, uint32_t mode);
    virtual int32_t PartReplacementWin(int32_t seat, TileId tile, HuResult& r, uint32_t mode);
    virtual int32_t PartOneTileLeft(int32_t seat, TileId tile, HuResult& r, uint32_t mode);
    virtual int32_t PartLastTile(int32_t seat, TileId tile, HuResult& r, uint32_t mode);
    virtual int32_t PartRun(int32_t seat, TileId tile, HuResult& r, uint32_t mode);
    virtual int32_t PartNoShownMelds(int32_t seat, TileId tile, HuResult& r, uint32_t mode);
    virtual int32_t PartSingleWait(int32_t seat, TileId tile, HuResult& r, uint32_t mode);

    const std::vector<ShownMeld>& Melds(int32_t seat, MeldArray kind) const {
        return melds_[size_t(seat)][size_t(kind)];
    }
    const std::vector<TileId>& Discards(int32_t seat) const { return discards_[size_t(seat)]; }
    const std::vector<TileId>& Flowers(int32_t seat) const { return flowers_[size_t(seat)]; }
    const HuResult& SeatHuResult(int32_t seat) const { return huResults_[size_t(seat)]; }
    int32_t HuWord(int32_t seat) const { return huWords_[size_t(seat)]; }
    int32_t ClaimFlags(int32_t seat) const { return claimFlags_[size_t(seat)]; }
    int32_t Winner() const { return winner_; }
    int32_t Discarder() const { return discarder_; }
    TileId WinningTile() const { return winningTile_; }
    TileId JokerB() const { return jokerB_; }
    int32_t FrontDraws() const { return frontDraws_; }
    int32_t FrontPos() const { return frontPos_; }
    int32_t TailDraws() const { return tailDraws_; }
    int32_t TailCounter() const { return tailCounter_; }
    int32_t WindowSeat() const { return windowSeat_; }
    TileId WindowTile() const { return windowTile_; }
    int32_t WindowAction() const { return windowAction_; }
    int32_t Doubling() const { return doubling_; }
    int32_t ClaimCount(int32_t claimer, int32_t giver) const {
        return claimCounts_[size_t(claimer)][size_t(giver)];
    }

  protected:
    CMJGameTable(const TableConfig& config, TableEnvironment environment);

    // Chairs of the mahjong table: the four seats.
    static bool Chair(int32_t seat) { return seat >= 0 && seat < kMJSeats; }
    // A tile id of this wall.
    bool TileInWall(TileId tile) const { return tile >= 0 && tile < config_.tileCount; }
    int32_t Word(Request request, size_t i) const { return i < request.size() ? request[i] : -1; }
    // The request's shown tiles (-1 entries dropped), at most n of them.
    std::vector<TileId> ShownTiles(Request request, size_t n) const;
    int32_t WallSize() const { return int32_t(wall_.size()); }
    int32_t DiceSum() const { return dice_[0] + dice_[1]; }
    // The state, holding and window tests shared by the pung, chow and
    // exposed kong checks.
    bool ClaimBasics(Request request, size_t shown);
    // Applies a meld request of `shown` shown tiles into meld array `kind`.
    int32_t ApplyMeld(Request request, MeldArray kind, size_t shown);
    // The next free tail tile into seat's hand; with retireIndicator the
    // indicator the tail rule passes over is marked discarded and the seat's.
    // Unless heldToReserve is false, none once the wall is exhausted.
    TileId TakeFromTail(int32_t seat, bool retireIndicator, bool heldToReserve = true);
    // Takes a tile with its record into seat's hand from position pos.
    void TakeIntoHand(int32_t seat, int32_t pos);
    // Total melds of a seat in the given arrays.
    int32_t MeldCount(int32_t seat, std::initializer_list<MeldArray> kinds) const;
    // Whether anybody has shown a meld or discarded (flowers count with
    // countFlowers).
    bool AnythingShown(bool countFlowers) const;
    // The groups that the seat's hand and melds and the result's melds use.
    std::array<int32_t, 5> UsedGroups(int32_t seat, const HuResult& result, int32_t skipJokers);
    // Sets the winners of one discard from the per-seat hu words, keeping
    // only the first after the discarder unless several may win.
    int32_t SettleDiscardWinners(int32_t discarder, TileId tile);

    int32_t dealerRun_ = 0, doubling_ = 1;
    std::array<std::array<std::vector<ShownMeld>, kMeldArrays>, kMJSeats> melds_;
    std::array<std::vector<TileId>, kMJSeats> discards_, flowers_;
    std::array<int32_t, kMJSeats> drawCounts_{}, replacement_{};
    TileId jokerB_ = -1;
    std::array<HuResult, kMJSeats> huResults_{};
    std::array<int32_t, kMJSeats> huWords_{};
    int32_t discarder_ = -1, winner_ = -1, winFlag_ = 0, winnerCount_ = 0;
    TileId winningTile_ = -1;
    std::array<int32_t, kMJSeats> runCounters_{};
    int32_t runSeat_ = -1, runLength_ = 0;
    int32_t frontDraws_ = 0, tailDraws_ = 0, frontPos_ = 0, tailCounter_ = 0;
    int32_t windowSeat_ = -1, windowAction_ = -1;
    TileId windowTile_ = -1;
    uint32_t windowTick_ = 0;
    std::array<int32_t, kMJSeats> claimFlags_{}, answered_{};
    std::array<std::array<int32_t, kMJSeats>, kMJSeats> claimCounts_{};
    std::array<int32_t, kMJSeats> tailDrawsOf_{};
    TileId lastTailTile_ = -1;
    int32_t anySeatFlagB1_ = 0;
};

}  // namespace rules
