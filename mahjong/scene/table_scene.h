#pragma once
// The two upper levels of the table scene: CMJTableScene draws the table
// with engine entities (pane kind 2) and takes its tile sizes from the size
// table; CTableScene is this game: 144 wall tiles, flowers, hands of 17,
// jokers, and the tile hooks of its rule table.

#include <array>
#include <map>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "engine/button_frame.h"
#include "engine/frame_strip.h"
#include "mahjong/scene/auto_play.h"
#include "mahjong/scene/scene_buttons.h"
#include "mahjong/scene/seat_boards.h"
#include "mahjong/scene/settlement.h"
#include "mahjong/scene/table_scene_base.h"
#include "mahjong/scene/tile_bindings.h"
#include "mahjong/scene/tile_controls.h"

namespace mahjong {

class CMJTableScene : public CMJTableSceneBase {
  public:
    explicit CMJTableScene(const CMJTableLogic* logic);

    int32_t OwnTileWidth() const override { return Sizes().ownWidth; }
    int32_t GetHandAreaLength(int32_t seat) const override;
    int32_t GetHandAreaDepth(int32_t seat) const override;
    void UnlockKongFaces() override { UnlockFourOfAKind(); }
    // The engine's screen changed size: the table is laid out on it anew.
    void OnResize() override;
    // Saves the screen as "<program folder>\temp\<name>.jpg" and reports the
    // file in the chat; false, with no chat line, when nothing was saved.
    bool SaveScreenshot();

    // Settings and pictures (scene_settings.cpp). Load settings reads the
    // INI, loads the common pictures and the current style's; save options
    // writes the style and the music word back.
    void LoadSettings() override;
    void SaveOptions() override;
    // skins\<name>\ becomes the folder pictures are loaded from.
    void GetSkinFolder(std::string_view name);
    // sound\<name>\ becomes the folder of effects and music.
    void GetSoundFolder(std::string_view name);
    // A style's pictures (this game's also its joker and packed pictures),
    // its skin and sound folders made current.
    void LoadTileImages(std::string_view style);
    const std::string& StyleName(int32_t i) const { return styles_[size_t(i) % styles_.size()]; }
    int32_t CurrentStyle() const { return currentStyle_; }
    int32_t MusicOn() const { return musicOn_; }
    uint32_t ButtonGroup(int32_t i) const { return buttonGroups_[size_t(i) % 2]; }

    // Voices, music and skins (scene_voices.cpp), through the engine's
    // sound manager.
    void PlayOperationSound(int32_t seat, int32_t code) override;
    void PlayTileSound(int32_t seat, int32_t tile) override;
    // Stops the music when it plays, else starts "default.mp3" looping.
    void PlayMusic();
    // The game-start display, then the music when [GAMESET] Music is set.
    void OnGameStart() override;
    // The next usable style of the three; false when there is none.
    virtual bool ChangeSkin();

    // Tile entities bound to records (tile_bindings.cpp).
    void CreateTileEntities();
    // The first free binding; 0 (logged) when all are taken.
    int32_t AllocEntity();
    void FreeBinding(MJStruct& record, int32_t n);
    // Frees the binding the record names, if any.
    void ReleaseBinding(MJStruct& record);
    void ReleaseAllBindings();
    // Frees every binding whose record is gone or changed under it.
    void ValidateEntityBindings();
    // Unbinds every tile and hides every tile entity.
    void HideTileEntities() override;
    // Shows the record's tile where the record says, keeping its binding
    // while it is valid; a record not present loses its binding.
    void BindRecord(int32_t area, int32_t seat, int32_t index);
    // Validates, then binds every record of every area.
    void BindAllRecords();
    // Binding 1-336; a free one outside.
    const TileBinding& Binding(int32_t n) const;
    // The entities the own discard and the own draw fly on.
    uint32_t SpareTileEntity() const { return spareEntity_; }
    uint32_t DrawnTileEntity() const { return drawEntity_; }
    // Records the refresh and redraws every tile from its record.
    void RefreshEntities(int32_t mode) override;

    // The game data made once the logical screen exists (scene_lifecycle.cpp):
    // the tile entities and controls, the font, a clear table; and the
    // logical screen sized from the table cloth, 744 x 710.
    void InitGameData() override;
    void SizeLogicalScreen();

