#include "client/framework_dialogs.h"

#include <cstdio>

#include "client/client_ui.h"
#include "client/client_utils.h"
#include "client/game_app.h"
#include "client/picture_file.h"
#include "platform/gui/message_box.h"
#include "platform/gui/sys_colors.h"
#include "platform/gui/virtual_keys.h"
#include "platform/profile.h"
#include "transport/util.h"

namespace client {

namespace {

constexpr int kBoxWidth = 340;
constexpr int kBoxHeight = 150;

platform::UINT IconTypeOf(CTimedMessageBox::Icon icon) {
    switch (icon) {
        case CTimedMessageBox::Icon::kInformation:
            return platform::MB_ICONINFORMATION;
        case CTimedMessageBox::Icon::kError:
            return platform::MB_ICONERROR;
        case CTimedMessageBox::Icon::kWarning:
            return platform::MB_ICONWARNING;
        case CTimedMessageBox::Icon::kQuestion:
            return platform::MB_ICONQUESTION;
        default:
            return 0;
    }
}

}  // namespace

class CTimedMessageBox::IconView : public platform::CWnd {
  public:
    explicit IconView(platform::UINT type) : type_(type) {}
    ~IconView() override { Destroy(); }

  protected:
    platform::LRESULT OnMessage(platform::Message& msg) override {
        if (msg.message != platform::WM_PAINT) return CWnd::OnMessage(msg);
        platform::PAINTSTRUCT ps;
        platform::Painter painter = BeginPaint(ps);
        painter.FillSolidRect(GetClientRect(), platform::GetSysColor(platform::COLOR_BTNFACE));
        platform::DrawMessageIcon(painter, 0, 0, type_);
        EndPaint(ps);
        return 0;
    }

