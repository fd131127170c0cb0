#include "client/dialog_bar.h"

#include "client/draw_utils.h"
#include "client/game_app.h"
#include "client/game_frame.h"
#include "client/skin_library.h"
#include "client/skin_settings.h"
#include "platform/gui/sys_colors.h"
#include "platform/message_queue.h"

namespace client {
namespace {

CSkinSettings* Skin() {
    CGameApp* app = CGameApp::Current();
    return app ? app->GetSkinSettings() : nullptr;
}

}  // namespace

CGameDialogBar::CGameDialogBar() {
    SetClassBackground(platform::CLR_INVALID);
}

bool CGameDialogBar::Create(platform::CWnd* frame) {
    const platform::RECT r{0, 0, frame ? frame->GetClientRect().right : 0, kDefaultHeight};
    if (!CreateEx(0, "", platform::WS_CHILD | platform::WS_VISIBLE, r, frame, kDialogBarId))
        return false;
    if (!skinButton_.Create("", platform::WS_VISIBLE | platform::WS_TABSTOP, {0, 0, 0, 0}, this,
                            kSkinButtonId))
        return false;
    skinButton_.SetTooltipText("选择皮肤");
    ApplySkin();
    return true;
}

void CGameDialogBar::ApplySkin() {
    CSkinSettings* skin = Skin();
    const auto picture = SkinLibrary::Instance().GetBitmap("DlgBarBK");
    const int height = picture ? picture->Height() : kDefaultHeight;
    if (GetRectInParent().Height() != height) {
        const platform::RECT r = GetRectInParent();
        MoveWindow(r.left, r.top, r.Width(), height);
    }
    skinButton_.SetDefaultColors(false);
    if (skin) {
        skinButton_.SetColor(CSkinButton::kBackNormal,
                             skin->GetColor("CommColors", "WaitBarbg", 0xC8D0D4), false);
        skinButton_.SetColor(CSkinButton::kBackOver,
                             skin->GetColor("CommColors", "WaitBarfg", 0x404040), false);
        skinButton_.SetColor(CSkinButton::kTextOver, 0xFFFFFF, false);
        skinButton_.SetIcon(skin->HasSkin() ? skin->GetSkinIcon(skin->GetSkinPath())
                                            : platform::Icon{});
    }
    PlaceButton();
    RedrawWindow(nullptr, nullptr,
                 platform::RDW_INVALIDATE | platform::RDW_ERASE | platform::RDW_ALLCHILDREN);
}

void CGameDialogBar::PlaceButton() {
    CSkinSettings* skin = Skin();
    int w = skin ? skin->GetButtonWidth() : kDefaultButtonWidth;
    int h = skin ? skin->GetButtonHeight() : kDefaultButtonHeight;
    if (w <= 0 || h <= 0) {
        w = kDefaultButtonWidth;
        h = kDefaultButtonHeight;
    }
    const int left = skin ? skin->GetAdvertLeft() : 3;
    const int bar = GetRectInParent().Height();
    const int top = std::max((bar - h) / 2, 0);
    skinButton_.MoveWindow(GetClientRect().right - w - left, top, w, h);
}

void CGameDialogBar::Paint() {
    platform::PAINTSTRUCT ps;
    platform::Painter p = BeginPaint(ps);
    const platform::RECT client = GetClientRect();
    const auto picture = SkinLibrary::Instance().GetBitmap("DlgBarBK");
    if (!picture) {
        p.FillSolidRect(client, platform::GetSysColor(platform::COLOR_BTNFACE));
        p.FillSolidRect({0, client.bottom - 1, client.right, client.bottom},
                        platform::GetSysColor(platform::COLOR_BTNSHADOW));
    } else {
        CSkinSettings* skin = Skin();
        const int left = std::clamp(skin ? skin->GetDlgBarBKLeftWidth() : 0, 0, picture->Width());
        p.BitBlt(0, 0, left, client.bottom, *picture, 0, 0);
        // The rest of the picture repeats from the end of its left part.
        if (left < picture->Width()) {
            platform::Surface rest(picture->Width() - left, picture->Height());
            platform::Painter(rest).BitBlt(0, 0, rest.Width(), rest.Height(), *picture, left, 0);
            p.SaveState();
            p.SetOrigin({p.Origin().x + left, p.Origin().y});
            TileBitmap(p, {0, 0, client.right - left, client.bottom}, rest);
            p.RestoreState(-1);
        }
    }
    EndPaint(ps);
}

platform::LRESULT CGameDialogBar::OnMessage(platform::Message& msg) {
    switch (msg.message) {
        case platform::WM_PAINT:
            Paint();
            return 0;
        case platform::WM_ERASEBKGND:
            return 1;
        case platform::WM_SIZE:
            if (skinButton_.GetSafeHwnd()) PlaceButton();
            return Default(msg);
        case platform::WM_COMMAND:
            if (platform::LOWORD(msg.wParam) == int(kSkinButtonId)) {
                platform::CWnd* frame = GetParent();
                if (!frame) return 0;
                const platform::RECT screen = skinButton_.GetWindowRect();
                const platform::POINT a = frame->ScreenToClient({screen.left, screen.top});
                const platform::POINT b = frame->ScreenToClient({screen.right, screen.bottom});
                const platform::RECT inFrame{a.x, a.y, b.x, b.y};
                platform::SendMessage(frame->GetSafeHwnd(), kMsgSkinButton, 0,
                                      reinterpret_cast<platform::LPARAM>(&inFrame));
                return 0;
            }
            return Default(msg);
        default:
            return Default(msg);
    }
}

}  // namespace client
