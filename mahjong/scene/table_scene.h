#pragma once
// The two upper levels of the table scene: CMJTableScene draws the table
// with engine entities (pane kind 2) and takes its tile sizes from the size
// table; CTableScene is this game: 144 wall tiles, flowers, hands of 17,
// jokers, and the tile hooks of its rule table.

#include "mahjong/scene/auto_play.h"
#include "mahjong/scene/table_scene_base.h"

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

  protected:
    void NumberHandRecords() override;
    void RevealSeat(int32_t seat, int32_t order) override;
    void RevealDone() override;
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

    void DrawShownTile(int32_t seat) override;
    void ShowJokerTile() override;
    void DrawMoney() override;
    // Timer 2011 replaces the own hand's flowers one by one.
    void OnTimer(uint32_t id) override;
    // Auto-play's step: the weighted choice of CAutoPlay through the
    // scene's own commands.
    void AutoPlayStep() override;
    const CAutoPlay& AutoPlayer() const { return autoPlayer_; }

  protected:
    int32_t Seat0HandShift() const override { return 15; }
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
};

}  // namespace mahjong
