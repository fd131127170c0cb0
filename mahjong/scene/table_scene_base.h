#pragma once
// CMJTableSceneBase: the table scene's data model and the operations every
// level shares: the tile places of the wall, the four hands, flowers,
// rivers and shown tiles; the seat arithmetic; the hand analysis over the
// rules engine; the hands, their areas and pictures, and the wall. This
// level is the classic pane's (pane kind 1); CMJTableScene (the engine
// pane) and CTableScene (this game) refine it.
//
// Seats and indexes come from payloads and snapshots: operations taking a
// view seat ignore one outside 0-3, and GetMJStruct gives no record outside
// its area.

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "mahjong/app/table_logic.h"
#include "mahjong/scene/mj_struct.h"
#include "mahjong/scene/scene_effects.h"
#include "mahjong/scene/tile_pictures.h"
#include "platform/gui/geometry.h"

namespace mahjong {

using platform::RECT;

class CMJTableSceneBase {
  public:
    explicit CMJTableSceneBase(const CMJTableLogic* logic);
    virtual ~CMJTableSceneBase();
    CMJTableSceneBase(const CMJTableSceneBase&) = delete;
    CMJTableSceneBase& operator=(const CMJTableSceneBase&) = delete;

    // The round snapshot.
    virtual const CMJTableLogic* GetTableLogic() const { return logic_; }

    // Hand analysis with the rule flags and the round's jokers: true when the
    // claim is possible; `out` receives the hand tiles it would use.
    virtual bool FindPengTiles(std::span<const int32_t> hand, int32_t tile,
                               std::span<int32_t> out) const;
    virtual bool FindGangTiles(std::span<const int32_t> hand, int32_t tile,
                               std::span<int32_t> out) const;
    virtual bool FindChiTiles(std::span<const int32_t> hand, int32_t tile,
                              std::span<int32_t> out) const;
    virtual int32_t IsHonourOrFlowerTile(int32_t tile) const;
    virtual int32_t IsJokerTile(int32_t tile) const;
    virtual int32_t IsSubstituteTile(int32_t tile) const;

    // Game constants.
    virtual uint32_t RuleFlags() const { return 0; }
    virtual int32_t WallTiles() const { return 152; }
    virtual int32_t FlowerPlaces() const { return 0; }
    virtual int32_t HandPositions() const { return 18; }
    virtual int32_t HandTiles() const { return 14; }

    // A record of an area (TileArea), or null outside it.
    MJStruct* GetMJStruct(int32_t area, int32_t seat, int32_t index);
    const MJStruct* GetMJStruct(int32_t area, int32_t seat, int32_t index) const;
    // Records 0-8; records 1-5 belong to the claim buttons (ClaimButton).
    ClaimOption& Option(int32_t i) { return options_[size_t(i) % kClaimOptions]; }
    const ClaimOption& Option(int32_t i) const { return options_[size_t(i) % kClaimOptions]; }
    void ClearOptions() { options_.fill(ClaimOption{}); }

    // Seat arithmetic on the own chair and the player count.
    virtual void GetNeighbourSeats(int32_t seat, int32_t* a, int32_t* b) const;
    virtual void GetNeighbourSeats2(int32_t seat, int32_t* a, int32_t* b) const;
    virtual int32_t ViewSeatToChair(int32_t seat) const;
    virtual int32_t PrevViewSeat(int32_t seat) const;
    virtual int32_t NextViewSeat(int32_t seat) const;
    virtual int32_t OppositeChair(int32_t chair) const;
    virtual int32_t ChairToViewSeat(int32_t chair) const;
    virtual int32_t PrevChair(int32_t chair) const;
    virtual int32_t NextChair(int32_t chair) const;

    // Scene words.
    int32_t PaneKind() const { return paneKind_; }
    int32_t PlayerCount() const { return playerCount_; }
    // The player count of the wall's segments (3 or 4).
    int32_t WallPlayerCount() const { return wallPlayerCount_; }
    void SetPlayerCount(int32_t n) { playerCount_ = n; }
    void SetWallPlayerCount(int32_t n) { wallPlayerCount_ = n; }
    int32_t InRound() const { return inRound_; }
    void SetInRound(int32_t v) { inRound_ = v; }
    const EffectLog& Effects() const { return effects_; }
    EffectLog& Effects() { return effects_; }

