#include "mahjong/panes/operate_pane.h"

#include "client/draw_utils.h"
#include "client/skin_library.h"
#include "client/skin_settings.h"
#include "mahjong/app/client_app.h"
#include "platform/gui/icon.h"
#include "platform/gui/sys_colors.h"
#include "platform/message_queue.h"

namespace mahjong {
namespace {

// The skin pictures' transparent colour.
constexpr platform::COLORREF kPictureKey = platform::RGB(255, 0, 255);

}  // namespace

void COperateButton::SetStrip(std::shared_ptr<const platform::Surface> strip) {
    strip_ = std::move(strip);
    if (GetSafeHwnd()) Invalidate();
}

void COperateButton::OnDrawBackground(platform::Painter& painter, const platform::RECT& rect) {
    // The strip as the bar shows it at this button's place.
    const platform::POINT at{GetRectInParent().left, GetRectInParent().top};
    const int saved = painter.SaveState();
    const platform::POINT origin = painter.Origin();
    painter.SetOrigin({origin.x - at.x, origin.y - at.y});
    client::TileBitmap(painter, platform::OffsetRect(rect, at.x, at.y), strip_.get(),
                       platform::GetSysColor(platform::COLOR_BTNFACE));
    painter.RestoreState(saved);
}

void COperateButton::DrawTheBitmap(platform::Painter& painter, const platform::RECT& client) {
    if (!IsWindowEnabled() || !(MouseOnButton() || IsPushed())) return;
    const platform::COLORREF lit = platform::GetSysColor(platform::COLOR_3DHILIGHT);
    const platform::COLORREF dark = platform::GetSysColor(platform::COLOR_3DSHADOW);
    if (IsPushed())
        painter.Draw3dRect(client, dark, lit);
    else
        painter.Draw3dRect(client, lit, dark);
}

CMJOperateView::~CMJOperateView() {
    Destroy();
}

void CMJOperateView::OnInitialUpdate() {
    client::CGameFormView::OnInitialUpdate();
    LoadSkin();
    for (platform::UINT id = kCmdRulesPage; id <= kCmdLeaveTable; ++id)
        Button(id).Create("", platform::WS_CHILD | platform::WS_VISIBLE, {0, 0, width_, height_},
                          this, id);
    // The spare button has no task: it shows so and takes no click.
    Button(kCmdOperateSpare).EnableWindow(false);
    ApplyPictures();
    for (platform::UINT id = kCmdRulesPage; id <= kCmdLeaveTable; ++id)
        if (*kOperateTips[id - kCmdRulesPage])
            Button(id).SetTooltipText(kOperateTips[id - kCmdRulesPage]);
    const platform::RECT area = GetClientRect();
    if (area.Width() != 0) LayoutButtons(area.Width(), area.Height());
}

void CMJOperateView::LoadSkin() {
    background_ = client::SkinLibrary::Instance().GetBitmap("OperateBK");
    client::CGameApp* app = client::CGameApp::Current();
    if (client::CSkinSettings* skin = app ? app->GetSkinSettings() : nullptr) {
        width_ = skin->GetButtonWidth();
        height_ = skin->GetButtonHeight();
    }
    ApplyPictures();
}

void CMJOperateView::ApplyPictures() {
    for (platform::UINT id = kCmdRulesPage; id <= kCmdLeaveTable; ++id) {
        COperateButton& button = Button(id);
        if (!button.GetSafeHwnd()) continue;
        button.SetStrip(background_);
        const auto picture =
            client::SkinLibrary::Instance().GetBitmap(kOperatePictures[id - kCmdRulesPage]);
        button.SetIcon(picture ? platform::IconFromSurface(*picture, kPictureKey)
                               : platform::Icon{});
    }
}

void CMJOperateView::LayoutButtons(int cx, int cy) {
    CClientApp* app = CClientApp::Current();
    const bool stacked =
        app && app->GetTableLogic()->LayoutWord(3) == 2 && app->IsSmallScreen() != 0;
    if (stacked) {
        int y = 0;
        for (platform::UINT id :
             {kCmdGameSettings, kCmdLeaveTable, kCmdRulesPage, kCmdOperateSpare}) {
            Button(id).MoveWindow(0, y, width_, height_, true);
            y += height_;
        }
        return;
    }
    // A pane narrower than four buttons gives a negative gap: they overlap.
    const int gap = (cx - 4 * width_) / 5;
    const int y = (cy - height_) / 2;
    for (platform::UINT id = kCmdRulesPage; id <= kCmdLeaveTable; ++id)
        Button(id).MoveWindow(gap + int(id - kCmdRulesPage) * (width_ + gap), y, width_, height_,
                              true);
}

void CMJOperateView::OnCommand(platform::UINT id) {
    CClientApp* app = CClientApp::Current();
    if (!app) return;
    switch (id) {
        case kCmdRulesPage:
            app->OpenUrl(app->GetRulesPage());
            break;
        case kCmdGameSettings:
            app->ShowSettingsDialog();
            break;
        case kCmdLeaveTable:
            platform::SendMessage(app->MainWindow(), platform::WM_CLOSE);
            break;
        default:
            break;
    }
}

platform::LRESULT CMJOperateView::OnMessage(platform::Message& msg) {
    switch (msg.message) {
        case platform::WM_PAINT: {
            platform::PAINTSTRUCT ps;
            platform::Painter p = BeginPaint(ps);
            client::TileBitmap(p, GetClientRect(), background_.get(),
                               platform::GetSysColor(platform::COLOR_BTNFACE));
            EndPaint(ps);
            return 0;
        }
        case platform::WM_SIZE: {
            const platform::LRESULT r = client::CGameFormView::OnMessage(msg);
            const int cx = platform::LOWORD(uintptr_t(msg.lParam));
            const int cy = platform::HIWORD(uintptr_t(msg.lParam));
            Invalidate(true);
            if (cx != 0 && Button(kCmdLeaveTable).GetSafeHwnd()) LayoutButtons(cx, cy);
            return r;
        }
        case platform::WM_COMMAND: {
            const auto id = platform::UINT(platform::LOWORD(msg.wParam));
            if (id < kCmdRulesPage || id > kCmdLeaveTable)
                return client::CGameFormView::OnMessage(msg);
            OnCommand(id);
            return 0;
        }
        default:
            return client::CGameFormView::OnMessage(msg);
    }
}

}  // namespace mahjong
