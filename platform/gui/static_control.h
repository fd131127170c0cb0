#pragma once
// Static text. The parent may colour it through WM_CTLCOLORSTATIC (set the
// painter's text colour and answer a brush, or a null brush for a
// transparent background); with SS_NOTIFY clicks reach the parent.

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
};

}  // namespace platform
