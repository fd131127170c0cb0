#pragma once
// CMJTableSceneBase: the table scene on the engine, its data model and the operations every
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
#include <initializer_list>
#include <map>
#include <span>
#include <string>

#include "client/mj_game_app.h"
#include "engine/game_engine.h"
#include "mahjong/app/request_words.h"
#include "mahjong/app/table_logic.h"
#include "mahjong/scene/classic_table.h"
#include "mahjong/scene/mj_struct.h"
#include "mahjong/scene/tile_pictures.h"
#include "platform/gui/geometry.h"

namespace platform {
class Painter;
}

namespace mahjong {

using platform::RECT;
namespace meld {
struct KongPlan;
}

// The classic pane's timers that carry the scene's delayed messages.
inline constexpr uint32_t kFirstDelayedTimer = 0x10000;
// How long the thrown dice roll before the deal starts.
inline constexpr uint32_t kDiceRollMs = 1200;

class CMJTableSceneBase : public engine::GameEngine, public client::MJTableSceneTarget {
  public:
    explicit CMJTableSceneBase(const CMJTableLogic* logic);
    virtual ~CMJTableSceneBase();
    CMJTableSceneBase(const CMJTableSceneBase&) = delete;
    CMJTableSceneBase& operator=(const CMJTableSceneBase&) = delete;

    // The round snapshot.
    virtual const CMJTableLogic* GetTableLogic() const { return logic_; }

    // --- What the application and its main frame ask of the scene: layout
    // words 1-3 (the player counts of the table and of the wall, the
    // operation bar's kind), the rebuild after a resynchronisation, the
    // table entered, the hosting pane's timers.
    int32_t GetPaneKind() const override { return paneKind_; }
    void SetSharedWord(int n, int32_t value) override;
    void RefreshAfterResync() override { RefreshEntities(100); }
    void ReleaseTileEntities() override;
    void RebuildFromTableData() override;
    void OnTableEntered() override { OnTimersStarted(); }
    void OnHostTimer(uint32_t id) override { OnTimer(id); }
    uint32_t RunningClockTimer() const override { return clockTimer_; }

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
    // The deal's two halves: the places of the dealt tiles (at the round's
    // start, so that moves notified while the deal is shown are kept), and
    // their showing seat by seat once the dice stop.
    void MarkDealtHands();
    void ShowDealtHands();
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
    // The gap between a river and its side of the wall.
    int32_t RiverMargin() const { return SmallScreen() ? 2 : 10; }
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
    // What the sides lie around: the centre, grown so that they close.
    RECT GetWallRingRect() const;
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

    // --- Rivers and flower areas (36 places a seat).
    virtual void LayoutRiver();
    virtual void GetRiverRect(int32_t seat, RECT* rect) const;
    virtual void AddRiverTile(int32_t seat, int32_t face);
    virtual void SetRiverUsed(int32_t value);
    virtual void FillRiversFromSnapshot();
    virtual void RefreshRiver(int32_t seat);
    virtual void LayoutFlowers();
    virtual void AddFlower(int32_t seat, int32_t face);
    virtual int32_t CountFlowers(int32_t seat) const;
    virtual void FillFlowersFromSnapshot();
    virtual void GetFlowerRect(int32_t seat, RECT* rect) const;
    virtual void GetFlowerUsedRect(int32_t seat, RECT* rect) const;
    virtual void RefreshFlowers(int32_t seat);
    // The picture of a river or flower record (area kAreaRiver or kAreaFlower).
    bool StripTileImage(int32_t area, int32_t seat, int32_t index, TileImage* image) const;