    // Tile identity that reads the round: sort key and the sort of a seat's
    // records first..last (inclusive).
    virtual int32_t TileSortKey(int32_t tile) const;
    virtual void SortHand(int32_t seat, int32_t first, int32_t last);

    // --- Hands (view seats 0-3; index 0 is the drawn-tile place).
    virtual bool IsHandFaceKnown(int32_t seat) const;
    virtual bool HasDrawnTile(int32_t seat) const;
    virtual int32_t FindHandTile(int32_t seat, int32_t face) const;
    virtual int32_t LastHandTile(int32_t seat) const;
    virtual int32_t RaisedHandTile(int32_t seat) const;
    virtual int32_t GetOwnHandFaces(FaceList& list) const;
    virtual int32_t GetRaisedFaces(FaceList& list) const;
    virtual void RaiseHandTile(int32_t seat, int32_t index);
    virtual void ClearHandSelection();
    virtual void ClearJokerMarks();
    virtual void OpenHandFaces(int32_t seat);
    virtual void HideHandFaces(int32_t seat);
    virtual void PlaceHandFaces(int32_t seat, const FaceList& list);
    virtual void RemoveHandTile(int32_t seat, int32_t face);
    // Leaves only flowers choosable; returns the flowers held.
    virtual int32_t LockAllButFlowers();
    virtual void UnlockChowFaces();
    virtual void UnlockKongFaces();
    virtual void UnlockFourOfAKind();
    virtual void ResetHands();
    virtual void LoadOwnHandFromSnapshot(int32_t unused);
    virtual void RevealDealtHands();
    virtual void RebuildFromSnapshot();
    virtual void BindSeatTiles(int32_t seat);

    // --- Hand areas and tile pictures.
    void SetTileSizes(const TileSizes& sizes) { sizes_ = sizes; }
    const TileSizes& Sizes() const { return sizes_; }
    // PW and PH: the pane's client size (classic) or the engine's screen.
    void SetPaneSize(int32_t width, int32_t height) {
        paneWidth_ = width;
        paneHeight_ = height;
    }
    int32_t PaneWidth() const { return paneWidth_; }
    int32_t PaneHeight() const { return paneHeight_; }
    // The border width of the engine pane's frame control.
    void SetFrameBorder(int32_t b) { frameBorder_ = b; }
    bool SmallScreen() const;
    // This client only watches the own chair.
    bool IsLooker() const;

    virtual int32_t OwnTileWidth() const { return 42; }
    virtual int32_t GetHandAreaLength(int32_t seat) const;
    virtual int32_t GetHandAreaDepth(int32_t seat) const;
    virtual int32_t GetMeldRowOffset(int32_t seat) const;
    virtual void GetHandAreaRect(int32_t seat, RECT* rect) const;
    int32_t GetCentreLift() const { return SmallScreen() ? 10 : 30; }
    int32_t GetCentreWidth() const { return 212; }
    int32_t GetCentreHeight() const { return 120; }
    void GetTableCentreRect(RECT* rect) const;
    // The picture of a hand record; false (a log line) for a standing tile
    // of another seat that shows neither its face nor its back.
    virtual bool HandTileImage(int32_t seat, const MJStruct& record, TileImage* image) const;
    // Where an entity of that size is centred for a record of an area.
    static void CentreOf(const RECT& area, const MJStruct& record, int32_t w, int32_t h, int32_t* x,
                         int32_t* y);

    // Shown tiles (the discard open for claims), one per view seat.
    virtual void GetShownTileRect(int32_t seat, RECT* rect) const;
    virtual void SetShownTilesPending(int32_t value);
    virtual bool IsShownTilePending(int32_t seat) const;
    virtual void ClearShownTiles();
    virtual void DrawShownTile(int32_t seat);
    virtual void ReturnLastDiscard();
    virtual int32_t LastRiverIndex(int32_t seat) const;