    // --- Own-hand tile controls (tile_controls.cpp).
    void CreateTileControls();
    // The first tile control (1-31) not in use; 0 (logged) when all are.
    int32_t AllocControl();
    // Points the binding's control at it and sets its events from the hand
    // mode and the clock.
    void SetupTileControl(int32_t binding);
    void RefreshTileControls() override;
    // Messages 210008-210020 of the tile controls.
    int OnTileControlMessage(uint32_t code, platform::Payload& payload) override;
    // The tile control (1-31) of an engine control, 0 none.
    int32_t TileControlOf(uint32_t controlId) const;
    const TileControl& Control(int32_t c) const { return controls_[size_t(c) % controls_.size()]; }
    const TileDrag& Drag() const { return drag_; }

    // --- The scene's buttons, one control per message code (scene_buttons.cpp).
    // The picture cell of an operation-bar or system-bar button.
    ButtonBox GetButtonFrame(uint32_t id);
    // A bar's pieces from the pictures of its three titles.
    engine::FrameDefinition BarPieces(const char* left, const char* middle, const char* right);
    engine::ControlRecord* CreateImageButton(int32_t x, int32_t y, const ButtonBox& box,
                                             uint32_t code, uint32_t colorKey);
    engine::Entity* CreateTextButton(int32_t x, int32_t y, const ButtonBox& box, uint32_t code,
                                     std::string_view caption, uint32_t textColor);
    virtual void CreateButtons();
    // Enabled: opacity 0.8 and the engine's looks; disabled: 0.3, no events.
    void SetControlLook(engine::ControlRecord* record, bool enabled);
    // The control of the button that sends `code`, 0 none.
    uint32_t ButtonControl(uint32_t code) const;
    int OnMessage(uint32_t code, platform::Payload& payload, uint32_t target) override;
    void PollSceneButtons(uint32_t code) override;
    // The scene's timed effects on the engine (scene_animations.cpp).
    // The win effect's picture and particles are deleted when it ends.
    void ShowParticles(int32_t seat) override;
    // 35 pixels from the middle of the seat's hand area, towards the table.
    platform::POINT GetMarkerPos(int32_t seat) const;
    // True once the tile entities are on the engine's screen: the
    // animations then run as the engine's timed actions.
    bool PlaysEffects() const { return spareEntity_ != 0 && IsScreenReady(); }
    // Hosted by a view whose screen is ready: timers and timed actions run.
    bool EngineRuns() const;
    // The discarded tile flies from its hand place to the shown place, the
    // drawn one from the wall to the drawn place.
    void ShowDiscardFlight(int32_t position) override;
    void ShowDrawnTile(int32_t wallIndex) override;
    // The pointing hand sweeps the own hand row, trailing its particles.
    void OnSortButton() override;
    void SweepHand() override;
    void RollDice(int32_t first, int32_t second) override;
    // The host view's timers; the engine's timed actions carry the scene's
    // delayed messages. Without a host, the lower level's.
    void StartSceneTimer(uint32_t id, uint32_t ms) override;
    void StopSceneTimer(uint32_t id) override;
    void PostSceneMessage(uint32_t ms, uint32_t code, int32_t seat = -1) override;
    void DropSceneMessages() override;
    void PlayClockPath() override;
    int32_t OnEffectMessage(uint32_t code) override;
    // The seat's hand and shown tile drawn from their records at once.
    void BindSeatTiles(int32_t seat) override;
    uint32_t PointingHand() const { return pointingHand_; }
    // Where and how a record is drawn: its picture cell and its top-left
    // corner on the screen; false when the record has no picture.
    bool TilePlace(int32_t area, int32_t seat, int32_t index, TileImage* image, int32_t* x,
                   int32_t* y) const;

    // Made once the screen exists, hidden or off the table (scene_creations.cpp):
    // the clock (a face with its hand and two digits), the note board, four
    // dice with the twelve dice strips, the table click, the auto-play sign
    // with the button note and the pointing hand; this game's packed pictures.
    void CreateClockEntities();
    void CreateNoteBoard();
    void CreateDiceEntities();
    void SetMouseEvents();
    void CreateAutoPlaySign();
    virtual void SetupEngineControls();
    virtual void LoadAIWeights() {}
    uint32_t ClockFace() const { return clockFace_; }
    uint32_t NoteBoard() const { return noteBoard_; }
    uint32_t Die(int32_t i) const { return dice_[size_t(i) % dice_.size()]; }
    uint32_t AutoPlaySign() const { return autoPlaySign_; }
    uint32_t NoteEntity() const { return noteEntity_; }

