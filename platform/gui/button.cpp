#include "platform/gui/button.h"

#include "platform/gui/sys_colors.h"
#include "platform/gui/virtual_keys.h"

namespace platform {

void CButton::SetCheck(int check) {
    if (checked_ != (check == BST_CHECKED)) {
        checked_ = check == BST_CHECKED;
        Invalidate();
    }
}

void CButton::Click() {
    const HWND self = GetSafeHwnd();
    if ((GetStyle() & BS_TYPEMASK) == BS_AUTOCHECKBOX) SetCheck(checked_ ? 0 : 1);
    OnClicked();
    if (IsWindow(self)) NotifyParent(*this, BN_CLICKED);
}

void CButton::DrawButton(Painter& painter) {
    const RECT client = GetClientRect();
    const DWORD type = GetStyle() & BS_TYPEMASK;
    const bool focused = GetFocus() == GetSafeHwnd();
    if (type == BS_OWNERDRAW) {
        DRAWITEMSTRUCT item;
        item.CtlType = ODT_BUTTON;
        item.CtlID = GetDlgCtrlID();
        item.itemAction = ODA_DRAWENTIRE;
        item.itemState = (pushed_ ? ODS_SELECTED : 0) | (IsWindowEnabled() ? 0 : ODS_DISABLED) |
                         (focused ? ODS_FOCUS : 0);
        item.hwndItem = GetSafeHwnd();
        item.hDC = &painter;
        item.rcItem = client;
        DrawItem(item);
        return;
    }
    painter.SetBkMode(TRANSPARENT);
    painter.SetTextColor(GetSysColor(IsWindowEnabled() ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    if (type == BS_GROUPBOX) {
        // An etched frame whose top line runs through the caption.
        const std::string caption = GetWindowText();
        const int half = painter.CurrentFont().Height() / 2;
        painter.FillSolidRect(client, GetSysColor(COLOR_BTNFACE));
        painter.DrawEdge({client.left, client.top + half, client.right, client.bottom}, EDGE_ETCHED,
                         BF_RECT);
        if (!caption.empty()) {
            RECT text{8, 0, client.right - 8, 2 * half};
            painter.DrawText(caption, text, DT_LEFT | DT_SINGLELINE | DT_CALCRECT);
            text = InflateRect(text, 2, 0);
            painter.FillSolidRect(text, GetSysColor(COLOR_BTNFACE));
            painter.DrawText(caption, text, DT_CENTER | DT_SINGLELINE);
        }
        return;
    }
    if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX) {
        painter.FillSolidRect(client, GetSysColor(COLOR_BTNFACE));
        const int box = 13;
        const int top = (client.Height() - box) / 2;
        RECT square{0, top, box, top + box};
        painter.FillSolidRect(square, GetSysColor(pushed_ ? COLOR_BTNFACE : COLOR_WINDOW));
        painter.DrawEdge(square, EDGE_SUNKEN, BF_RECT);
        if (checked_) {
            painter.SelectPen({PS_SOLID, 1, GetSysColor(COLOR_WINDOWTEXT)});
            for (int i = 0; i < 3; ++i) {
                POINT tick[] = {{3, top + 5 + i}, {5, top + 7 + i}, {10, top + 2 + i}};
                painter.Polyline(tick);
            }
        }
        RECT text{box + 4, 0, client.right, client.bottom};
        painter.DrawText(GetWindowText(), text, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
        return;
    }
    painter.FillSolidRect(client, GetSysColor(COLOR_BTNFACE));
    RECT inner = client;
    if (type == BS_DEFPUSHBUTTON || focused) {
        painter.FrameRect(client, GetSysColor(COLOR_WINDOWFRAME));
        inner = InflateRect(client, -1, -1);
    }
    if (pushed_) {
        painter.FrameRect(inner, GetSysColor(COLOR_BTNSHADOW));
    } else {
        painter.DrawEdge(inner, EDGE_RAISED, BF_RECT);
    }
    RECT text = inner;
    if (pushed_) text = OffsetRect(text, 1, 1);
    painter.DrawText(GetWindowText(), text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    if (focused) painter.DrawFocusRect(InflateRect(inner, -3, -3));
}

void CButton::DrawItem(DRAWITEMSTRUCT& item) {
    if (CWnd* parent = GetParent()) {
        SendMessage(parent->GetSafeHwnd(), WM_DRAWITEM, GetDlgCtrlID(),
                    reinterpret_cast<LPARAM>(&item));
    }
}

LRESULT CButton::OnMessage(Message& msg) {
    // A group box only frames its controls: it takes neither clicks nor keys.
    if ((GetStyle() & BS_TYPEMASK) == BS_GROUPBOX && msg.message != WM_PAINT &&
        ((msg.message >= WM_LBUTTONDOWN && msg.message <= WM_MBUTTONDBLCLK) ||
         msg.message == WM_KEYDOWN || msg.message == WM_KEYUP || msg.message == BM_CLICK)) {
        return 0;
    }
    switch (msg.message) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            Painter painter = BeginPaint(ps);
            DrawButton(painter);
            EndPaint(ps);
            return 0;
        }
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            SetFocus();
            SetCapture();
            tracking_ = true;
            pushed_ = true;
            Invalidate();
            return 0;
        case WM_MOUSEMOVE:
            if (tracking_) {
                bool inside =
                    PtInRect(GetClientRect(), {GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)});
                if (inside != pushed_) {
                    pushed_ = inside;
                    Invalidate();
                }
            }
            return 0;
        case WM_LBUTTONUP: {
            if (!tracking_) return 0;
            tracking_ = false;
            const bool click = pushed_;
            pushed_ = false;
            ReleaseCapture();
            Invalidate();
            if (click) Click();
            return 0;
        }
        case WM_CAPTURECHANGED:
            if (tracking_ && msg.lParam != ToLParam(GetSafeHwnd())) {
                tracking_ = false;
                pushed_ = false;
                Invalidate();
            }
            return 0;
        case WM_KEYDOWN:
            if (msg.wParam == VK_SPACE && !pushed_) {
                pushed_ = true;
                Invalidate();
            }
            return 0;
        case WM_KEYUP:
            if (msg.wParam == VK_SPACE && pushed_) {
                pushed_ = false;
                Invalidate();
                Click();
            }
            return 0;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            Invalidate();
            return 0;
        case BM_CLICK:
            Click();
            return 0;
        case BM_GETCHECK:
            return GetCheck();
        case BM_SETCHECK:
            SetCheck(int(msg.wParam));
            return 0;
        case BM_GETSTATE:
            return (checked_ ? BST_CHECKED : 0) | (pushed_ ? BST_PUSHED : 0) |
                   (GetFocus() == GetSafeHwnd() ? BST_FOCUS : 0);
        case BM_SETSTATE:
            if (pushed_ != (msg.wParam != 0)) {
                pushed_ = msg.wParam != 0;
                Invalidate();
            }
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
