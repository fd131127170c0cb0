#include "platform/gui/dialog.h"

#include <algorithm>

#include "platform/gui/button.h"
#include "platform/gui/sys_colors.h"
#include "platform/gui/virtual_keys.h"

namespace platform {

CDialog::CDialog(SIZE size, std::string caption) : size_(size), caption_(std::move(caption)) {
    SetClassBackground(GetSysColor(COLOR_BTNFACE));
}

bool CDialog::Make(CWnd* owner) {
    owner_ = owner ? owner->GetTopLevel() : nullptr;
    if (!CreateEx(0, caption_, style_ & ~WS_VISIBLE, {0, 0, size_.cx, size_.cy}, nullptr, 0)) {
        return false;
    }
    CenterWindow(owner_);
    const HWND self = GetSafeHwnd();
    Message init{self, WM_INITDIALOG, 0, 0, GetTickCount(), {}};
    const bool focusFirst = OnMessage(init) != 0;
    if (!IsWindow(self)) return false;
    if (focusFirst) NextTabStop(false);
    return true;
}

int CDialog::DoModal(CWnd* owner) {
    // The owner is disabled before the dialog starts, as in Win32.
    CWnd* top = owner ? owner->GetTopLevel() : nullptr;
    const bool ownerWasEnabled = top && top->IsWindowEnabled();
    if (ownerWasEnabled) top->EnableWindow(false);
    if (!Make(owner)) {
        if (ownerWasEnabled && IsWindow(top->GetSafeHwnd())) top->EnableWindow(true);
        return -1;
    }
    ShowWindow(SW_SHOW);
    const HWND self = GetSafeHwnd();
    int result = loop_.Run(
        [this, self](Message& msg) { return IsWindow(self) && PreTranslateMessage(msg); });
    if (ownerWasEnabled && IsWindow(top->GetSafeHwnd())) top->EnableWindow(true);
    if (IsWindow(self)) Destroy();
    return result;
}

bool CDialog::CreateModeless(CWnd* owner, bool show) {
    if (!Make(owner)) return false;
    if (show) ShowWindow(SW_SHOW);
    return true;
}

void CDialog::EndDialog(int result) {
    if (loop_.Running()) {
        ShowWindow(SW_HIDE);
        loop_.End(result);
    } else {
        Destroy();
    }
}

void CDialog::CenterWindow(CWnd* over) {
    RECT area = over ? over->GetWindowRect() : GetDisplay()->WorkArea();
    const RECT r = GetWindowRect();
    const int x = area.left + (area.Width() - r.Width()) / 2;
    const int y = area.top + (area.Height() - r.Height()) / 2;
    SetWindowPos({}, std::max(x, 0), std::max(y, 0), 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void CDialog::NextTabStop(bool backwards) {
    std::vector<CWnd*> stops;
    for (CWnd* child : ChildWindows()) {
        // The dialog itself may not be shown yet (WM_INITDIALOG).
        if ((child->GetStyle() & WS_TABSTOP) && (child->GetStyle() & WS_VISIBLE) &&
            child->IsWindowEnabled()) {
            stops.push_back(child);
        }
    }
    if (stops.empty()) {
        SetFocus();
        return;
    }
    CWnd* focus = FromHandle(GetFocus());
    auto it = std::find(stops.begin(), stops.end(), focus);
    size_t index = 0;
    if (it != stops.end()) {
        size_t at = size_t(it - stops.begin());
        index = backwards ? (at + stops.size() - 1) % stops.size() : (at + 1) % stops.size();
    } else if (backwards) {
        index = stops.size() - 1;
    }
    stops[index]->SetFocus();
}

bool CDialog::PreTranslateForDialog(Message& msg) {
    CWnd* target = FromHandle(msg.hwnd);
    auto* dialog = target ? dynamic_cast<CDialog*>(target->GetTopLevel()) : nullptr;
    // A modal dialog's own loop does this already.
    if (!dialog || dialog->IsModal()) return false;
    return dialog->PreTranslateMessage(msg);
}

bool CDialog::IsDialogMessage(Message& msg) {
    if (msg.message != WM_KEYDOWN) return false;
    CWnd* target = FromHandle(msg.hwnd);
    if (!target || target->GetTopLevel() != this) return false;
    switch (msg.wParam) {
        case VK_RETURN: {
            UINT id = defaultId_;
            if (auto* button = dynamic_cast<CButton*>(target)) {
                DWORD type = button->GetStyle() & BS_TYPEMASK;
                if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON || type == BS_OWNERDRAW) {
                    id = button->GetDlgCtrlID();
                }
            }
            CWnd* control = GetDlgItem(id);
            if (control && !control->IsWindowEnabled()) return true;
            SendMessage(GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(int(id), int(BN_CLICKED)),
                        control ? ToLParam(control->GetSafeHwnd()) : 0);
            return true;
        }
        case VK_ESCAPE:
            SendMessage(GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(IDCANCEL, int(BN_CLICKED)), 0);
            return true;
        case VK_TAB:
            NextTabStop(GetKeyState(VK_SHIFT) < 0);
            return true;
        default:
            return false;
    }
}

LRESULT CDialog::OnMessage(Message& msg) {
    switch (msg.message) {
        case WM_INITDIALOG:
            return OnInitDialog() ? 1 : 0;
        case WM_COMMAND:
            if (msg.lParam == 0 || HIWORD(msg.wParam) == BN_CLICKED) {
                if (LOWORD(msg.wParam) == IDOK) {
                    OnOK();
                    return 0;
                }
                if (LOWORD(msg.wParam) == IDCANCEL) {
                    OnCancel();
                    return 0;
                }
            }
            return 0;
        case WM_CLOSE:
            OnCancel();
            return 0;
        default:
            return CWnd::OnMessage(msg);
    }
}

}  // namespace platform
