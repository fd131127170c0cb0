#pragma once
// The dialog bar: the strip across the top of the main frame. It shows the
// skin's DlgBarBK picture (its left DlgBarBKLeftWidth columns as they are,
// the rest repeated to the right edge) and, at its right, the skin button,
// which asks the frame for the skin menu (WM_USER+804 with the button's
// rectangle in the frame's coordinates). It owns the skin menu while it
// is up.

#include "client/controls/skin_button.h"
#include "platform/gui/wnd.h"

namespace client {

inline constexpr platform::UINT kDialogBarId = 141;

class CGameDialogBar : public platform::CWnd {
  public:
    static constexpr platform::UINT kSkinButtonId = 1000;
    static constexpr int kDefaultHeight = 42;

    CGameDialogBar();
    ~CGameDialogBar() override { Destroy(); }
    // Makes the bar across the top of `frame`.
    bool Create(platform::CWnd* frame);
    // Takes the current skin's picture, sizes and colours.
    void ApplySkin();
    CSkinButton& SkinButton() { return skinButton_; }

  protected:
    platform::LRESULT OnMessage(platform::Message& msg) override;

  private:
    void Paint();
    void PlaceButton();

    CSkinButton skinButton_;
};

}  // namespace client