    // A river, flower area, shown tile or the wall redrawn from its records
    // at once, as the hands are (scene_round_reset.cpp).
    void RefreshRiver(int32_t seat) override;
    void RefreshFlowers(int32_t seat) override;
    void DrawShownTile(int32_t seat) override;
    void DrawWallArea() override;
    void BindArea(int32_t area, int32_t seat, int32_t records);
    // The start button, where the table's size puts it (button_looks.cpp).
    void ShowStartButton(int32_t show) override;
    // Between two rounds (scene_round_reset.cpp).
    // The table's idle look after a round: only while no round runs and the
    // turn clock is stopped; a player gets the start button again, and on
    // auto-play starts the next round at once.
    virtual void ResetTableDisplay();
    // --- Seat boards, seat icons and wind markers (seat_icons.cpp). Each
    // is made once and reused; the effects make them on first use.
    void CreateSeatBoards();
    // The banker's icon kind and the four wind markers (east to north).
    void ShowBanker();
    // Puts the kind into the seat's last icon slot and redraws the board;
    // a kind the seat already shows is not added twice.
    void AddSeatIcon(int32_t seat, int32_t kind) override;
    // The non-zero kinds move to the front; each icon entity shows its kind.
    void ShowSeatIcons(int32_t seat);
    // Marker i (east, south, west, north) beside seat (banker + 4 - i) mod 4.
    void PlaceWindMarkers();
    const SeatBoard& Board(int32_t seat) const { return boards_[size_t(seat) & 3]; }
    uint32_t WindMarker(int32_t i) const { return windMarkers_[size_t(i) & 3]; }
    void ClearTable() override;
    void DrawMoney() override;

    // --- The system bar's slide (system_bar.cpp): on a small screen it
    // slides half out of view when the pointer leaves it and back when the
    // pointer comes; elsewhere it only shows.
    virtual void SlideSystemBarIn();
    virtual void SlideSystemBarOut();
    engine::Entity* SystemBarEntity() const;
    int32_t SystemBarMoving() const { return barMoving_; }
    uint32_t SystemBarArrow() const { return barArrow_; }
    // 210039 (the slide's end), 210048 and 210049 (the pointer over the bar
    // or away from it).
    void OnSystemBarMessage(uint32_t code);
    // While the hand rests (the joker's animation plays) no own tile
    // reacts to the pointer, even when it is bound anew.
    void FreezeTileControls(bool rest);
    void RestTileControl(engine::ControlRecord& record);
    // The buttons' looks and places (button_looks.cpp): an operation
    // button's enable, the operation bar while one is clickable, the kong and
    // chow buttons' frames, the tool buttons, the start and ask-to-see-cards
    // buttons, where each bar stands.
    void EnableOperationButton(int32_t n, int32_t enable) override;
    void ShowButtonFrame(int32_t n, int32_t cancel) override;
    void ShowOperationButtons(int32_t show) override;
    void PlaceOperationButtons() override;
    void ShowAskButton(bool show, bool lit) override;
    void ShowWaitCursor(bool on) override;
    void ShowOperationBar(bool show);
    engine::ButtonFrame* OperationBar() const { return operationBar_; }
    engine::ButtonFrame* SystemBar() const { return systemBar_; }
    // The pointing hand's particle children, started by the sort sweep
    // and stopped at its end.
    void MakeHandParticles(engine::Entity& hand);
    void FlyTile(uint32_t entity, const TileImage& image, platform::POINT from, platform::POINT to,
                 uint32_t code);
    void StopHandParticles();
    const std::array<uint32_t, 5>& HandParticles() const { return handParticles_; }
    // --- This game's engine controls (engine_controls.cpp): made once by
    // SetupEngineControls, hidden, then shown and hidden as the round goes
    // (a started chair's ready icon, the joker plaque, the hu stamp, the
    // stake line, the auto-play sign with its pulse) and by the system-bar
    // buttons' note.
    struct EngineControls {
        std::array<uint32_t, 4> readyIcons{};  // by chair
        std::array<uint32_t, 4> seatFrames{};
        uint32_t jokerPlaque = 0, jokerFace = 0;
        uint32_t textLine = 0;
        uint32_t huStamp = 0;
        // The stake line: the "2花" label, up to ten "数字1" digits, "两".
        std::array<uint32_t, 10> stakeDigits{};
        uint32_t stakeUnit = 0, flowerCount = 0;
        uint32_t signPulse = 0;  // the auto-play sign's running Apply, 0 none
        bool made = false;
    };
    void CreateEngineControls();
    void HideReadyIcons() override;
    // The joker plaque with the face of the turned-up joker.
    void ShowJokerPlaque(int32_t code);
    // The hu stamp beside the seat that won.
    void ShowHuStamp(int32_t seat);
    void HideEntity(uint32_t id);
    void HideCentre() override;
    void ShowMoney(int32_t value, bool points) override;
    void ShowSettlementItem(int32_t n) override;
    void ShowAutoPlaySign(bool on) override;
    // The note over the hovered system-bar button, with its caption.
    void ShowButtonNote(const std::string& caption);
    void HideButtonNote();
    const EngineControls& Controls() const { return engineControls_; }