    // --- Melds and hand arrangement.
    virtual void PlaceDrawnTile(int32_t seat, int32_t face);
    virtual void ArrangeHand(int32_t seat, const FaceList& faces);
    virtual void ArrangeHandWithDrawn(int32_t seat, const FaceList& faces);
    virtual int32_t SetHandFaces(int32_t seat, const FaceList& faces);
    virtual int32_t SetHandFacesAfterDrawn(int32_t seat, const FaceList& faces);
    virtual void LayChow(int32_t seat, const MeldWords& meld);
    virtual void LayPung(int32_t seat, const MeldWords& meld);
    virtual void LayExposedKong(int32_t seat, const MeldWords& meld);
    virtual void LayConcealedKong(int32_t seat, const MeldWords& meld);
    virtual void LayAddedKong(int32_t seat, const MeldWords& meld);
    virtual void TakeMeldTiles(int32_t seat, const MeldWords& meld);
    virtual void TakeExposedKongTiles(int32_t seat, const MeldWords& meld);
    virtual void TakeConcealedKongTiles(int32_t seat, const MeldWords& meld);
    virtual void TakeAddedKongTile(int32_t seat, const MeldWords& meld);
    // Makes the drawn place hold the row's first tile; 1 (nothing done) when
    // it is already in use.
    virtual int32_t ShiftToDrawn(int32_t seat);
    virtual void MergeDrawnTile(int32_t seat);

    // --- The per-turn state block and the turn clock.
    enum StateWordIndex : int32_t {
        kClockRunning,
        kDrawnFlag,
        kTurnSeconds,
        kClockStarted,
        kClockPosition,  // 2 x the view seat pointed at
        kHandFrame,      // the direction the hand is drawn in
        kHandMode = 10,  // 0 normal, 1 clicks do nothing, 2 kong choice, 3 chow choice
        kClaimWindow = 11,
        kStateWords = 21,
    };
    int32_t StateWord(int32_t i) const { return i >= 0 && i < kStateWords ? state_[size_t(i)] : 0; }
    int32_t ResetStateBlock();
    int32_t GetDrawnFlag() const { return state_[kDrawnFlag]; }
    void SetDrawnFlag(int32_t v) { state_[kDrawnFlag] = v; }
    int32_t GetClaimWindow() const { return state_[kClaimWindow]; }
    void SetClaimWindow(int32_t v) { state_[kClaimWindow] = v; }
    int32_t GetTurnSeconds() const { return state_[kTurnSeconds]; }
    void SetTurnSeconds(int32_t v) { state_[kTurnSeconds] = v; }
    void DecrementTurnSeconds() { --state_[kTurnSeconds]; }
    int32_t GetHandMode() const { return state_[kHandMode]; }
    void SetHandMode(int32_t mode);
    int32_t GetClockPosition() const { return state_[kClockPosition]; }
    void SetClockPosition(int32_t position);
    int32_t ClockSize() const { return 65; }
    void GetClockRect(RECT* rect) const;
    virtual void StartTurnClock();
    // The clock shown where it points, with the seconds it has.
    void SetClockShown();
    virtual void TC_MoveClockHand(int32_t from, int32_t to);
    virtual int32_t TC_GetPointTo() const;
    // One step of the hand's path: its picture turns to the next direction.
    virtual void TC_Moveing();
    // The hand's path played: a step every 100 ms (210038) while one is left.
    virtual void PlayClockPath();
    bool ClockPathLeft() const;
    const std::array<int32_t, 10>& ClockPath() const { return clockPath_; }
    // What the clock's entities show.
    struct ClockFace {
        bool visible = false;
        int32_t handX = 0, tensX = 0, unitsX = 0;
        bool operator==(const ClockFace&) const = default;
    };
    virtual void DrawTurnClock();
    const ClockFace& GetClockFace() const { return clockFace_; }
    virtual void KillTurnTimers();
    virtual void ClearTable();
    virtual void StartRoundDisplay();
    virtual void ShowJokerTile() {}
    int32_t JokerWord(int32_t i) const { return jokerWords_[size_t(i & 1)]; }
    // The pane's one-second clock timer, which counts the turn seconds down.
    static constexpr uint32_t kClockTimerId = 10000;
    void StartClockTimer();
    void StopClockTimer();
    uint32_t ClockTimerId() const { return clockTimer_; }
    void OnTimer(uint32_t id) override;

