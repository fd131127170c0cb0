#pragma once
// CMJOperateView: the operation bar at the top of the right-hand column.
// Four buttons on the skin's "OperateBK" strip: the rules page, the play
// settings, one without a task, and leaving (the frame's closing road).

#include <array>

#include "client/game_view.h"
#include "platform/gui/button.h"

namespace mahjong {

inline constexpr platform::UINT kCmdRulesPage = 1001;
inline constexpr platform::UINT kCmdGameSettings = 1002;
inline constexpr platform::UINT kCmdOperateSpare = 1003;
inline constexpr platform::UINT kCmdLeaveTable = 1004;

class CMJOperateView : public client::CGameFormView {
  public:
    ~CMJOperateView() override;

    // The strip picture and the button size of the current skin.
    virtual void LoadSkin();
    // One row with equal gaps; on a small screen with the stacked layout
    // (layout word 3 = 2) a column at the left edge.
    virtual void LayoutButtons(int cx, int cy);
    void OnInitialUpdate() override;

    platform::CButton& Button(platform::UINT id) { return buttons_[id - kCmdRulesPage]; }
    int ButtonWidth() const { return width_; }
    int ButtonHeight() const { return height_; }

  protected:
    platform::LRESULT OnMessage(platform::Message& msg) override;

  private:
    void OnCommand(platform::UINT id);

    std::array<platform::CButton, 4> buttons_;
    std::shared_ptr<const platform::Surface> background_;
    int width_ = 50;
    int height_ = 36;
};

}  // namespace mahjong
