#include "platform/gui/tool_tip.h"

#include <algorithm>

#include "platform/gui/sys_colors.h"

namespace platform {
namespace {

constexpr UINT_PTR kShowTimer = 1;
constexpr UINT_PTR kPopTimer = 2;
constexpr int kPadding = 3;

}  // namespace

CToolTipCtrl::CToolTipCtrl() {
    SetClassBackground(GetSysColor(COLOR_INFOBK));
}

bool CToolTipCtrl::Create(CWnd* owner) {
    (void)owner;
    return CreateEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "", WS_POPUP, {0, 0, 1, 1}, nullptr, 0);
}

bool CToolTipCtrl::AddTool(CWnd* tool, std::string_view text, const RECT& rect, UINT id) {
    if (!tool) return false;
    tools_.push_back({tool->GetSafeHwnd(), id, rect, std::string(text)});
    pending_ = nullptr;
    return true;
}

void CToolTipCtrl::DelTool(CWnd* tool, UINT id) {
    if (!tool) return;
    std::erase_if(tools_,
                  [&](const Tool& t) { return t.window == tool->GetSafeHwnd() && t.id == id; });
    pending_ = nullptr;
    Pop();
}

void CToolTipCtrl::UpdateTipText(std::string_view text, CWnd* tool, UINT id) {
    for (Tool& t : tools_) {
        if (tool && t.window == tool->GetSafeHwnd() && t.id == id) t.text = std::string(text);
    }
}

void CToolTipCtrl::Activate(bool active) {
    active_ = active;
    if (!active) Pop();
}

const CToolTipCtrl::Tool* CToolTipCtrl::ToolAt(HWND window, POINT client) const {
    for (const Tool& t : tools_) {
        if (t.window != window) continue;
        if (IsRectEmpty(t.rect) || PtInRect(t.rect, client)) return &t;
    }
    return nullptr;
}

void CToolTipCtrl::Pop() {
    KillTimer(GetSafeHwnd(), kShowTimer);
    KillTimer(GetSafeHwnd(), kPopTimer);
    if (IsShown()) ShowWindow(SW_HIDE);
}

void CToolTipCtrl::Show() {
    const Tool* tool = nullptr;
    for (const Tool& t : tools_) {
        if (t.window == pendingWindow_ && t.id == pendingId_) tool = &t;
    }
    if (!tool || !active_ || tool->text.empty()) return;
    shownText_ = tool->text;
    auto font = Font::Open(GetFont());
    Surface scratch(1, 1);
    Painter measure(scratch);
    measure.SelectFont(GetFont());
    RECT text{0, 0, maxWidth_ > 0 ? maxWidth_ : 10000, 0};
    measure.DrawText(shownText_, text,
                     DT_CALCRECT | DT_NOPREFIX | (maxWidth_ > 0 ? DT_WORDBREAK : DT_SINGLELINE));
    const int width = text.Width() + 2 * kPadding + 2;
    const int height = text.Height() + 2 * kPadding;
    const RECT area = GetDisplay()->WorkArea();
    const int x = std::clamp(lastScreen_.x, area.left, std::max(area.left, area.right - width));
    int y = lastScreen_.y + 20;
    if (y + height > area.bottom) y = lastScreen_.y - height - 2;
    SetWindowPos({}, x, y, width, height, SWP_NOZORDER);
    ShowWindow(SW_SHOWNA);
    Invalidate();
    if (autoPop_) SetTimer(GetSafeHwnd(), kPopTimer, autoPop_);
}

void CToolTipCtrl::RelayEvent(const Message& msg) {
    if (!GetSafeHwnd() || !active_) return;
    switch (msg.message) {
        case WM_MOUSEMOVE: {
            CWnd* window = FromHandle(msg.hwnd);
            if (!window) return;
            const POINT client{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
            const POINT screen = window->ClientToScreen(client);
            const Tool* tool = ToolAt(msg.hwnd, client);
            const bool same =
                tool && pending_ && tool->window == pendingWindow_ && tool->id == pendingId_;
            if (same && screen.x == lastScreen_.x && screen.y == lastScreen_.y) return;
            lastScreen_ = screen;
            if (same) return;  // moving within the tool keeps the tip
            Pop();
            pending_ = tool;
            if (tool) {
                pendingWindow_ = tool->window;
                pendingId_ = tool->id;
                SetTimer(GetSafeHwnd(), kShowTimer, initialDelay_);
                // The tool's WM_MOUSELEAVE, relayed here, ends the tip.
                TRACKMOUSEEVENT track;
                track.dwFlags = TME_LEAVE;
                track.hwndTrack = tool->window;
                TrackMouseEvent(track);
            }
            return;
        }
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_MOUSELEAVE:
            Pop();
            pending_ = nullptr;
            return;
        default:
            return;
    }
}

LRESULT CToolTipCtrl::OnMessage(Message& msg) {
    switch (msg.message) {
        case WM_TIMER:
            KillTimer(GetSafeHwnd(), msg.wParam);
            if (msg.wParam == kShowTimer) Show();
            if (msg.wParam == kPopTimer) {
                ShowWindow(SW_HIDE);
            }
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            Painter p = BeginPaint(ps);
            const RECT client = GetClientRect();
            p.FillSolidRect(client, GetSysColor(COLOR_INFOBK));
            p.FrameRect(client, GetSysColor(COLOR_INFOTEXT));
            p.SetBkMode(TRANSPARENT);
            p.SetTextColor(GetSysColor(COLOR_INFOTEXT));
            RECT text = InflateRect(client, -kPadding, -kPadding);
            p.DrawText(shownText_, text,
                       DT_NOPREFIX | (maxWidth_ > 0 ? DT_WORDBREAK : DT_SINGLELINE));
            EndPaint(ps);
            return 0;
        }
        default:
            return CWnd::OnMessage(msg);
    }
}

}  // namespace platform
