#pragma once
// CTileGameTable: a table played with a wall of tiles. The wall (one record
// per tile with its owner), the shuffle and the deal, the tile counts of each
// seat, moves of tiles between seats, a reserve set aside at the deal, a
// bidding phase, and a test deal that may replace the shuffle.

#include <array>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "rules/table/game_table.h"
#include "rules/hand/hand_count.h"

namespace rules {

// Taken states of a wall record.
inline constexpr int32_t kTakenInWall = 0;
inline constexpr int32_t kTakenHeld = 1;
inline constexpr int32_t kTakenDiscarded = -1;
inline constexpr int32_t kTakenPicked = -2;
inline constexpr int32_t kNoSuchTile = -999999;

// Sets a tile list of this size at once.
inline constexpr int kTileListSize = 64;
using TileList = std::array<TileId, kTileListSize>;

struct WallRecord {
    TileId tile = -1;
    int32_t suit = 0, rank = 0;
    int32_t taken = kTakenInWall;
    int32_t taker = -1;
    int32_t spareA = -1, spareB = 0;
};

struct BidRecord {
    int32_t seat = 0, pass = 0, value = 0;
    std::array<int32_t, 4> kept{};
};

inline constexpr int kMaxBids = 32;
inline constexpr int kReserveSize = 32;

class CTileGameTable : public CGameTable {
  public:
    ~CTileGameTable() override;

    void Reset(int32_t full) override;
    void SetupNewGame() override;
    int32_t PrepareGame(const TableRecord* previous) override;
    size_t TableInfoSize() override;
    void FillTableInfo(TableRecord& record, int32_t viewer, int32_t flag) override;
    size_t GameEndRecordSize() override;
    int32_t FirstGameFlag(const TableRecord* previous) override;

    // The tile a seat would play, first in out (the rest -1).
    virtual int32_t ChooseTile(int32_t seat, TileList& out);
    virtual int32_t TwoGroups();
    virtual int32_t DealStartPosition();
    virtual int32_t SpecialPosition();
    virtual TileId JokerTileForGame();
    virtual int32_t BankerForGame();
    virtual int32_t SecondSeatForGame();
    virtual int32_t BankerForPrepare(const TableRecord* previous);
    virtual int32_t CurrentChairWord();
    virtual int32_t NoBit200();
    virtual int32_t FirstSeatWithTiles(int32_t from);
    virtual void ShuffleAndDeal();
    virtual void BuildWallFromOrder(const std::vector<TileId>& order);
    virtual int32_t LoadTestDeal(std::vector<TileId>& order);
    virtual int32_t TestIniInt(const std::string& key, int32_t value);
    virtual int32_t TilesPerSeat();
    virtual void DealHands();
    virtual int32_t CheckWall();
    virtual int32_t WallPosOfTile(TileId tile);
    virtual TileId TileAtWallPos(int32_t pos);
    virtual int32_t HeldCount(int32_t seat);
    virtual int32_t Holds(int32_t seat, TileId tile);
    virtual int32_t CheckTileList64(int32_t seat, const TileList& list);
    // At least one tile, none twice, every one held by the seat.
    virtual int32_t CheckTileList(int32_t seat, std::span<const TileId> list);
    virtual int32_t ListHeld(int32_t seat, std::span<TileId> out);
    virtual TileId FirstHeld(int32_t seat);
    virtual int32_t TakerOf(TileId tile);
    virtual int32_t TakenStateOf(TileId tile);
    virtual int32_t SetTakenState(TileId tile, int32_t state);
    virtual int32_t SetTaker(TileId tile, int32_t seat);
    virtual WallRecord* GiveTile(TileId tile, int32_t seat);
    virtual int32_t Discard(int32_t seat, std::span<const TileId> list);
    virtual int32_t TakeFromSeat(int32_t seat, int32_t pos);
    virtual int32_t ReturnToSeat(int32_t seat, int32_t pos);
    virtual int32_t DecreaseCount(int32_t seat, int32_t pos);
    virtual int32_t IncreaseCount(int32_t seat, int32_t pos);
    virtual int32_t IsJokerKind(TileId tile);
    virtual int32_t CountTiles(std::span<const TileId> list, TileCountArray& counts);
    virtual int32_t OrderByIndex(std::span<const TileId> list, const TileCountArray& keep,
                                 TileList& out);
    virtual int32_t CountsToTiles(int32_t seat, const TileCountArray& counts, TileList& out);
    virtual TileId PickFromWallCopy(std::vector<WallRecord>& copy, TileIndex index, int32_t seat);
    virtual TileId FirstWallTileOfIndex(TileIndex index);
    virtual TileIndex IndexOfTile(TileId tile);
    virtual int32_t KindsPresentA(const TileCountArray& counts);
    virtual int32_t KindsPresentB(const TileCountArray& counts);
    virtual int32_t SumCountsA(const TileCountArray& counts);
    virtual int32_t SumCountsB(const TileCountArray& counts);
    virtual int32_t FirstKindA(const TileCountArray& counts);
    virtual int32_t FirstKindB(const TileCountArray& counts);
    virtual int32_t SuitOf(TileId tile);
    virtual int32_t RankOf(TileId tile);
    virtual int32_t NoValue();
    virtual int32_t EqualUnderMask(int32_t a, int32_t b, int32_t mask);
    virtual int32_t DefaultYesD();
    virtual void AllowOwnAction();
    // Makes the previous seat with tiles active; -1 when no seat holds any.
    virtual int32_t PassTurn();
    virtual int32_t DefaultYesE();
    virtual int32_t DefaultYesF();
    virtual int32_t PointsOf(const TileList& list);
    virtual int32_t DefaultNoA();
    virtual int32_t AddPoints(const TileList& list);
    virtual int32_t DefaultNoB();
    virtual int32_t PointsOfTile(TileId tile);
    virtual void ClearEndCode();
    // Seat, pass flag and value from the request; false beyond the bid list.
    virtual int32_t RecordBid(std::span<const int32_t> request, int32_t* outDone);
    virtual void BeginPlay();
    virtual int32_t DefaultYesG();
    virtual int32_t TurnTimeOver();
    virtual int32_t CopyCounts(int32_t seat, TileId tile, const TileCountArray& from,
                               TileCountArray& to);