    // --- The table centre.
    void GetTableCentreBox(RECT* rect) const;
    void GetDiceRect(RECT* rect) const;
    virtual void DrawMoney();
    // Throws the round's dice; false (a log line) when they are not 1-6.
    virtual bool ThrowDice();

    // --- Notification handlers (payloads of little-endian words). A
    // payload shorter than what its handler reads, or naming a chair that
    // is not seated, is dropped with a log line.
    using Bytes = std::span<const uint8_t>;
    virtual void OnRoundStart();                      // 211040, from the snapshot
    virtual void OnOwnHand(Bytes payload);            // 221200
    virtual void OnHandHidden(Bytes payload);         // 221160
    virtual void OnDraw(Bytes payload);               // 229160
    virtual void OnDiscard(Bytes payload);            // 221170
    virtual void OnClaimsOver(Bytes payload);         // 229165
    virtual void OnPengAnnounced(Bytes payload);      // 229170
    virtual void OnChowAnnounced(Bytes payload);      // 229175
    virtual void OnKongAnnounced(Bytes payload);      // 229180
    virtual void OnPengExecuted(Bytes payload);       // 229185
    virtual void OnChowExecuted(Bytes payload);       // 229190
    virtual void OnKong(uint32_t id, Bytes payload);  // 229195, 229197, 229199
    virtual void OnFlowerReplaced(Bytes payload);     // 229210
    virtual void OnRoundEnd(Bytes payload);           // 211080
    virtual void OnPresence(Bytes payload);           // 229500
    // The handler of a notification id; false for an id the scene has none for.
    bool HandleNotification(uint32_t id, Bytes payload);

    // --- What the handlers ask of the buttons, voices and effects.
    virtual void EnableOperationButton(int32_t n, int32_t enable);
    virtual void EnableAllOperationButtons(int32_t enable);
    // Ends the claim offers of a turn, and a claim still pending.
    virtual void ResetOperationState();
    // Another move stood (a meld, a kong, a draw, a new discard): a pending
    // claim has lost.
    void EndPendingClaim();
    virtual void OnOwnTurn();
    // Voices from the seat's voice folder (the seat panel's); nothing is
    // voiced while the Silence option is set.
    virtual void PlayOperationSound(int32_t seat, int32_t code);
    virtual void PlayTileSound(int32_t seat, int32_t tile);
    virtual std::string GetSeatVoiceDir(int32_t seat) const;
    // The file of an operation's word and of a tile's name; empty when
    // nothing is to be voiced.
    std::string OperationVoice(int32_t seat, int32_t code) const;
    std::string TileVoice(int32_t seat, int32_t tile) const;
    // A sound resource through the application.
    void PlaySoundResource(uint32_t id, uint32_t flags) const;
    // The win effect beside a seat.
    virtual void ShowParticles(int32_t seat) { (void)seat; }
    // Marks a seat with an icon kind (1: the banker).
    virtual void AddSeatIcon(int32_t seat, int32_t kind) {
        (void)seat;
        (void)kind;
    }
    virtual void ShowSettlement() {}
    // Item n of the settlement panel (a chair that started).
    virtual void ShowSettlementItem(int32_t n) { (void)n; }
    void RefreshEntities(int32_t mode) override { (void)mode; }
    virtual void RefreshTileControls() {}
    virtual void BeginOperationDisplay();
    // The operation voice names by code ("peng0" ...), empty for others.
    static const char* GetOperationSoundName(int32_t code);
    // A chat line through the main frame.
    void AddChatLine(const std::string& text) const;

    // The table's settings and pictures, loaded again whenever the frame
    // applies a skin (the table pane's skin hook).
    void Initialize() {
        LoadTableBitmaps();
        LoadSettings();
    }

