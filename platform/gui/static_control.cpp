#include "platform/gui/static_control.h"

#include "platform/gui/sys_colors.h"

namespace platform {

LRESULT CStatic::OnMessage(Message& msg) {
    switch (msg.message) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            Painter painter = BeginPaint(ps);
            painter.SetTextColor(
                GetSysColor(IsWindowEnabled() ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
            painter.SetBkColor(GetSysColor(COLOR_BTNFACE));
            Brush background = Brush::Solid(GetSysColor(COLOR_BTNFACE));
            if (const Brush* own = CtlColor(painter)) {
                background = *own;
            } else if (CWnd* parent = GetParent()) {
                LRESULT answer =
                    SendMessage(parent->GetSafeHwnd(), WM_CTLCOLORSTATIC,
                                reinterpret_cast<WPARAM>(&painter), ToLParam(GetSafeHwnd()));
                if (answer) background = *reinterpret_cast<const Brush*>(answer);
            }
            painter.FillRect(GetClientRect(), background);
            painter.SetBkMode(TRANSPARENT);
            RECT r = GetClientRect();
            const DWORD style = GetStyle();
            unsigned format = DT_WORDBREAK;
            if ((style & 0x3) == SS_CENTER) format |= DT_CENTER;
            if ((style & 0x3) == SS_RIGHT) format |= DT_RIGHT;
            if (style & SS_CENTERIMAGE)
                format = (format & ~DT_WORDBREAK) | DT_SINGLELINE | DT_VCENTER;
            painter.DrawText(GetWindowText(), r, format);
            EndPaint(ps);
            return 0;
        }
        case WM_LBUTTONDOWN:
            if (GetStyle() & SS_NOTIFY) NotifyParent(*this, STN_CLICKED);
            return 0;
        case WM_LBUTTONDBLCLK:
            if (GetStyle() & SS_NOTIFY) NotifyParent(*this, STN_DBLCLK);
            return 0;
        case WM_SETTEXT: {
            LRESULT r = CWnd::OnMessage(msg);
            Invalidate();
            return r;
        }
        default:
            return CWnd::OnMessage(msg);
    }
}

}  // namespace platform
