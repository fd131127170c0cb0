#include "platform/gui/controls.h"

#include "platform/gui/wnd.h"

namespace platform {

void NotifyParent(CWnd& control, UINT code) {
    CWnd* parent = control.GetParent();
    if (!parent) return;
    SendMessage(parent->GetSafeHwnd(), WM_COMMAND,
                MAKEWPARAM(int(control.GetDlgCtrlID()), int(code)),
                ToLParam(control.GetSafeHwnd()));
}

}  // namespace platform