    // --- What the table's display does beside the records. The classic
    // pane repaints from the records and the scene's words, so that at this
    // level each is nothing; the engine level shows them on its entities.
    // Every tile entity off the table.
    virtual void HideTileEntities() {}
    // A new round: the ready icons and the seat frames hidden.
    virtual void HideReadyIcons() {}
    // The note board, the joker plaque, the hu stamp and the stake line hidden.
    virtual void HideCentre() {}
    // The stake of the round (points or silver).
    virtual void ShowMoney(int32_t value, bool points) {
        (void)value;
        (void)points;
    }
    // The auto-play sign and what a click on the table does.
    virtual void ShowAutoPlaySign(bool on) { (void)on; }
    // The wait cursor while a kong's request runs.
    virtual void ShowWaitCursor(bool on) { (void)on; }
    // The ask-to-see-cards button shown, lit (clickable) or not.
    virtual void ShowAskButton(bool show, bool lit) {
        (void)show;
        (void)lit;
    }
    // The discarded tile (still at `position` of the own hand) on its way
    // to the shown place; 210055 ends it.
    virtual void ShowDiscardFlight(int32_t position);
    // The drawn tile on its way from wall record `wallIndex` to the drawn
    // place; 210054 ends it.
    virtual void ShowDrawnTile(int32_t wallIndex);
    // The sort's sweep over the own hand; 210056 sorts it.
    virtual void SweepHand();
    // The thrown dice rolling; 210002 starts the deal once they rest.
    virtual void RollDice(int32_t first, int32_t second);

    // Timers of the pane that hosts the scene (the classic pane's; the
    // engine's view at the engine level); they come back to OnTimer.
    virtual void StartSceneTimer(uint32_t id, uint32_t ms);
    virtual void StopSceneTimer(uint32_t id);
    // A scene message delivered after `ms`, with a view seat (-1 none): the
    // deal's steps, the ends of the animations. Without a pane nothing comes.
    virtual void PostSceneMessage(uint32_t ms, uint32_t code, int32_t seat = -1);
    // Scene messages still on their way are dropped (the table is cleared).
    virtual void DropSceneMessages();

    // --- Game start and the engine's messages to the scene.
    // The table was entered (0x8164): a running round restored for a looker
    // or a returning player, the start or ask-to-see-cards button shown.
    void OnTimersStarted() override { OnGameStart(); }
    virtual void OnGameStart();
    int OnMessage(uint32_t code, platform::Payload& payload, uint32_t target) override;
    // Messages 210037-210059, 210021-210036 (the scene's buttons) and
    // 210001-210007 (the deal's steps); non-zero: handled.
    virtual int32_t OnEffectMessage(uint32_t code);
    virtual void PollSceneButtons(uint32_t code);
    // The own hand's tile controls (210008-210020); none at this level.
    virtual int OnTileControlMessage(uint32_t code, platform::Payload& payload) {
        (void)code;
        (void)payload;
        return 1;
    }
    virtual void OnDealMessage(uint32_t code, int32_t seat);
    // Every other message (210060 and above, below 210001); non-zero: handled.
    virtual int OnOtherMessage(uint32_t code, platform::Payload& payload) {
        (void)code;
        (void)payload;
        return 1;
    }
    // The start button shown (1) or hidden (0); the classic pane shows its
    // own from the scene's words.
    virtual void ShowStartButton(int32_t show) { (void)show; }
    // The start request went out.
    virtual void OnStartSent() {}
    virtual void FinishDeal();
    virtual void OnSortButton();
    // A click on an own hand tile at `position`: a flower is replaced, any
    // other tile discarded.
    virtual void OnHandTileClicked(int32_t position);

