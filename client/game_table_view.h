#pragma once
// CGameTableView: the base of the table pane. It keeps a background (a
// colour, or a picture stretched to the pane's size), the cursor of the
// current mode (arrow, hand, four-way arrows) and the table clock: a
// one-second timer that runs while a hand is played, so a running clock
// means a game is in progress. Derived panes draw the table over the
// background and fill the refresh operations.

#include <cstdint>
#include <memory>

#include "client/game_view.h"

namespace client {

class CGameTableView : public CGameFormView {
  public:
    enum CursorMode { kCursorArrow = 0, kCursorHand = 1, kCursorMove = 2 };
    static constexpr platform::UINT kClockPeriodMs = 1000;

    CGameTableView();
    ~CGameTableView() override { Destroy(); }
    static std::unique_ptr<CGameTableView> CreateObject() {
        return std::make_unique<CGameTableView>();
    }

    // Slots, continuing those of CGameFormView.
    // Kills a running clock, starts the clock timer and records its id.
    virtual void StartClockTimer();
    virtual void StopClockTimer();
    // After the own leave request, another player's leaving and a lost
    // connection.
    virtual void RefreshTable() {}
    virtual void RefreshTableExtra() {}
    // The skin hook, run when the frame applies a skin: the framework's pane
    // takes the skin's table colour and cloth; a game's pane loads its table.
    virtual void InitializeTable();

    // The clock timer's id: the framework's is 1000; game panes choose theirs.
    virtual platform::UINT_PTR ClockTimerId() const { return 1000; }
    // The id of the running clock timer, 0 when it is stopped.
    platform::UINT_PTR ClockTimer() const { return clockTimer_; }

    void SetCursorMode(int mode) { cursorMode_ = mode; }
    int CursorMode() const { return cursorMode_; }
    void SetBackgroundColor(platform::COLORREF color) { backColor_ = color; }
    platform::COLORREF BackgroundColor() const { return backColor_; }
    // The picture stretched over the pane (null: the colour alone).
    void SetBackgroundBitmap(std::shared_ptr<const platform::Surface> bitmap) {
        background_ = std::move(bitmap);
    }
    int GetWidth() const { return RecordedWidth(); }
    int GetHeight() const { return RecordedHeight(); }
    // Rebuilds the stretched copy of the background at the recorded size.
    void UpdateBackground();
    // Without a stretched copy fills `rect` with the colour, else copies it.
    void DrawBackground(platform::Painter& dc, const platform::RECT& rect) const;
    const platform::Surface& StretchedBackground() const { return stretched_; }

  protected:
    platform::LRESULT OnMessage(platform::Message& msg) override;

  private:
    int cursorMode_ = kCursorArrow;
    platform::COLORREF backColor_ = 0;
    std::shared_ptr<const platform::Surface> background_;
    platform::Surface stretched_;
    platform::UINT_PTR clockTimer_ = 0;
};

}  // namespace client