    // A deal order used instead of the shuffle: only a permutation of every
    // tile id is taken. An empty order switches it off.
    bool SetTestDeal(std::vector<TileId> order);

    const std::vector<WallRecord>& Wall() const { return wall_; }
    const TileCountArray& SeatCounts(int32_t seat) const { return counts_[size_t(seat)]; }
    int32_t Banker() const { return banker_; }
    int32_t DealStart() const { return dealStart_; }
    int32_t SpecialPos() const { return specialPos_; }
    TileId JokerTile() const { return jokerTile_; }
    int32_t BestBid() const { return bestBid_; }

  protected:
    CTileGameTable(const TableConfig& config, TableEnvironment environment);

    // The wall record of a tile id or of a position, null when absent.
    WallRecord* RecordOf(TileId tile);
    WallRecord* RecordAt(int32_t pos);
    // A random order of the tile ids.
    std::vector<TileId> ShuffledOrder();
    // The kind slot of a wall record, -1 outside a count array.
    int32_t KindSlot(const WallRecord& record) const;

    int32_t banker_ = -1, secondSeat_ = -1;
    std::vector<WallRecord> wall_;
    std::array<TileCountArray, kMaxSeats> counts_{};
    std::array<TileId, kReserveSize> reserve_{};
    std::vector<BidRecord> bids_;
    int32_t bestBid_ = 0, dealStart_ = 0, specialPos_ = -1;
    TileId jokerTile_ = -1;
    int32_t points_ = 0;
    std::vector<int32_t> area512_ = std::vector<int32_t>(512, 0);
    std::array<int32_t, 8> area8_{};
    uint32_t discardStamp_ = 0;
    std::vector<TileId> testDeal_;
    std::map<std::string, int32_t> testValues_;
};

}  // namespace rules