    // --- The scene's requests (the head from the application; results are
    // the connection's). Meld payloads are built apart so that the meld the
    // server accepted is laid from the words it was sent.
    virtual int32_t RequestFlower(int32_t tile, ReplyBlock<8>& reply);
    virtual int32_t RequestDiscard(int32_t tile);
    virtual uint32_t RequestDiscardGetCode(int32_t tile);
    virtual int32_t RequestDiscardNoWait();
    virtual int32_t RequestDraw(ReplyBlock<8>& reply);
    virtual int32_t RequestDrawNoWait();
    virtual int32_t RequestPeng();
    virtual int32_t RequestKong(ReplyBlock<12>& block);
    virtual int32_t RequestKong2(const std::array<int32_t, 3>& tiles, ReplyBlock<12>& block);
    virtual int32_t RequestChi();
    virtual int32_t Request229025(const RequestWords& meld, uint32_t* code);
    virtual int32_t Request229030(const RequestWords& meld, uint32_t* code);
    // 229045, 229047 and 229049 with their meld.
    virtual int32_t RequestKongMove(uint32_t id, const RequestWords& meld, uint32_t* code,
                                    ReplyBlock<8>& block);
    virtual int32_t RequestPass();
    virtual uint32_t RequestHuSelf();
    virtual uint32_t RequestHu();
    virtual int32_t Request229505();
    virtual int32_t Request229500(int32_t value);
    virtual int32_t Request229405();
    RequestWords OwnDiscardWords(int32_t tile) const;
    RequestWords PengWords() const;
    RequestWords ChowWords(int32_t a, int32_t b) const;
    RequestWords ExposedKongWords() const;
    RequestWords ConcealedKongWords(int32_t tile) const;
    RequestWords AddedKongWords(const std::array<int32_t, 3>& tiles) const;

    // --- Claims and operation commands. The commands do nothing for a
    // looker; the others answer 1 when their request succeeded.
    virtual void OnStart();
    virtual void OnPeng();
    virtual void OnKong();
    virtual void OnChi();
    virtual void OnHu() { OnHuCommand(); }
    virtual void OnPass();
    virtual bool OnHuCommand();
    virtual int32_t DoConcealedKong(int32_t tile);
    virtual int32_t DoAddedKong(int32_t tile);
    virtual int32_t DoExposedKong();
    virtual int32_t ExecuteMeld();
    virtual int32_t ExecuteChow();

    // --- Own-turn moves and the turn clock's follow-ups.
    virtual int32_t DiscardTile(int32_t position);
    virtual int32_t ReplaceFlower(int32_t position);
    virtual int32_t DrawTile();

    // --- Operation buttons and small table actions.
    virtual void ShowOperationButtons(int32_t show);
    virtual void PlaceOperationButtons();
    virtual void CancelOperations();
    virtual void CheckOwnKong();
    virtual void SetHuOffer(int32_t flags);
    virtual void PlayJokerAnimation();
    virtual void AskToSeeCards();
    // Auto-play on (the word 3) or off (0).
    virtual void SetAutoPlay();
    // One tick of auto-play while it is on (this level has none).
    virtual void AutoPlayStep() {}
    // Whether one of the five operation buttons is clickable.
    bool AnyButtonEnabled() const;
    bool IsButtonEnabled(int32_t n) const {
        return n >= kPengButton && n <= kPassButton && buttonEnabled_[size_t(n)] != 0;
    }
    // 1 while the kong (2) or chow (3) button shows its cancel frame.
    int32_t ButtonFrame(int32_t n) const { return n == kKongButton ? kongFrame_ : chowFrame_; }

    // The operation phase and the pending flag of a claim the server keeps
    // waiting (210050).
    enum Phase : int32_t { kPhaseNone, kPhasePeng, kPhaseKong, kPhaseChow, kPhaseHu };
    int32_t GetPhase() const { return phase_; }
    int32_t GetPending() const { return pending_; }
    int32_t GetHuOffer() const { return huOffer_; }
    int32_t GetClaimedKind() const { return claimedKind_; }
    int32_t GetAutoPlayWord() const { return autoPlay_; }
    int32_t KongCandidate(int32_t i) const { return kongCandidates_[size_t(i) % 32]; }
    uint32_t TurnTimer(int32_t id) const { return id == 10 ? timer10_ : timer11_; }
    // The own tiles the player has picked (raised): the selection state.
    int32_t SelectionState() const;
    // Picks or drops an own tile in a kong or chow choice.
    void SelectHandTile(int32_t index, int32_t selected);

