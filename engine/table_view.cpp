#include "engine/table_view.h"

#include <numeric>

#include "engine/mouse_controller.h"
#include "engine/resources/resource_manager.h"
#include "platform/clock.h"

namespace engine {
namespace {

using platform::LPARAM;
using platform::Message;
using platform::UINT;
using platform::WPARAM;

constexpr platform::UINT_PTR kFrameTimer = 1;
constexpr UINT kTickMs = 100;
// Posted to itself when the engine's queue wants a pump between frames.
constexpr UINT kPumpEngine = platform::WM_USER + 0x7E1;

bool IsKeyMessage(UINT message) {
    return message >= platform::WM_KEYDOWN && message <= 264;
}

int32_t X(LPARAM lp) {
    return platform::GET_X_LPARAM(lp);
}
int32_t Y(LPARAM lp) {
    return platform::GET_Y_LPARAM(lp);
}
uint32_t Flags(WPARAM wp) {
    return uint32_t(wp);
}

}  // namespace

CJqGameTableView::CJqGameTableView() = default;

CJqGameTableView::~CJqGameTableView() {
    Destroy();
}

int CJqGameTableView::AttachEngine(GameEngine* engine) {
    engine_ = engine;
    if (!engine_) return 0;
    if (!engine_->CanStart()) return 0;
    engine_->InitDefaults();
    engine_->AfterDefaults();
    engine_->SetHost(this);
    engine_->BeginSystem();
    return 1;
}

void CJqGameTableView::SetSizeLocked(bool locked) {
    if (!started_) sizeLocked_ = locked;
}

void CJqGameTableView::OnInitialUpdate() {
    if (sizeLocked_) FirstSizing();
}

// The engine's screen takes the view's size, once; a view of no size (not
// laid out yet, or collapsed) waits for a real one.
void CJqGameTableView::FirstSizing() {
    if (!engine_ || engine_->IsScreenReady()) return;
    const platform::RECT client = GetClientRect();
    if (client.Width() <= 0 || client.Height() <= 0) return;
    engine_->InitScreen(client.Width(), client.Height());
    engine_->LoadSettings();
}

void CJqGameTableView::StartTimers() {
    if (!engine_) return;
    if (!sizeLocked_) FirstSizing();
    platform::SetTimer(Handle(), kFrameTimer, engine_->GetWorld().GetClockStep());
    if (tickTimer_ == 0) tickTimer_ = engine_->Resources().NewUniqueId();
    platform::SetTimer(Handle(), tickTimer_, kTickMs);
    // The game data is made once the settings' pictures are loaded.
    engine_->InitGameData();
    engine_->OnTimersStarted();
    started_ = true;
    if (sizeLocked_) engine_->OnResize();
}

void CJqGameTableView::StopTimers() {
    platform::KillTimer(Handle(), kFrameTimer);
    if (tickTimer_) platform::KillTimer(Handle(), tickTimer_);
}

uint32_t CJqGameTableView::AverageFrameTime(uint32_t frameMs) {
    nextFrame_ %= frameTimes_.size();
    frameTimes_[nextFrame_++] = frameMs;
    const uint64_t sum = std::accumulate(frameTimes_.begin(), frameTimes_.end(), uint64_t(0));
    return uint32_t(sum / frameTimes_.size());
}

bool CJqGameTableView::PreTranslateMessage(Message& msg) {
    if (!IsKeyMessage(msg.message) || msg.hwnd != Handle()) return false;
    // Handled here, and said so: dispatched again, the key would arrive twice.
    Send(msg.message, msg.wParam, msg.lParam);
    return true;
}

int CJqGameTableView::PumpQueued() {
    int handled = 0;
    Message msg;
    while (platform::PeekMessage(msg, {}, 0, 0, platform::PM_REMOVE)) {
        if (msg.message == platform::WM_QUIT) {
            platform::PostQuitMessage(int(msg.wParam));
            break;
        }
        if (!PreTranslateMessage(msg)) platform::DispatchMessage(msg);
        ++handled;
    }
    return handled;
}

int CJqGameTableView::RunMessageLoop(int seconds) {
    const platform::UINT_PTR timer =
        seconds > 0 ? platform::SetTimer({}, 0, uint32_t(seconds) * 1000,
                                         [](platform::HWND, platform::UINT, platform::UINT_PTR,
                                            platform::DWORD) { platform::PostQuitMessage(0); })
                    : 0;
    Message msg;
    int result;
    while ((result = platform::GetMessage(msg)) > 0) {
        if (!PreTranslateMessage(msg)) platform::DispatchMessage(msg);
    }
    if (timer) platform::KillTimer({}, timer);
    return result == 0 ? int(msg.wParam) : 1;
}

void CJqGameTableView::OnFrameTimer() {
    engine_->PumpMessages();
    if (!engine_->IsFrameDue()) return;
    const uint32_t t0 = platform::GetTickCount();
    if (engine_->RunFrame()) {
        for (const Rect& r : engine_->DirtyRects()) {
            const platform::RECT rect{r.left, r.top, r.right, r.bottom};
            InvalidateRect(&rect, false);
        }
    }
    engine_->SetAverageFrameTime(AverageFrameTime(platform::GetTickCount() - t0));
}

// The tick runs while the cursor is inside; entering and leaving are
// known from the moves and the leave notice.
void CJqGameTableView::OnTickTimer() {
    if (inside_) engine_->OnTick();
}

void CJqGameTableView::OnTimer(platform::UINT_PTR id) {
    if (engine_) engine_->OnTimer(uint32_t(id));
}

bool CJqGameTableView::ForwardInput(Message& msg) {
    if (!engine_ || !engine_->IsScreenReady()) return false;
    const LPARAM lp = msg.lParam;
    const uint32_t flags = Flags(msg.wParam);
    switch (msg.message) {
        case platform::WM_MOUSEMOVE:
            if (!inside_) {
                inside_ = true;
                platform::TRACKMOUSEEVENT track;
                track.dwFlags = platform::TME_LEAVE;
                track.hwndTrack = Handle();
                platform::TrackMouseEvent(track);
                engine_->OnMouseEnter();
            }
            engine_->OnMouseMove(flags, X(lp), Y(lp));
            break;
        case platform::WM_LBUTTONDOWN:
        case platform::WM_LBUTTONDBLCLK:
            engine_->OnLButtonDown(flags, X(lp), Y(lp));
            break;
        case platform::WM_LBUTTONUP:
            engine_->OnLButtonUp(flags, X(lp), Y(lp));
            break;
        case platform::WM_RBUTTONDOWN:
            engine_->OnRButtonDown(flags, X(lp), Y(lp));
            break;
        case platform::WM_RBUTTONUP:
            engine_->OnRButtonUp(flags, X(lp), Y(lp));
            break;
        case platform::WM_MBUTTONDOWN:
            engine_->OnMButtonDown(flags, X(lp), Y(lp));
            break;
        case platform::WM_MBUTTONUP:
            engine_->OnMButtonUp(flags, X(lp), Y(lp));
            break;
        case platform::WM_MOUSEWHEEL: {
            const platform::POINT at = ScreenToClient({X(lp), Y(lp)});
            engine_->OnMouseWheel(uint32_t(platform::LOWORD(msg.wParam)),
                                  platform::GET_WHEEL_DELTA_WPARAM(msg.wParam), at.x, at.y);
            break;
        }
        case platform::WM_MOUSELEAVE:
            inside_ = false;
            engine_->OnMouseLeave();
            break;
        case platform::WM_KEYDOWN:
            engine_->OnKeyDown(uint32_t(msg.wParam), uint32_t(platform::LOWORD(uintptr_t(lp))),
                               uint32_t(lp));
            break;
        case platform::WM_KEYUP:
            engine_->OnKeyUp(uint32_t(msg.wParam), uint32_t(platform::LOWORD(uintptr_t(lp))),
                             uint32_t(lp));
            break;
        default:
            return false;
    }
    // What the input made of messages is handed out before the next frame.
    engine_->PumpMessages();
    return true;
}

platform::LRESULT CJqGameTableView::OnMessage(Message& msg) {
    switch (msg.message) {
        case kStartEngineTimers:
            StartTimers();
            return 0;
        case kPumpEngine:
            pumpPosted_ = false;
            if (engine_) engine_->PumpMessages();
            return 0;
        case platform::WM_TIMER:
            if (!engine_) return 0;
            if (msg.wParam == kFrameTimer) {
                OnFrameTimer();
            } else if (msg.wParam == tickTimer_) {
                OnTickTimer();
            } else {
                OnTimer(msg.wParam);
            }
            return 0;
        case platform::WM_SIZE: {
            const int32_t w = platform::LOWORD(uintptr_t(msg.lParam));
            const int32_t h = platform::HIWORD(uintptr_t(msg.lParam));
            if (w <= 0 || h <= 0 || !engine_) return 0;
            // A screen that could not be sized at a size of 0 is sized now.
            if (!engine_->IsScreenReady()) {
                if (sizeLocked_ || started_) FirstSizing();
                return 0;
            }
            engine_->InitScreen(w, h);
            if (started_) engine_->OnResize();
            return 0;
        }
        case platform::WM_PAINT: {
            platform::PAINTSTRUCT ps;
            platform::Painter painter = BeginPaint(ps);
            if (engine_) engine_->Paint(painter);
            EndPaint(ps);
            return 0;
        }
        case platform::WM_SETCURSOR:
            if (MouseController* mouse = engine_ ? engine_->GetMouse() : nullptr)
                mouse->ApplyCursor();
            return 0;
        case platform::WM_DESTROY:
            if (engine_) {
                engine_->EndSystem();
                engine_->SetHost(nullptr);
                engine_ = nullptr;
            }
            started_ = false;
            return Default(msg);
        default:
            break;
    }
    if (ForwardInput(msg) && !IsKeyMessage(msg.message)) return 0;
    return Default(msg);
}

bool CJqGameTableView::IsMainWindowVisible() {
    const platform::CWnd* top = GetTopLevel();
    return top && top->IsWindowVisible();
}

void CJqGameTableView::RequestPump() {
    if (pumpPosted_ || !platform::IsWindow(Handle())) return;
    pumpPosted_ = platform::PostMessage(Handle(), kPumpEngine);
}

void CJqGameTableView::PostToMainFrame(std::string text) {
    if (sink_) sink_(std::move(text));
}

void CJqGameTableView::PostQuit() {
    platform::PostQuitMessage(0);
}

// A point of the engine's logical screen, on the device and then the screen.
void CJqGameTableView::SetCursorPos(int32_t x, int32_t y) {
    if (!engine_ || engine_->GetScreenWidth() <= 0 || engine_->GetScreenHeight() <= 0) return;
    const platform::RECT client = GetClientRect();
    const int64_t dx = int64_t(x) * client.Width() / engine_->GetScreenWidth();
    const int64_t dy = int64_t(y) * client.Height() / engine_->GetScreenHeight();
    platform::SetCursorPos(ClientToScreen({int(dx), int(dy)}));
}

void CJqGameTableView::SetSceneTimer(uint32_t id, uint32_t ms) {
    // The view's own timers keep their ids.
    if (id == kFrameTimer || id == tickTimer_) return;
    platform::SetTimer(Handle(), id, ms);
}

void CJqGameTableView::KillSceneTimer(uint32_t id) {
    if (id == kFrameTimer || id == tickTimer_) return;
    platform::KillTimer(Handle(), id);
}

platform::LRESULT CHostFrameWnd::OnMessage(Message& msg) {
    if (msg.message == platform::WM_CLOSE) {
        platform::PostQuitMessage(0);
        return 0;
    }
    return CWnd::OnMessage(msg);
}

}  // namespace engine
