#include "client/controls/slide_popup.h"

#include <algorithm>
#include <vector>

#include "client/client_ui.h"
#include "platform/message_queue.h"
#include "platform/thread.h"

namespace client {
namespace {

// The popups and their state; they are windows of the user-interface thread.
struct Registry {
    std::vector<std::unique_ptr<CSlidePopupDlg>> popups;
    int open = 0;
    bool milestones[3] = {true, true, true};  // up half, down two thirds, down half
};

Registry& Popups() {
    static Registry* registry = new Registry;  // outlives every window
    return *registry;
}

}  // namespace

void CSlidePopupDlg::Adopt(std::unique_ptr<CSlidePopupDlg> popup) {
    Popups().popups.push_back(std::move(popup));
}

bool CSlidePopupDlg::PostAnswer(platform::UINT message, platform::WPARAM data, bool agree,
                                std::initializer_list<platform::CWnd*> links) {
    // A second click during the slide would answer again.
    if (answered_) return false;
    answered_ = true;
    for (platform::CWnd* link : links)
        link->EnableWindow(false);
    platform::CWnd::ReleaseCapture();
    PlayWaveResource(kAnswerSound);
    StartSlideDown();
    platform::PostMessage(owner_, message, data, agree ? 1 : 0);
    return true;
}

int CSlidePopupDlg::OpenCount() {
    return Popups().open;
}

CSlidePopupDlg* CSlidePopupDlg::Newest() {
    return Popups().popups.empty() ? nullptr : Popups().popups.back().get();
}

void CSlidePopupDlg::DestroyAll(platform::HWND owner) {
    std::vector<CSlidePopupDlg*> doomed;
    for (const auto& popup : Popups().popups)
        if (!owner || popup->owner_ == owner) doomed.push_back(popup.get());
    for (CSlidePopupDlg* popup : doomed) {
        popup->Destroy();
        std::erase_if(Popups().popups, [&](const auto& p) { return p.get() == popup; });
    }
}

void CSlidePopupDlg::ResetMilestones() {
    std::fill(std::begin(Popups().milestones), std::end(Popups().milestones), true);
}

CSlidePopupDlg::CSlidePopupDlg(platform::HWND owner) : owner_(owner) {
    const platform::RECT work = platform::GetDisplay()->WorkArea();
    workBottom_ = work.bottom;
    left_ = work.right - kStackStep * OpenCount() - 250;
    SetDialogStyle(platform::WS_POPUP);
}

CSlidePopupDlg::~CSlidePopupDlg() {
    Destroy();
}

void CSlidePopupDlg::SetLeft(int x) {
    left_ = x - kStackStep * OpenCount();
}

void CSlidePopupDlg::SetSize(int width, int height) {
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
}

bool CSlidePopupDlg::Show(platform::UINT templateId, platform::CWnd* /*foreground*/,
                          platform::CWnd* front) {
    templateId_ = templateId;
    rect_ = {left_, workBottom_, left_ + width_, workBottom_};
    gradient_.SetDirection(CGradientFill::kFromTop);
    gradient_.SetColors({textColour_, textColour_, backColour_});
    SetDialogSize({width_, 0});
    if (!CreateModeless(nullptr, false)) return false;
    Place();
    if (front && front->GetSafeHwnd()) platform::SetForegroundWindow(front->GetSafeHwnd());
    platform::SetTimer(Handle(), kSlideTimer, kSlideMs);
    slidingUp_ = true;
    counted_ = true;
    ++Popups().open;
    return true;
}

void CSlidePopupDlg::StartSlideDown() {
    if (!GetSafeHwnd()) return;
    platform::KillTimer(Handle(), kStayTimer);
    platform::SetTimer(Handle(), kSlideTimer, kSlideMs);
    slidingUp_ = false;
}

void CSlidePopupDlg::Place() {
    MoveWindow(rect_.left, rect_.top, rect_.Width(), rect_.Height());
    ShowWindow(platform::SW_SHOWNOACTIVATE);
}

void CSlidePopupDlg::Slide() {
    bool* milestones = Popups().milestones;
    const platform::HWND self = Handle();
    if (slidingUp_) {
        rect_.top = std::max(rect_.top - kSlideStep, workBottom_ - height_);
        if (rect_.top <= workBottom_ - height_) {
            platform::KillTimer(self, kSlideTimer);
            platform::SetTimer(self, kStayTimer, platform::UINT(std::max(stayMs_, 0)));
            Place();
            OnShown();
            return;
        }
        if (milestones[0] && rect_.Height() * 2 >= height_) {
            milestones[0] = false;
            OnSlideUpHalf();
        }
    } else {
        rect_.top = std::min(rect_.top + kSlideStep, rect_.bottom);
        if (rect_.top >= rect_.bottom) {
            platform::KillTimer(self, kSlideTimer);
            Destroy();
            return;
        }
        if (milestones[1] && rect_.Height() * 3 <= height_ * 2) {
            milestones[1] = false;
            OnSlideDownTwoThirds();
        }
        if (milestones[2] && rect_.Height() * 2 <= height_) {
            milestones[2] = false;
            OnSlideDownHalf();
        }
    }
    if (platform::IsWindow(self)) Place();
}

platform::LRESULT CSlidePopupDlg::OnMessage(platform::Message& msg) {
    using namespace platform;
    switch (msg.message) {
        case WM_TIMER:
            if (msg.wParam == kSlideTimer) {
                Slide();
                return 0;
            }
            if (msg.wParam == kStayTimer) {
                StartSlideDown();
                return 0;
            }
            break;
        case WM_ERASEBKGND:
            if (auto* painter = reinterpret_cast<Painter*>(msg.wParam))
                gradient_.Draw(*painter, {0, 0, rect_.Width(), rect_.Height()}, 256);
            return 1;
        case WM_CTLCOLORSTATIC:
            return TransparentStatic(msg);
        case WM_NCDESTROY: {
            const LRESULT result = CDialog::OnMessage(msg);
            if (counted_) --Popups().open;
            counted_ = false;
            // The registry lets go of the popup; it is deleted once this
            // handler has returned (a message that nobody reads carries it).
            auto& popups = Popups().popups;
            auto it = std::find_if(popups.begin(), popups.end(),
                                   [&](const auto& p) { return p.get() == this; });
            if (it != popups.end()) {
                std::unique_ptr<CSlidePopupDlg> self = std::move(*it);
                popups.erase(it);
                PostThreadMessage(platform::GetCurrentThreadId(), WM_NULL, 0, 0,
                                  Payload::From(std::move(self)));
            }
            return result;
        }
        default:
            break;
    }
    return CDialog::OnMessage(msg);
}

}  // namespace client