    // --- The classic pane (pane kind 1): the scene draws through its host
    // and takes the pane's mouse (classic_mouse.cpp). These are the pane's
    // own messages; the engine's input (GameEngine::OnMouseMove ...) stays
    // the engine pane's.
    class ClassicHost {
      public:
        virtual ~ClassicHost() = default;
        virtual void RepaintTable() = 0;
        virtual void CaptureMouse(bool capture) = 0;
        // A timer of the pane (0 ms: stopped); it comes back to OnTimer.
        virtual void SetPaneTimer(uint32_t id, uint32_t ms) = 0;
        // The cursor in pane coordinates.
        virtual platform::POINT CursorInPane() const = 0;
    };
    void SetPaneKind(int32_t kind) { paneKind_ = kind; }
    void SetClassicHost(ClassicHost* host) { classicHost_ = host; }
    // Own hand index under a pane point, -1 for none.
    int32_t HitOwnHand(int32_t x, int32_t y) const;
    // The same with the point relative to the own hand area.
    int32_t HitOwnTile(int32_t x, int32_t y) const;
    // The own column (any height within the area) that holds x.
    int32_t HitOwnColumn(int32_t x, int32_t y) const;
    // Whether a tile is under the cursor.
    bool OnPaneMouseMove(uint32_t flags, int32_t x, int32_t y);
    void OnPaneLButtonDown(uint32_t flags, int32_t x, int32_t y);
    // 2 when a drag starts (the pane shows its drag cursor), else 0.
    int32_t OnPaneRButtonDown(uint32_t flags, int32_t x, int32_t y);
    void OnPaneRButtonUp(uint32_t flags, int32_t x, int32_t y);
    // Drops the dragged own tile at index `target` (-1: where it lies).
    virtual void MoveDraggedTile(int32_t target);
    void EndDragAtCursor();
    // Shows the turned-up wall tile full size until the peek timer.
    void PaintDrawTile();
    // The turned-up wall tile full size for `ms` (timer 3), when there is one.
    void PeekTurnedUpTile(uint32_t ms);
    int32_t OwnDragIndex() const { return ownDrag_.index; }
    bool Dragging() const { return ownDrag_.dragging; }
    bool JustDropped() const { return ownDrag_.justDropped; }

    // --- The classic level's own means (classic_table.cpp): the table
    // bitmaps of the skin, loaded for pane kind 1; the table fonts; the
    // banker and stake lines of the info box while a round runs.
    virtual void LoadTableBitmaps();
    void CreateTableFont();
    const ClassicTableBitmaps& TableBitmaps() const { return tableBitmaps_; }
    const TableFont& GetTableFont(int32_t i) const { return tableFonts_[size_t(i & 3)]; }
    void DrawPlayerInfo(platform::Painter& dc) const;
    // The classic pane's dice: the thrown values and the frame of their
    // roll, shown from the throw until the clock shows.
    struct ClassicDice {
        int32_t first = 0, second = 0, frame = 0;
        bool shown = false;
    };
    static constexpr int32_t kClassicDiceFrames = 9;
    static constexpr uint32_t kClassicDiceFrameMs = 60;
    const ClassicDice& GetClassicDice() const { return classicDice_; }
    // The next frame of the roll (the roll's timer).
    void RollDiceFrame();

  private:
    ClassicTableBitmaps tableBitmaps_;
    std::array<TableFont, 4> tableFonts_{};
    ClassicDice classicDice_;

