#pragma once
// Static text. The control itself (CtlColor, what a reflected
// WM_CTLCOLORSTATIC was) or else its parent through WM_CTLCOLORSTATIC may
// colour it: set the painter's text colour and answer a brush, or a null
// brush for a transparent background. With SS_NOTIFY clicks reach the parent.

#include "platform/gui/controls.h"
#include "platform/gui/wnd.h"

namespace platform {

class CStatic : public CWnd {
  public:
    ~CStatic() override { Destroy(); }
    bool Create(std::string_view text, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
        return CreateEx(0, text, style | WS_CHILD, rect, parent, id);
    }

  protected:
    LRESULT OnMessage(Message& msg) override;
    // The control's own colouring; null leaves it to the parent.
    virtual const Brush* CtlColor(Painter& /*painter*/) { return nullptr; }
};

}  // namespace platform