  private:
    platform::UINT type_;
};

CTimedMessageBox::CTimedMessageBox(std::string text, std::string okText, std::string cancelText,
                                   int seconds, uint32_t type)
    : CDialog({kBoxWidth, kBoxHeight}, "游戏"),
      text_(std::move(text)),
      okText_(std::move(okText)),
      cancelText_(std::move(cancelText)),
      seconds_(seconds),
      type_(type) {}

CTimedMessageBox::~CTimedMessageBox() {
    Destroy();
}

bool CTimedMessageBox::OnInitDialog() {
    if (const CGameApp* app = CGameApp::Current()) SetWindowText(app->GetGameTitle());
    switch (type_) {
        case kMbOk:
            icon_ = Icon::kInformation;
            cancelEnabled_ = false;
            break;
        case kMbError:
            icon_ = Icon::kError;
            cancelEnabled_ = false;
            break;
        case kMbWarning:
            icon_ = Icon::kWarning;
            cancelEnabled_ = false;
            break;
        case kMbOkCancelInfo:
            icon_ = Icon::kInformation;
            cancelEnabled_ = true;
            break;
        case kMbOkCancelQuestion:
            icon_ = Icon::kQuestion;
            cancelEnabled_ = true;
            break;
        default:
            icon_ = Icon::kNone;
            break;
    }
    using namespace platform;
    iconView_ = std::make_unique<IconView>(IconTypeOf(icon_));
    iconView_->CreateEx(0, "", WS_CHILD | WS_VISIBLE, {12, 12, 44, 44}, this, kIdIcon);
    message_.Create(text_, WS_VISIBLE | SS_LEFT, {56, 12, kBoxWidth - 12, 80}, this, kIdMessage);
    countdown_.Create(IntToString(seconds_.load()), WS_VISIBLE | SS_LEFT, {12, 90, 52, 110}, this,
                      kIdCountdown);
    ok_.Create(okText_.empty() ? "确定" : okText_, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
               {kBoxWidth - 172, 88, kBoxWidth - 97, 111}, this, IDOK);
    cancel_.Create(cancelText_.empty() ? "取消" : cancelText_,
                   WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                   {kBoxWidth - 87, 88, kBoxWidth - 12, 111}, this, IDCANCEL);
    if (!cancelEnabled_) cancel_.EnableWindow(false);
    SetDefID(IDOK);
    SetTimer(Handle(), 1, 1000);
    // Through the application's sound hook rather than straight from the
    // resources: a player who chose silence hears no box either.
    if (CGameApp* app = CGameApp::Current()) app->PlaySound(kSoundMessageBox, 0);
    running_ = true;
    return true;
}

std::string CTimedMessageBox::CountdownText() const {
    return countdown_.GetSafeHwnd() ? countdown_.GetWindowText() : std::string();
}

void CTimedMessageBox::OnTick() {
    const int left = --seconds_;
    countdown_.SetWindowText(IntToString(left));
    if (left <= 0) {
        platform::KillTimer(Handle(), 1);
        EndDialog(cancelEnabled_ ? kIdCancel : kIdOk);
    }
}

void CTimedMessageBox::OnCancel() {
    // Escape and the close box answer only where Cancel is enabled.
    if (cancelEnabled_) EndDialog(kIdCancel);
}

bool CTimedMessageBox::PreTranslateMessage(platform::Message& msg) {
    // Enter and Space choose OK wherever the focus is, Cancel included.
    if (msg.message == platform::WM_KEYDOWN &&
        (msg.wParam == platform::VK_RETURN || msg.wParam == platform::VK_SPACE)) {
        EndDialog(kIdOk);
        return true;
    }
    return CDialog::PreTranslateMessage(msg);
}

platform::LRESULT CTimedMessageBox::OnMessage(platform::Message& msg) {
    if (msg.message == platform::WM_TIMER && msg.wParam == 1) {
        OnTick();
        return 0;
    }
    return CDialog::OnMessage(msg);
}

int CTimedMessageBox::DoModal(platform::HWND owner) {
    const int result = CDialog::DoModal(owner ? platform::CWnd::FromHandle(owner) : nullptr);
    running_ = false;
    return result < 0 ? kIdCancel : result;
}

CWaitDlg::CWaitDlg() : CDialog({320, 90}, "") {}

CWaitDlg::~CWaitDlg() {
    Destroy();
}

bool CWaitDlg::OnInitDialog() {
    using namespace platform;
    text_.Create("", WS_VISIBLE | SS_CENTER, {12, 24, 308, 44}, this, kIdText);
    bar_.Create("", WS_VISIBLE, {60, 56, 260, 68}, this, kIdBar);
    bar_.SetColors(state_.barForeground, state_.barBackground);
    // The dialog starts with the skin the program's settings name.
    if (const CGameApp* app = CGameApp::Current())
        PostMessage(Handle(), kMsgSkinChanged, 0, 0,
                    Payload::Make<std::string>(
                        GetPrivateProfileString("SKIN", "Path", "", app->GetIniPath(), 260)));
    return false;
}

void CWaitDlg::SetText(const std::string& text, uint32_t seconds) {
    if (Handle()) {
        // A text without seconds stays until the next text or a hide: an
        // earlier text's hide timer must not end it.
        if (seconds > 0)
            platform::SetTimer(Handle(), kHideTimer, seconds * 1000);
        else
            platform::KillTimer(Handle(), kHideTimer);
        Invalidate();
        text_.SetWindowText(text);
        ShowWindow(platform::SW_SHOW);
        platform::SetForegroundWindow(Handle());
    }
    std::lock_guard lock(mu_);
    state_.text = text;
    state_.visible = true;
}

void CWaitDlg::Hide() {
    if (Handle()) {
        platform::KillTimer(Handle(), kHideTimer);
        ShowWindow(platform::SW_HIDE);
    }
    std::lock_guard lock(mu_);
    state_.visible = false;
}

CWaitDlg::State CWaitDlg::Snapshot() const {
    std::lock_guard lock(mu_);
    return state_;
}

void CWaitDlg::LoadSkin(const std::string& skinPath) {
    State fresh;
    if (!skinPath.empty()) {
        const std::string picture =
            platform::GetPrivateProfileString("BitmapResource", "CommDlgBK", "", skinPath, 258);
        if (!picture.empty()) {
            std::string folder;
            transport::GetPathParts(skinPath, transport::kPathDrive | transport::kPathDirectory,
                                    folder);
            fresh.backgroundPath = folder + picture;
        }
        fresh.barForeground =
            ParseRgb(platform::GetPrivateProfileString("CommColors", "WaitBarfg", "", skinPath, 64),
                     fresh.barForeground);
        fresh.barBackground =
            ParseRgb(platform::GetPrivateProfileString("CommColors", "WaitBarbg", "", skinPath, 64),
                     fresh.barBackground);
    }
    background_ =
        fresh.backgroundPath.empty() ? platform::Surface() : LoadPictureFile(fresh.backgroundPath);
    bar_.SetColors(fresh.barForeground, fresh.barBackground);
    std::lock_guard lock(mu_);
    state_.backgroundPath = fresh.backgroundPath;
    state_.barForeground = fresh.barForeground;
    state_.barBackground = fresh.barBackground;
}

platform::LRESULT CWaitDlg::OnMessage(platform::Message& msg) {
    switch (msg.message) {
        case platform::WM_TIMER:
            if (msg.wParam == kHideTimer) {
                platform::KillTimer(Handle(), kHideTimer);
                Hide();
                return 0;
            }
            break;
        case kMsgSkinChanged:
            if (auto path = msg.payload.Take<std::string>()) LoadSkin(*path);
            Invalidate();
            return 0;
        case platform::WM_CLOSE:
            Hide();
            return 0;
        case platform::WM_ERASEBKGND:
            if (auto* painter = reinterpret_cast<platform::Painter*>(msg.wParam)) {
                if (background_.Empty()) {
                    painter->FillSolidRect(GetClientRect(),
                                           platform::GetSysColor(platform::COLOR_BTNFACE));
                } else {
                    painter->StretchBlt(GetClientRect(), background_, background_.Bounds());
                }
            }
            return 1;
        case platform::WM_CTLCOLORSTATIC:
            return TransparentStatic(msg);
        case platform::WM_SHOWWINDOW:
            if (msg.wParam) {
                bar_.Start(kBarStepMs);
            } else {
                bar_.Stop();
            }
            break;
        default:
            break;
    }
    return CDialog::OnMessage(msg);
}

}  // namespace client
