#include "client/framework_dialogs.h"

#include <cstdio>

#include "client/client_utils.h"
#include "client/game_app.h"
#include "platform/profile.h"
#include "transport/util.h"

namespace client {

CTimedMessageBox::CTimedMessageBox(std::string text, std::string okText, std::string cancelText,
                                   int seconds, uint32_t type)
    : text_(std::move(text)),
      okText_(okText.empty() ? "确定" : std::move(okText)),
      cancelText_(cancelText.empty() ? "取消" : std::move(cancelText)),
      seconds_(seconds),
      type_(type) {}

CTimedMessageBox::~CTimedMessageBox() {
    Destroy();
}

void CTimedMessageBox::OnInitDialog() {
    caption_ = CGameApp::Current() ? CGameApp::Current()->GetGameTitle() : std::string();
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
    platform::SetTimer(Handle(), 1, 1000);
    countdown_ = IntToString(seconds_.load());
    if (CGameApp::Current()) CGameApp::Current()->PlaySound(kSoundMessageBox, 0);
}

void CTimedMessageBox::OnTick() {
    const int left = --seconds_;
    countdown_ = IntToString(left);
    if (left <= 0) EndDialog(cancelEnabled_ ? kIdCancel : kIdOk);
}

void CTimedMessageBox::EndDialog(int result) {
    if (Handle()) platform::KillTimer(Handle(), 1);
    loop_.End(result);
}

platform::LRESULT CTimedMessageBox::WindowProc(platform::Message& msg) {
    switch (msg.message) {
        case platform::WM_TIMER:
            if (msg.wParam == 1) OnTick();
            return 0;
        case kWmKeyDown:
            // Enter and Space choose OK wherever the focus is.
            if (msg.wParam == kVkReturn || msg.wParam == kVkSpace) EndDialog(kIdOk);
            return 0;
        case platform::WM_CLOSE:
            if (cancelEnabled_) EndDialog(kIdCancel);
            return 0;
        default:
            return Window::WindowProc(msg);
    }
}

int CTimedMessageBox::DoModal(platform::HWND parent) {
    if (!Create(parent)) return kIdCancel;
    OnInitDialog();
    running_ = true;
    const int result = loop_.Run({}, kIdCancel);
    running_ = false;
    Destroy();
    return result;
}

CWaitDlg::CWaitDlg() = default;

CWaitDlg::~CWaitDlg() {
    Destroy();
}

void CWaitDlg::SetText(const std::string& text, uint32_t seconds) {
    if (seconds > 0 && Handle()) platform::SetTimer(Handle(), kHideTimer, seconds * 1000);
    std::lock_guard lock(mu_);
    state_.text = text;
    state_.visible = true;
}

void CWaitDlg::Hide() {
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
    std::lock_guard lock(mu_);
    state_.backgroundPath = fresh.backgroundPath;
    state_.barForeground = fresh.barForeground;
    state_.barBackground = fresh.barBackground;
}

platform::LRESULT CWaitDlg::WindowProc(platform::Message& msg) {
    switch (msg.message) {
        case platform::WM_TIMER:
            if (msg.wParam == kHideTimer) {
                platform::KillTimer(Handle(), kHideTimer);
                Hide();
            }
            return 0;
        case kMsgSkinChanged:
            if (auto path = msg.payload.Take<std::string>()) LoadSkin(*path);
            return 0;
        default:
            return Window::WindowProc(msg);
    }
}

}  // namespace client
