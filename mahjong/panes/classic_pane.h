#pragma once
// CMJGameTableView: the classic table pane. It draws the table scene from
// its records itself, into a memory bitmap with the style's tile pictures,
// without the engine, and hands its mouse to the scene: pointing raises an
// own tile, clicking the raised tile plays it, the right button drags it to
// another place, a click on the turned-up wall tile shows it full size.
// Its buttons start the round, ask to see the watched hand, and claim.

#include <array>
#include <map>
#include <memory>
#include <string>

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
    // The start button above the bottom, the ask button in the seat strip.
    void LayoutControls(int cx, int cy);
    // Shows and enables the buttons as the scene's state allows.
    void UpdateButtons();
    platform::CButton* Button(platform::UINT id);

    // CMJTableSceneBase::ClassicHost.
    void RepaintTable() override { Invalidate(false); }
    void CaptureMouse(bool capture) override;
    void SetPaneTimer(uint32_t id, uint32_t ms) override;
    platform::POINT CursorInPane() const override;

  protected:
    platform::LRESULT OnMessage(platform::Message& msg) override;

  private:
    // The picture of the current style, loaded on first use (null: missing).
    const platform::Surface* PictureOf(Picture picture);
    void PaintRecord(platform::Painter& dc, int32_t area, int32_t seat, int32_t index);
    void PaintTable(platform::Painter& dc);
    void RunCommand(platform::UINT id);

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
    std::string style_;
    std::map<Picture, platform::Surface> pictures_;
};

}  // namespace mahjong