    // --- The wall.
    virtual void GetWallSegmentSizes(int32_t sizes[4]) const;
    virtual int32_t GetWallSideStacks(int32_t side) const;
    virtual int32_t GetWallSideStart(int32_t side) const;
    virtual void GetWallSideRect(int32_t side, RECT* rect) const;
    virtual void LayOutWall();
    virtual void ShowWall(int32_t value);
    virtual void GetWallTileRect(int32_t index, RECT* rect) const;
    virtual void GetDrawPosRect(RECT* rect) const;
    virtual void GetDrawTileRect(RECT* rect) const;
    // Takes out what was drawn from the head and the tail and turns up the
    // marked tile, from the snapshot; false (logged, wall unchanged) when the
    // snapshot's wall words are out of range.
    virtual bool SyncWallFromSnapshot();
    // The wall of a round from the snapshot: laid out, full, then synced.
    void LayOutWallFromSnapshot();
    virtual void DrawWallArea();
    // The picture of a wall record.
    void WallTileImage(int32_t index, TileImage* image) const;
    // True when wall record `index` (0..wall tiles-1) exists.
    bool IsWallIndex(int32_t index) const { return index >= 0 && index < WallTiles(); }

  protected:
    MJStruct& Hand(int32_t seat, int32_t i) {
        return hands_[size_t(seat) * kHandRecords + size_t(i)];
    }
    const MJStruct& Hand(int32_t seat, int32_t i) const {
        return hands_[size_t(seat) * kHandRecords + size_t(i)];
    }
    MJStruct& River(int32_t seat, int32_t i) {
        return rivers_[size_t(seat) * kStripRecords + size_t(i)];
    }
    const MJStruct& River(int32_t seat, int32_t i) const {
        return rivers_[size_t(seat) * kStripRecords + size_t(i)];
    }
    MJStruct& Flower(int32_t seat, int32_t i) {
        return flowers_[size_t(seat) * kStripRecords + size_t(i)];
    }
    MJStruct& Wall(int32_t i) { return wall_[size_t(i)]; }
    const MJStruct& Wall(int32_t i) const { return wall_[size_t(i)]; }
    MJStruct& Shown(int32_t seat) { return shown_[size_t(seat)]; }
    const MJStruct& Shown(int32_t seat) const { return shown_[size_t(seat)]; }
    static bool IsSeat(int32_t seat) { return seat >= 0 && seat <= 3; }

    // Level hooks: numbering of hand records before their places are set,
    // and the shift of view seat 0's hand in this game.
    virtual void NumberHandRecords() {}
    virtual int32_t Seat0HandShift() const { return 0; }
    // Joker pictures in place of the large and middle faces (this game).
    virtual bool UsesJokerPictures() const { return false; }
    // The flower check found flowers in the own hand.
    virtual void OnFlowersHeld() {}
    // The own hand's faces from the snapshot into records start.., n of them.
    void StandOwnRecords(int32_t start, int32_t n, bool looker);
    // The engine level's deal reveal queues timed messages.
    virtual void RevealSeat(int32_t seat, int32_t order);
    virtual void RevealDone() {}
    // A meld laid from the snapshot (table: snap::MeldTable).
    virtual void LayMeldRecord(int32_t table, int32_t seat, const std::array<int32_t, 16>& meld);
    void ZeroHands() { hands_.fill(MJStruct{}); }
    void ZeroShownTiles() { shown_.fill(MJStruct{}); }

    int32_t paneKind_ = 1;
    EffectLog effects_;

  private:
    const CMJTableLogic* logic_;
    int32_t playerCount_ = 4;
    int32_t wallPlayerCount_ = 4;
    int32_t inRound_ = 0;
    int32_t paneWidth_ = 744;
    int32_t paneHeight_ = 710;
    int32_t frameBorder_ = 0;
    TileSizes sizes_;
    std::array<MJStruct, kWallRecords> wall_{};
    std::array<MJStruct, 4 * kHandRecords> hands_{};
    std::array<MJStruct, 4 * kStripRecords> flowers_{};
    std::array<MJStruct, 4 * kStripRecords> rivers_{};
    std::array<MJStruct, 4> shown_{};
    std::array<ClaimOption, kClaimOptions> options_{};
};

}  // namespace mahjong