  private:
    void ShowStake(int32_t value, bool silver);
    void TakePicture(engine::Entity* entity, const char* title);
    // The picture drawn into the surface at its size; false when not loaded.
    bool DrawPicture(engine::TextEntity& surface, const char* title);
    EngineControls engineControls_;

  public:
    // --- The clock, the dice and the seat names on the engine
    // (clock_on_engine.cpp). The clock's entities show what DrawTurnClock
    // drew; the dice roll to the thrown numbers and leave when the clock
    // shows; a seat's board carries its player's name beside its hand,
    // yellow once the player has started.
    void DrawTurnClock() override;
    void ShowClockOnEngine();
    void ThrowDiceOnEngine(int32_t first, int32_t second);
    void HideDice();
    void PlacePlayerName(int32_t seat);
    void PlaceClockAndNames();

  protected:
    int32_t barMoving_ = 0;
    uint32_t barArrow_ = 0;

  private:
    void PlaceSeatIcons(int32_t seat);
    void SlideSystemBar(engine::Entity& bar, int32_t x, uint32_t endCode);
    virtual int32_t SeatIconShift() const { return 0; }
    std::array<SeatBoard, 4> boards_{};
    std::array<IconKind, kIconKinds> iconKinds_{};
    std::array<uint32_t, 4> windMarkers_{};
    std::array<uint32_t, 5> handParticles_{};
    bool handResting_ = false;

  protected:
    void NumberHandRecords() override;

    std::array<std::string, 3> styles_{"Classic", "Classic", "Classic"};
    int32_t currentStyle_ = 0;
    int32_t musicOn_ = 0;
    std::array<uint32_t, 2> buttonGroups_{};

  private:
    // The hand records bind as area 2 while standing, 3 when laid open.
    static int32_t BindingArea(int32_t area, const MJStruct& r);

    std::array<TileBinding, kTileBindings + 1> bindings_{};  // [0] unused
    uint32_t spareEntity_ = 0, drawEntity_ = 0;

    // Own-hand tile controls.
    void AttachTileControl(int32_t binding);
    void ReleaseTileControl(int32_t control);
    int32_t TileCentreY(int32_t binding, bool raised) const;
    void BindHandRecords();
    void BeginTileDrag(int32_t control, const MJStruct& r, engine::Entity& e);
    void MoveTileDrag(const engine::MouseState& mouse);
    void EndTileDrag(const engine::MouseState& mouse);
    void CancelTileDrag();
    // The standing own hand place under a point, -1 none.
    int32_t HandPlaceAt(int32_t x, int32_t y) const;
    std::array<TileControl, kTileControls + 1> controls_{};  // [0] unused
    TileDrag drag_;
    bool swallowClick_ = false;  // the click that ends a drag is no click

  protected:
    // The buttons of both levels; they differ in the two game buttons' sizes.
    void CreateButtonSet(ButtonBox start, ButtonBox ask);
    // A system-bar button registered under its code, telling its hover.
    void AddBarButton(SceneButton& button, uint32_t code, std::string_view caption);