  protected:
    void HideClassicDice() { classicDice_.shown = false; }
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
    void RevealSeat(int32_t seat, int32_t order);
    void RevealDone();
    // Level hooks of the round's display: the shift of seat 0's flower strip
    // and seat 3's, the round words this game shows and resets.
    virtual int32_t FlowerShift(int32_t seat) const {
        (void)seat;
        return 0;
    }
    virtual void ClearJokerWords() {}
    // The wall position of the next tile drawn from the tail (the rules'
    // tail rule); advances the counter.
    virtual int32_t NextTailPos(int32_t start, int32_t skip, int32_t* counter) const;
    virtual void FillJokerWords() {}
    // Whether a payload holds `words` words (else a log line).
    bool Enough(uint32_t id, Bytes payload, int32_t words) const;
    // The seat of a payload's chair, -1 (logged) when the chair is not seated.
    int32_t SeatOfChair(uint32_t id, int32_t chair) const;
    // The handlers' common steps: a wall tile taken (false, logged, for an
    // index outside the wall), a seat's shown tile closed, the clock turned
    // to a seat.
    bool TakeWallTile(int32_t index);
    void CloseShownTile(int32_t seat);
    void ClockTo(int32_t seat);
    void OnMeldExecuted(uint32_t id, Bytes payload);
    // The block origin of meld block i (its last record) along the seat's row.
    int32_t MeldBlockOrigin(int32_t seat, int32_t i) const;
    // The last free meld block (record i) from the row's end; -1 when full.
    int32_t FreeMeldBlock(int32_t seat) const;
    // Takes the faces from a seat's hand when they are known (true); else
    // `hiddenTaken` tiles leave the end of the row and the drawn place fills.
    bool TakeTilesFromHand(int32_t seat, std::initializer_list<int32_t> faces, int32_t hiddenTaken);
    void StandReplacement(int32_t seat, int32_t tile, bool faceUp);
    // Locks every standing own tile but those among an option's candidates.
    void LockAllButCandidates(int32_t button);
    int32_t GiverSeat(int32_t seat, int32_t giverChair) const;
    void PlaceMeldRecord(MJStruct& r, int32_t seat, int32_t origin, int32_t along,
                         int32_t cross) const;
    void LayThreeTiles(int32_t seat, const MeldWords& meld, int32_t mark);
    // The block (its record i) of a laid meld of the tile's kind, -1 if none.
    int32_t FindPungBlock(int32_t seat, int32_t tile) const;
    void LayRestoredAddedKong(int32_t seat, const MeldWords& meld);
    void LayKong(int32_t seat, const MeldWords& meld, const meld::KongPlan& plan);
    // Face, lock and joker mark of a hand tile move to another record.
    void MoveTile(int32_t seat, int32_t from, int32_t to);
    int32_t WriteFaces(int32_t seat, int32_t first, const FaceList& faces);
    // Fills a river or flower strip of every seated chair from the snapshot's
    // lists and counts (spare words).
    void FillStrips(int32_t area, int32_t lists, int32_t counts, int32_t capacity);
    void ArrangeRecords(int32_t seat, int32_t first, int32_t n);
    std::array<int32_t, 2> jokerWords_{};
    // A formatted line of the game log.
    void LogLine(const char* format, ...) const __attribute__((format(printf, 2, 3)));
    // Own actions' common steps.
    void EnterSelection(int32_t mode);
    void LeaveSelection();
    // The kong (2) or chow (3) button's normal (0) or cancel (1) frame.
    virtual void ShowButtonFrame(int32_t n, int32_t cancel);
    // A scene message a classic pane's timer carried; false for another timer.
    bool DeliverSceneMessage(uint32_t timer);
    // After a kong of the own seat: the replacement stands in the drawn
    // place, the wall gives it up, and the new hand's options are offered.
    int32_t FinishOwnKong(const ReplyBlock<8>& reply, bool fromSelection);
    // After the own chow of a and b: the kinds it blocks are marked.
    void MarkChowKinds(int32_t a, int32_t b);
    // The hand's options after an own move: flowers first, else kongs and hu.
    void OfferOwnOptions(int32_t flags);
    void ResetOwnTurnWords();
    void OnWatchTimer(uint32_t id);
    void ClockStep();
    bool OwnTurn() const { return TC_GetPointTo() == 6; }

