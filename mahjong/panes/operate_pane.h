#pragma once
// CMJOperateView: the operation bar at the top of the right-hand column.
// Four buttons on the skin's "OperateBK" strip: the rules page, the play
// settings, one without a task, and leaving (the frame's closing road).
// Each shows its skin picture and names itself in a tool tip; the one
// without a task is disabled, so it is drawn embossed and takes no click.

#include <array>
#include <memory>

#include "client/controls/skin_button.h"
#include "client/game_view.h"

namespace mahjong {

inline constexpr platform::UINT kCmdRulesPage = 1001;
inline constexpr platform::UINT kCmdGameSettings = 1002;
inline constexpr platform::UINT kCmdOperateSpare = 1003;
inline constexpr platform::UINT kCmdLeaveTable = 1004;

// Skin picture keys of the four buttons, in command order.
inline constexpr const char* kOperatePictures[4] = {"OperateRules", "OperateSettings",
                                                    "OperateSpare", "OperateLeave"};
// Their tool tips; the spare button has none.
inline constexpr const char* kOperateTips[4] = {"规则", "设置", "", "离开"};

// A bar button: the bar's strip shows through around its picture, and a
// frame rises while the pointer is on it (sinks while it is pressed).
class COperateButton : public client::CSkinButton {
  public:
    void SetStrip(std::shared_ptr<const platform::Surface> strip);

  protected:
    void OnDrawBackground(platform::Painter& painter, const platform::RECT& rect) override;
    void DrawTheBitmap(platform::Painter& painter, const platform::RECT& client) override;

  private:
    std::shared_ptr<const platform::Surface> strip_;
};

class CMJOperateView : public client::CGameFormView {
  public:
    ~CMJOperateView() override;

    // The strip picture, the button size and the button pictures of the
    // current skin.
    virtual void LoadSkin();
    // One row with equal gaps; on a small screen with the stacked layout
    // (layout word 3 = 2) a column at the left edge.
    virtual void LayoutButtons(int cx, int cy);
    void OnInitialUpdate() override;

    COperateButton& Button(platform::UINT id) { return buttons_[id - kCmdRulesPage]; }
    int ButtonWidth() const { return width_; }
    int ButtonHeight() const { return height_; }

  protected:
    platform::LRESULT OnMessage(platform::Message& msg) override;

  private:
    void OnCommand(platform::UINT id);
    // The strip and each button's picture on the buttons made so far.
    void ApplyPictures();

    std::array<COperateButton, 4> buttons_;
    std::shared_ptr<const platform::Surface> background_;
    int width_ = 50;
    int height_ = 36;
};

}  // namespace mahjong
