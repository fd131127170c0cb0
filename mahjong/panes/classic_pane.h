#pragma once
// CMJGameTableView: the classic table pane. It draws the table scene from
// its records itself, into a memory bitmap with the style's tile pictures,
// without the engine, and hands its mouse to the scene: pointing raises an
// own tile, clicking the raised tile plays it, the right button drags it to
// another place, a click on the turned-up wall tile shows it full size.
// Its buttons start the round, ask to see the watched hand, and claim.

#include <array>
#include <memory>

#include "client/game_table_view.h"
#include "mahjong/scene/table_scene_base.h"
#include "platform/gui/button.h"

namespace mahjong {

class CMJTableScene;

class CMJGameTableView : public client::CGameTableView, public CMJTableSceneBase::ClassicHost {
  public:
    static constexpr platform::UINT_PTR kClockTimer = 10000;

    explicit CMJGameTableView(CMJTableScene* scene);
    ~CMJGameTableView() override;
    static std::unique_ptr<client::CGameTableView> CreateObject(CMJTableScene* scene) {
        return std::make_unique<CMJGameTableView>(scene);
    }

    CMJTableScene* GetScene() const { return scene_; }
    platform::UINT_PTR ClockTimerId() const override { return kClockTimer; }
    // When a clock timer runs, it starts again with the same id.
    void RestartClockTimer();
    // Draws the whole table into the memory bitmap.
    void RedrawTable();
    // The memory bitmap as last drawn.
    const platform::Surface& TablePicture() const { return memory_; }
    bool Painted() const { return painted_; }
    // What the scene's last mouse operation returned.
    int32_t CursorState() const { return cursorState_; }
    // Buttons: start, ask to see the hand, and the claims.
    enum ButtonId : platform::UINT {
        kIdStart = 1800,
        kIdAskToSee = 1801,
        kIdPass = 1810,
        kIdHu = 1811,
        kIdKong = 1812,
        kIdPeng = 1813,
        kIdChow = 1814,
    };
    void OnInitialUpdate() override;
    // The skin hook: the skin's table colour and cloth, then the scene's
    // settings and pictures.
    void InitializeTable() override;
    // The start button above the bottom, the ask button in the seat strip,
    // the claim buttons beside the own hand.
    void LayoutControls(int cx, int cy);
    void PlaceOperationButtons();
    // After a game's result: the table empty again for the next game, the
    // start button back for a player (not while a clock runs).
    void ResetForNewGame();
    // Shows and enables the buttons as the scene's state allows.
    void UpdateButtons();
    platform::CButton* Button(platform::UINT id);

    // CMJTableSceneBase::ClassicHost.
    void RepaintTable() override { Invalidate(false); }
    // A seat's label changed.
    void RefreshTable() override { Invalidate(false); }
    void CaptureMouse(bool capture) override;
    void SetPaneTimer(uint32_t id, uint32_t ms) override;
    platform::POINT CursorInPane() const override;

  protected:
    platform::LRESULT OnMessage(platform::Message& msg) override;

  private:
    void RunCommand(platform::UINT id);
    // A looker's request to see the watched hand (button 1801).
    void AskToSeeHand();

    struct PaneButton {
        platform::UINT id;
        const char* caption;
        platform::RECT place;  // dialog units: x, y, width, height
        platform::CButton button;
    };
    std::array<PaneButton, 7> buttons_;
    CMJTableScene* scene_;
    platform::Surface memory_;
    bool rebuild_ = true;
    bool painted_ = false;
    int32_t cursorState_ = 0;
    bool askWaiting_ = false;  // 1801 asked and waits for timer 7
};

}  // namespace mahjong
