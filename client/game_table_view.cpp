#include "client/game_table_view.h"

#include "client/game_app.h"
#include "client/skin_library.h"
#include "client/skin_settings.h"
#include "platform/message_queue.h"

namespace client {

CGameTableView::CGameTableView() = default;

void CGameTableView::InitializeTable() {
    CGameApp* app = CGameApp::Current();
    CSkinSettings* skin = app ? app->GetSkinSettings() : nullptr;
    SetBackgroundColor(skin ? skin->GetColor("CommColors", "TableColor", 0x4000) : 0x4000);
    SetBackgroundBitmap(SkinLibrary::Instance().GetBitmap("TableCloth"));
    UpdateBackground();
    Invalidate();
}

void CGameTableView::StartClockTimer() {
    if (clockTimer_) platform::KillTimer(GetSafeHwnd(), clockTimer_);
    clockTimer_ = platform::SetTimer(GetSafeHwnd(), ClockTimerId(), kClockPeriodMs);
}

void CGameTableView::StopClockTimer() {
    if (clockTimer_) platform::KillTimer(GetSafeHwnd(), clockTimer_);
    clockTimer_ = 0;
}

void CGameTableView::UpdateBackground() {
    if (!background_) {
        stretched_ = {};  // the colour alone, not the last picture
        return;
    }
    stretched_ = platform::Surface(GetWidth(), GetHeight());
    platform::Painter p(stretched_);
    p.StretchBlt(stretched_.Bounds(), *background_, background_->Bounds());
}

void CGameTableView::DrawBackground(platform::Painter& dc, const platform::RECT& rect) const {
    if (stretched_.Width() == 0) {
        dc.FillSolidRect(rect, backColor_);
        return;
    }
    dc.BitBlt(rect.left, rect.top, rect.Width(), rect.Height(), stretched_, rect.left, rect.top);
}

platform::LRESULT CGameTableView::OnMessage(platform::Message& msg) {
    switch (msg.message) {
        case platform::WM_SETCURSOR: {
            static constexpr platform::HCURSOR kCursors[] = {
                platform::IDC_ARROW, platform::IDC_HAND, platform::IDC_SIZEALL};
            if (cursorMode_ >= 0 && cursorMode_ < 3) platform::SetCursor(kCursors[cursorMode_]);
            return 1;
        }
        case platform::WM_SIZE: {
            const int cx = platform::LOWORD(uintptr_t(msg.lParam));
            const int cy = platform::HIWORD(uintptr_t(msg.lParam));
            if (OnSize(platform::UINT(msg.wParam), cx, cy)) {
                const platform::RECT all{0, 0, cx, cy};
                InvalidateRect(&all, true);
                UpdateBackground();
            }
            return 0;
        }
        case platform::WM_PAINT: {
            platform::PAINTSTRUCT ps;
            platform::Painter p = BeginPaint(ps);
            DrawBackground(p, ps.rcPaint);
            EndPaint(ps);
            return 0;
        }
        case platform::WM_DESTROY:
            StopClockTimer();
            return CGameFormView::OnMessage(msg);
        default:
            return CGameFormView::OnMessage(msg);
    }
}

}  // namespace client