  private:
    std::map<uint32_t, uint32_t> buttons_;  // message code -> control
    engine::ButtonFrame* operationBar_ = nullptr;
    engine::ButtonFrame* systemBar_ = nullptr;
    // The timed effects' random offsets, speeds and directions.
    std::minstd_rand effectRandom_{29107};
    uint32_t pointingHand_ = 0;
    // The scene's delayed messages on their way, and the clock hand's step.
    std::vector<uint32_t> sceneDelays_;
    uint32_t clockStep_ = 0;
    // The own discard on its way to the shown place, the own draw to the
    // drawn place: the place is drawn once the tile lands.
    bool discardFlying_ = false, drawFlying_ = false;
    bool Landing(int32_t area, int32_t seat, int32_t index) const {
        return seat == 3 && ((area == kAreaShown && discardFlying_) ||
                             (area == kAreaHand && index == 0 && drawFlying_));
    }
    engine::ImageEntity* MakeHiddenImage(int layer, int32_t x, int32_t y, const char* title,
                                         int32_t width, int32_t height, int32_t depth);
    uint32_t clockFace_ = 0, noteBoard_ = 0, autoPlaySign_ = 0, noteEntity_ = 0;
    std::array<uint32_t, 4> dice_{};
    std::array<engine::FrameSet, 12> diceFrames_{};
};

class CTableScene : public CMJTableScene {
  public:
    static constexpr uint32_t kRuleFlags = 0x80022011;

    explicit CTableScene(const CMJTableLogic* logic);

    uint32_t RuleFlags() const override { return kRuleFlags; }
    int32_t WallTiles() const override { return 144; }
    int32_t FlowerPlaces() const override { return 36; }
    int32_t HandPositions() const override { return 22; }
    int32_t HandTiles() const override { return 17; }

    // Its start button is 81 x 30 and its ask-to-see-cards button 71 x 25.
    void CreateButtons() override;
    void ShowJokerTile() override;
    void DrawMoney() override;
    // The scene's settings, with auto-play's switch.
    void LoadSettings() override;
    // Timer 2011 replaces the own hand's flowers one by one.
    void OnTimer(uint32_t id) override;
    // The settlement panel from the stored round result (scene_settlement.cpp).
    void ShowSettlement() override;
    // Field n of the result's fan names ('|' separated); empty past the last.
    std::string GetResultField(int32_t n) const;
    // What the panel shows, read from the stored result and the players.
    SettlementResult ReadSettlement() const;
    uint32_t SettlementEntity() const { return settlementEntity_; }
    // While the panel is up, a click on the table is the panel's: closing
    // it leaves auto-play on, and the next round then starts by itself.
    void PollSceneButtons(uint32_t code) override;
    // Auto-play's step: the weighted choice of CAutoPlay through the
    // scene's own commands.
    void AutoPlayStep() override;
    const CAutoPlay& AutoPlayer() const { return autoPlayer_; }
    void LoadAIWeights() override;
    // The settlement panel's close (210062) and drag (210063) (scene_round_reset.cpp).
    int OnOtherMessage(uint32_t code, platform::Payload& payload) override;
    // Also hides the settlement panel.
    void ResetTableDisplay() override;
    uint32_t SettlementCloseControl() const { return settlementClose_; }
    // The bar does not slide here: the pointer only locks (0) and unlocks
    // (1) it.
    void LockSystemBar() { barMoving_ = 0; }
    void UnlockSystemBar() { barMoving_ = 1; }
    void SlideSystemBarIn() override { LockSystemBar(); }
    void SlideSystemBarOut() override { UnlockSystemBar(); }
    // The joker's animation over the own drawn tile (joker_anim.cpp); its
    // end re-arms the own tiles' controls.
    void PlayJokerAnimation() override;
    int32_t OnEffectMessage(uint32_t code) override;
    uint32_t JokerAnimation() const { return jokerAnim_; }

  protected:
    int32_t Seat0HandShift() const override { return 15; }
    int32_t SeatIconShift() const override { return 20; }
    int32_t FlowerShift(int32_t seat) const override { return seat == 0 ? 15 : seat == 3 ? 50 : 0; }
    void ClearJokerWords() override { jokerWords_ = {}; }
    void FillJokerWords() override;
    int32_t NextTailPos(int32_t start, int32_t skip, int32_t* counter) const override;
    bool UsesJokerPictures() const override { return true; }
    void OnFlowersHeld() override;
    // The game's start also loads auto-play's weights.
    void OnTimersStarted() override;

  private:
    CAutoPlay autoPlayer_;
    uint32_t settlementEntity_ = 0;
    // The settlement panel's close button and the panel's drag control.
    void AttachSettlementControls(engine::Entity& panel);
    void HideSettlement();
    // A start sent leaves the last round's panel behind, however it was pressed.
    void OnStartSent() override {
        autoPlayer_.ResetTicks();
        HideSettlement();
    }
    uint32_t settlementClose_ = 0;  // its control
    uint32_t jokerAnim_ = 0;        // made at the first joker, reused
    uint32_t jokerDelay_ = 0;       // the timed action that ends it
};

}  // namespace mahjong
