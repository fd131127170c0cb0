#include "client/game_view.h"

#include "client/game_app.h"
#include "client/skin_library.h"
#include "platform/gui/controls.h"
#include "platform/gui/virtual_keys.h"

namespace client {

CGameFormView::CGameFormView() {
    SetClassBackground(platform::CLR_INVALID);
}

bool CGameFormView::CreatePane(platform::CWnd* parent, platform::UINT id,
                               const platform::RECT& rect) {
    return CreateEx(0, "", platform::WS_CHILD | platform::WS_VISIBLE, rect, parent, id);
}

void CGameFormView::ShowPane(bool show) {
    if (!show) SkinLibrary::Instance().BeforePaneHidden(GetSafeHwnd());
    ShowWindow(show ? platform::SW_SHOW : platform::SW_HIDE);
}

void CGameFormView::Redraw() {
    Invalidate(true);
    UpdateWindow();
}

CGameApp* CGameFormView::GetGameApp() {
    return CGameApp::Current();
}

bool CGameFormView::OnSize(platform::UINT, int cx, int cy) {
    if (cx == 0 || cy == 0 || (cx == width_ && cy == height_)) return false;
    width_ = cx;
    height_ = cy;
    return true;
}

bool CGameFormView::PreTranslateMessage(platform::Message& msg) {
    if (msg.message != platform::WM_KEYDOWN) return false;
    int command;
    if (msg.wParam == platform::VK_RETURN)
        command = platform::IDOK;
    else if (msg.wParam == platform::VK_ESCAPE)
        command = platform::IDCANCEL;
    else
        return false;
    platform::SendMessage(GetSafeHwnd(), platform::WM_COMMAND,
                          platform::MAKEWPARAM(command, int(platform::BN_CLICKED)), 0);
    return true;
}

platform::LRESULT CGameFormView::OnMessage(platform::Message& msg) {
    switch (msg.message) {
        case platform::WM_ERASEBKGND:
            return 1;
        case platform::WM_WINDOWPOSCHANGING: {
            const platform::LRESULT r = Default(msg);
            // The pane's border lies under its neighbours.
            if (auto* pos = reinterpret_cast<platform::WINDOWPOS*>(msg.lParam)) {
                if (!(pos->flags & platform::SWP_NOMOVE)) {
                    pos->x -= 1;
                    pos->y -= 1;
                }
                if (!(pos->flags & platform::SWP_NOSIZE)) {
                    pos->cx += 2;
                    pos->cy += 2;
                }
            }
            return r;
        }
        case platform::WM_SIZE:
            OnSize(platform::UINT(msg.wParam), platform::LOWORD(uintptr_t(msg.lParam)),
                   platform::HIWORD(uintptr_t(msg.lParam)));
            return 0;
        case WM_INITIALUPDATE:
            OnInitialUpdate();
            return 0;
        default:
            return Default(msg);
    }
}

}  // namespace client