    void ZeroHands() { hands_.fill(MJStruct{}); }
    void ZeroShownTiles() { shown_.fill(MJStruct{}); }

    int32_t paneKind_ = 1;

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
    std::array<int32_t, kStateWords> state_{};
    std::array<int32_t, 10> clockPath_{};
    ClockFace clockFace_;

  protected:
    uint32_t clockTimer_ = 0;
    // Words of the own actions.
    int32_t phase_ = kPhaseNone;
    int32_t pending_ = 0;
    int32_t huOffer_ = 0;
    int32_t claimedKind_ = 0;  // a kind a pung or chow blocks; its tiles stay marked
    // Another chair's claim of the last discard was announced: the turn is
    // its, not the next chair's, once the claims are over.
    bool claimAnnounced_ = false;
    // An own claim or added kong was granted at once: the claims-over notice
    // of its window may still follow its reply, and is not the own time
    // running out.
    bool claimTookTurn_ = false;
    int32_t kongFrame_ = 0, chowFrame_ = 0;
    std::array<int32_t, 6> buttonEnabled_{};
    FaceList kongCandidates_{};
    int32_t kongCount_ = 0;
    uint32_t timer10_ = 0, timer11_ = 0;
    int32_t autoPlay_ = 0;
    int32_t idleSeconds_ = 0;
    int32_t sharedWord3_ = 1;
    int32_t revealRest_ = 0;      // the discard shows the rest of the hand
    bool autoPlayShown_ = false;  // the auto-play indicator
    int32_t movesSinceDeal_ = 0;  // moves notified since the round started
    // The classic pane's right-button drag of an own tile.
    struct OwnTileDrag {
        int32_t index = -1;  // the dragged record, -1 none
        int32_t face = 0, jokerMark = 0;
        int32_t grab = 0;  // cursor x minus the tile's x
        int32_t x = 0, y = 0;
        bool dragging = false;     // moved inside the area since the last move
        bool justDropped = false;  // the next hover raises nothing
    } ownDrag_;
    ClassicHost* classicHost_ = nullptr;
    // The classic pane's timers that carry scene messages, by timer id.
    struct Delayed {
        uint32_t code;
        int32_t seat;
    };
    std::map<uint32_t, Delayed> delayed_;
    uint32_t nextDelayedTimer_ = kFirstDelayedTimer;
    void RepaintClassic() const {
        if (classicHost_) classicHost_->RepaintTable();
    }
};

// Scene messages.
inline constexpr uint32_t kMsgDealStep = 210002;
inline constexpr uint32_t kMsgDealSeat = 210003;
inline constexpr uint32_t kMsgFlowerSteps = 210004;
inline constexpr uint32_t kMsgFlowerSeat = 210005;
inline constexpr uint32_t kMsgDealDone = 210006;
inline constexpr uint32_t kMsgClockStep = 210038;
inline constexpr uint32_t kMsgTableClick = 210050;
inline constexpr uint32_t kMsgDrawDone = 210054;
inline constexpr uint32_t kMsgDiscardDone = 210055;
inline constexpr uint32_t kMsgSortDone = 210056;
inline constexpr uint32_t kMsgRebind = 210057;
inline constexpr uint32_t kMsgJokerDone = 210058;
// Timers of the table pane the scene uses.
inline constexpr uint32_t kTimerPeek = 3;   // the classic pane's turned-up tile
inline constexpr uint32_t kTimerJoker = 4;  // the classic pane's joker mark
inline constexpr uint32_t kTimerAskToSee = 7;
inline constexpr uint32_t kTimerWatchDraw = 10;
inline constexpr uint32_t kTimerWatchDiscard = 11;
inline constexpr uint32_t kTimerFlowerCheck = 2011;
inline constexpr uint32_t kTimerDiceRoll = 2012;  // the classic pane's dice
// Sound resources played asynchronously, the playing sound kept.
inline constexpr uint32_t kSoundAsync = 0x11;

}  // namespace mahjong
