#include "platform/gui/wnd.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <deque>
#include <map>
#include <mutex>

#include "platform/gui/sys_colors.h"
#include "platform/gui/virtual_keys.h"
#include "platform/gui/wait_cursor.h"
#include "platform/message_queue.h"
#include "platform/thread.h"

namespace platform {
namespace {

// Window-system messages of our own, below WM_USER and unused by Win32.
constexpr UINT WM_PRIVATE_PAINTPASS = 0x0398;
constexpr UINT WM_PRIVATE_INPUT = 0x0399;
constexpr UINT WM_PRIVATE_PRESENT = 0x039A;

thread_local HWND t_focus;
thread_local HWND t_capture;
thread_local HWND t_leaveTracked;  // wants WM_MOUSELEAVE

void EndLeaveTracking() {
    const HWND tracked = std::exchange(t_leaveTracked, HWND{});
    if (tracked) PostMessage(tracked, WM_MOUSELEAVE);
}

struct DisplayState {
    std::mutex lock;
    std::shared_ptr<Display> display;
    HCURSOR cursor = IDC_ARROW;
    std::array<std::atomic<bool>, 256> keysDown{};
    // Input not yet turned into messages, per top-level window. One event is
    // converted at a time, after the messages of the one before have been
    // retrieved, so that keys go to the focus of their moment.
    std::map<uint32_t, std::deque<InputEvent>> pending;
};

DisplayState& Displays() {
    static auto* state = new DisplayState;  // outlives every window
    return *state;
}

// Input from the display's thread goes to the top-level window's thread.
void RouteInput(const InputEvent& event) {
    if (event.virtualKey > 0 && event.virtualKey < 256) {
        if (event.kind == InputEvent::Kind::KeyDown) {
            Displays().keysDown[size_t(event.virtualKey)] = true;
        } else if (event.kind == InputEvent::Kind::KeyUp) {
            Displays().keysDown[size_t(event.virtualKey)] = false;
        }
    }
    const HWND target = HwndFromParam(uintptr_t(event.window));
    DisplayState& s = Displays();
    std::lock_guard<std::mutex> guard(s.lock);
    auto& queue = s.pending[target.value];
    queue.push_back(event);
    if (queue.size() == 1 && !PostMessage(target, WM_PRIVATE_INPUT)) s.pending.erase(target.value);
}

// The next input event of a top-level window; `more` tells whether others wait.
bool NextInput(HWND top, InputEvent& event, bool& more) {
    DisplayState& s = Displays();
    std::lock_guard<std::mutex> guard(s.lock);
    auto it = s.pending.find(top.value);
    if (it == s.pending.end() || it->second.empty()) return false;
    event = std::move(it->second.front());
    it->second.pop_front();
    more = !it->second.empty();
    if (!more) s.pending.erase(it);
    return true;
}

void DropInput(HWND top) {
    DisplayState& s = Displays();
    std::lock_guard<std::mutex> guard(s.lock);
    s.pending.erase(top.value);
}

}  // namespace

// What a top-level window owns besides its tree.
struct CWnd::TopLevel {
    Surface back;
    Region dirty;  // top-level client coordinates, not yet presented
    bool paintPending = false;
    bool presentPending = false;
    bool painting = false;
    bool created = false;  // mirrored by the display
    std::shared_ptr<Display> display;
};

void SetDisplay(std::shared_ptr<Display> display) {
    DisplayState& s = Displays();
    std::lock_guard<std::mutex> guard(s.lock);
    s.display = std::move(display);
    if (s.display) s.display->SetSink(RouteInput);
}

std::shared_ptr<Display> GetDisplay() {
    DisplayState& s = Displays();
    std::lock_guard<std::mutex> guard(s.lock);
    if (!s.display) {
        s.display = std::make_shared<HeadlessDisplay>();
        s.display->SetSink(RouteInput);
    }
    return s.display;
}

HCURSOR SetCursor(HCURSOR cursor) {
    std::shared_ptr<Display> display = GetDisplay();
    HCURSOR previous;
    {
        std::lock_guard<std::mutex> guard(Displays().lock);
        previous = std::exchange(Displays().cursor, cursor);
    }
    if (cursor != previous && cursor != 0) display->SetCursor(cursor);
    return previous;
}

namespace {
std::atomic<uint32_t> g_foreground{0};
std::atomic<int64_t> g_cursorPos{0};  // x in the high half, y in the low half
}  // namespace

POINT GetCursorPos() {
    const int64_t packed = g_cursorPos.load();
    return {int32_t(packed >> 32), int32_t(packed & 0xFFFFFFFF)};
}

void SetCursorPos(POINT screen) {
    g_cursorPos = int64_t(screen.x) << 32 | uint32_t(screen.y);
    if (std::shared_ptr<Display> display = GetDisplay()) display->WarpPointer(screen);
}

bool SetForegroundWindow(HWND hwnd) {
    CWnd* window = CWnd::FromHandle(hwnd);
    if (!window) return false;
    CWnd* top = window->GetTopLevel();
    g_foreground = top->GetSafeHwnd().value;
    GetDisplay()->RaiseWindow(top->GetSafeHwnd().value);
    return true;
}

HWND GetForegroundWindow() {
    const HWND hwnd = HwndFromParam(g_foreground.load());
    return IsWindow(hwnd) ? hwnd : HWND{};
}

HCURSOR LoadCursor(int id) {
    return id;
}

bool TrackMouseEvent(TRACKMOUSEEVENT& track) {
    if (!CWnd::FromHandle(track.hwndTrack)) return false;
    if (track.dwFlags & TME_CANCEL) {
        if (t_leaveTracked == track.hwndTrack) t_leaveTracked = {};
        return true;
    }
    if (track.dwFlags & TME_LEAVE) t_leaveTracked = track.hwndTrack;
    return true;
}

int16_t GetKeyState(int virtualKey) {
    if (virtualKey <= 0 || virtualKey >= 256) return 0;
    return Displays().keysDown[size_t(virtualKey)] ? int16_t(0x8000) : int16_t(0);
}

CWnd::CWnd() : font_(DefaultGuiFont()) {}

CWnd::~CWnd() {
    Destroy();
}

CWnd* CWnd::FromHandle(HWND hwnd) {
    return dynamic_cast<CWnd*>(Window::FromHandle(hwnd));
}

CWnd* CWnd::GetParent() const {
    return parentWnd_;
}

CWnd* CWnd::GetTopLevel() {
    CWnd* w = this;
    while (w->parentWnd_)
        w = w->parentWnd_;
    return w;
}

CWnd* CWnd::GetDlgItem(UINT id) const {
    for (CWnd* child : zorder_) {
        if (child->id_ == id) return child;
    }
    return nullptr;
}

LRESULT CWnd::Send(UINT message, WPARAM wParam, LPARAM lParam) {
    Message msg{Handle(), message, wParam, lParam, GetTickCount(), {}};
    return WindowProc(msg);
}

bool CWnd::CreateEx(DWORD exStyle, std::string_view text, DWORD style, const RECT& rect,
                    CWnd* parent, UINT id) {
    if (Handle()) return false;
    if ((style & WS_CHILD) && !parent) return false;
    style_ = style & ~WS_VISIBLE;
    exStyle_ = exStyle;
    id_ = id;
    text_ = std::string(text);
    rect_ = {rect.left, rect.top, rect.left + std::max(rect.Width(), 0),
             rect.top + std::max(rect.Height(), 0)};
    // A popup or overlapped window with a parent is owned, not contained.
    parentWnd_ = (style & WS_CHILD) ? parent : nullptr;
    if (!parentWnd_) {
        top_ = std::make_unique<TopLevel>();
        top_->back = Surface(rect_.Width(), rect_.Height());
        top_->display = GetDisplay();
    }
    if (parentWnd_) parentWnd_->zorder_.push_back(this);
    if (!Create(parentWnd_ ? parentWnd_->Handle() : HWND{})) {
        if (parentWnd_) std::erase(parentWnd_->zorder_, this);
        parentWnd_ = nullptr;
        top_.reset();
        return false;
    }
    if (top_) {
        top_->created =
            top_->display->CreateWindow(Handle().value, rect_, text_, (style & WS_POPUP) != 0);
    }
    Send(WM_SIZE, SIZE_RESTORED, MAKELPARAM(rect_.Width(), rect_.Height()));
    Send(WM_MOVE, 0, MAKELPARAM(rect_.left, rect_.top));
    if (style & WS_VISIBLE) ShowWindow(SW_SHOW);
    return Handle() != HWND{};
}

LRESULT CWnd::WindowProc(Message& msg) {
    switch (msg.message) {
        case WM_PRIVATE_PAINTPASS:
            if (top_) {
                top_->paintPending = false;
                PaintPass();
            }
            return 0;
        case WM_PRIVATE_PRESENT:
            if (top_) {
                top_->presentPending = false;
                Present();
            }
            return 0;
        case WM_PRIVATE_INPUT: {
            InputEvent event;
            bool more = false;
            const HWND self = Handle();
            if (NextInput(self, event, more)) {
                HandleInput(event);
                if (more && !PostMessage(self, WM_PRIVATE_INPUT)) DropInput(self);
            }
            return 0;
        }
        default:
            break;
    }
    LRESULT result = OnMessage(msg);
    if (msg.message == WM_NCDESTROY) OnDestroyed();
    return result;
}

LRESULT CWnd::OnMessage(Message& msg) {
    switch (msg.message) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            BeginPaint(ps);
            EndPaint(ps);
            return 0;
        }
        case WM_ERASEBKGND: {
            if (background_ == CLR_INVALID || msg.wParam == 0) return 0;
            auto* painter = reinterpret_cast<Painter*>(msg.wParam);
            painter->FillSolidRect(GetClientRect(), background_);
            return 1;
        }
        case WM_SETTEXT: {
            const char* text = reinterpret_cast<const char*>(msg.lParam);
            text_ = text ? text : "";
            if (top_ && top_->created) top_->display->SetTitle(Handle().value, text_);
            return 1;
        }
        case WM_GETTEXTLENGTH:
            return LRESULT(text_.size());
        case WM_GETTEXT: {
            char* buffer = reinterpret_cast<char*>(msg.lParam);
            size_t capacity = msg.wParam;
            if (!buffer || capacity == 0) return 0;
            size_t n = std::min(text_.size(), capacity - 1);
            std::copy_n(text_.data(), n, buffer);
            buffer[n] = '\0';
            return LRESULT(n);
        }
        case WM_SETFONT: {
            if (auto* spec = reinterpret_cast<const FontSpec*>(msg.wParam)) font_ = *spec;
            if (msg.lParam) Invalidate();
            return 0;
        }
        case WM_GETFONT:
            return LRESULT(reinterpret_cast<intptr_t>(&font_));
        case WM_SETCURSOR: {
            // A busy program keeps the hourglass over every window.
            if (WaitCursorCount() > 0) {
                SetCursor(IDC_WAIT);
                return 1;
            }
            // A parent that answers TRUE decides; otherwise the class cursor
            // is set, innermost last, and the answer is FALSE.
            if (parentWnd_ && parentWnd_->Send(WM_SETCURSOR, msg.wParam, msg.lParam)) return 1;
            if (LOWORD(uintptr_t(msg.lParam)) == HTCLIENT && classCursor_) {
                SetCursor(classCursor_);
            }
            return 0;
        }
        case WM_RBUTTONUP: {
            POINT screen = ClientToScreen({GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)});
            Send(WM_CONTEXTMENU, ToWParam(Handle()), MAKELPARAM(screen.x, screen.y));
            return 0;
        }
        case WM_CONTEXTMENU:
        case WM_MOUSEWHEEL:
            // Unhandled, these go up the parent chain.
            if (parentWnd_) return parentWnd_->Send(msg.message, msg.wParam, msg.lParam);
            return 0;
        default:
            return DefWindowProc(msg);
    }
}

void CWnd::SetWindowText(std::string_view text) {
    std::string copy(text);
    Send(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(copy.c_str()));
}

std::string CWnd::GetWindowText() const {
    auto* self = const_cast<CWnd*>(this);
    if (!Handle()) return text_;
    LRESULT length = self->Send(WM_GETTEXTLENGTH);
    std::string text(size_t(std::max<LRESULT>(length, 0)) + 1, '\0');
    LRESULT copied = self->Send(WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(size_t(std::clamp<LRESULT>(copied, 0, length)));
    return text;
}

void CWnd::SetFont(const FontSpec& font, bool redraw) {
    Send(WM_SETFONT, reinterpret_cast<WPARAM>(&font), redraw ? 1 : 0);
}

RECT CWnd::GetWindowRect() const {
    POINT origin = ClientToScreen({0, 0});
    return {origin.x, origin.y, origin.x + rect_.Width(), origin.y + rect_.Height()};
}

POINT CWnd::ClientToScreen(POINT p) const {
    for (const CWnd* w = this; w; w = w->parentWnd_) {
        p.x += w->rect_.left;
        p.y += w->rect_.top;
    }
    return p;
}

POINT CWnd::ScreenToClient(POINT p) const {
    POINT origin = ClientToScreen({0, 0});
    return {p.x - origin.x, p.y - origin.y};
}

POINT CWnd::OffsetInTopLevel() const {
    POINT p{};
    for (const CWnd* w = this; w->parentWnd_; w = w->parentWnd_) {
        p.x += w->rect_.left;
        p.y += w->rect_.top;
    }
    return p;
}

Region CWnd::VisibleClientInTopLevel() const {
    POINT offset = OffsetInTopLevel();
    Region visible(OffsetRect(GetClientRect(), offset.x, offset.y));
    for (const CWnd* w = parentWnd_; w; w = w->parentWnd_) {
        POINT o = w->OffsetInTopLevel();
        visible.Intersect(OffsetRect(w->GetClientRect(), o.x, o.y));
    }
    return visible;
}

bool CWnd::MoveWindow(int x, int y, int width, int height, bool repaint) {
    return SetWindowPos({}, x, y, width, height, SWP_NOZORDER | (repaint ? 0 : SWP_NOREDRAW));
}

bool CWnd::SetWindowPos(HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
    if (!Handle()) return false;
    WINDOWPOS pos{Handle(), insertAfter, x, y, std::max(cx, 0), std::max(cy, 0), flags};
    if (flags & SWP_NOMOVE) {
        pos.x = rect_.left;
        pos.y = rect_.top;
    }
    if (flags & SWP_NOSIZE) {
        pos.cx = rect_.Width();
        pos.cy = rect_.Height();
    }
    Send(WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos));
    if (!Handle()) return false;
    // What the flags keep, the handler cannot change.
    if (pos.flags & SWP_NOMOVE) {
        pos.x = rect_.left;
        pos.y = rect_.top;
    }
    if (pos.flags & SWP_NOSIZE) {
        pos.cx = rect_.Width();
        pos.cy = rect_.Height();
    }
    const RECT old = rect_;
    const RECT now{pos.x, pos.y, pos.x + std::max(pos.cx, 0), pos.y + std::max(pos.cy, 0)};
    const bool moved = now.left != old.left || now.top != old.top;
    const bool sized = now.Width() != old.Width() || now.Height() != old.Height();
    const bool redraw = !(pos.flags & SWP_NOREDRAW);
    if ((moved || sized) && redraw && (style_ & WS_VISIBLE)) InvalidateInParent();
    rect_ = now;
    if (!(pos.flags & SWP_NOZORDER) && parentWnd_) {
        auto& siblings = parentWnd_->zorder_;
        std::erase(siblings, this);
        if (pos.hwndInsertAfter == HWND_BOTTOM) {
            siblings.insert(siblings.begin(), this);
        } else {
            siblings.push_back(this);
        }
    }
    if (top_) {
        if (sized) top_->back.Resize(now.Width(), now.Height());
        if ((moved || sized) && top_->created) top_->display->MoveWindow(Handle().value, now);
    }
    Send(WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
    if (moved) Send(WM_MOVE, 0, MAKELPARAM(now.left, now.top));
    if (sized) {
        WPARAM kind = (style_ & WS_MAXIMIZE) ? SIZE_MAXIMIZED : SIZE_RESTORED;
        Send(WM_SIZE, kind, MAKELPARAM(now.Width(), now.Height()));
    }
    if (!Handle()) return true;
    if ((moved || sized) && redraw && (style_ & WS_VISIBLE)) {
        if (top_ && !sized) {
            // A moved top-level window keeps its pixels.
        } else {
            Invalidate();
        }
        InvalidateInParent();
    }
    if (pos.flags & SWP_SHOWWINDOW) ShowWindow(SW_SHOWNA);
    if (pos.flags & SWP_HIDEWINDOW) ShowWindow(SW_HIDE);
    return true;
}

void CWnd::InvalidateInParent() {
    if (parentWnd_) parentWnd_->InvalidateRect(&rect_, true);
}

bool CWnd::ShowWindow(int command) {
    if (!Handle()) return false;
    const bool wasVisible = (style_ & WS_VISIBLE) != 0;
    const bool show = command != SW_HIDE;
    if (top_ &&
        (command == SW_SHOWMAXIMIZED || (command == SW_RESTORE && (style_ & WS_MAXIMIZE)))) {
        if (command == SW_SHOWMAXIMIZED) {
            style_ |= WS_MAXIMIZE;
            MoveWindow(top_->display->WorkArea());
        } else {
            style_ &= ~WS_MAXIMIZE;
        }
    }
    if (show == wasVisible) return wasVisible;
    Send(WM_SHOWWINDOW, show ? 1 : 0, 0);
    if (!Handle()) return wasVisible;
    if (show) {
        style_ |= WS_VISIBLE;
        if (top_ && top_->created) top_->display->ShowWindow(Handle().value, true);
        Invalidate();
    } else {
        style_ &= ~WS_VISIBLE;
        if (top_ && top_->created) top_->display->ShowWindow(Handle().value, false);
        InvalidateInParent();
        // Focus and capture do not stay in a hidden window.
        for (CWnd* w = FromHandle(t_focus); w; w = w->parentWnd_) {
            if (w == this) {
                HWND old = std::exchange(t_focus, HWND{});
                if (CWnd* o = FromHandle(old)) o->Send(WM_KILLFOCUS, 0, 0);
                break;
            }
        }
        if (t_capture == Handle()) ReleaseCapture();
    }
    return wasVisible;
}

bool CWnd::IsWindowVisible() const {
    for (const CWnd* w = this; w; w = w->parentWnd_) {
        if (!(w->style_ & WS_VISIBLE)) return false;
    }
    return Handle() != HWND{};
}

bool CWnd::EnableWindow(bool enable) {
    const bool wasDisabled = (style_ & WS_DISABLED) != 0;
    if (enable == wasDisabled) {
        if (enable) {
            style_ &= ~WS_DISABLED;
        } else {
            style_ |= WS_DISABLED;
            if (t_capture == Handle()) ReleaseCapture();
        }
        Send(WM_ENABLE, enable ? 1 : 0, 0);
        Invalidate();
    }
    return wasDisabled;
}

bool CWnd::IsWindowEnabled() const {
    for (const CWnd* w = this; w; w = w->parentWnd_) {
        if (w->style_ & WS_DISABLED) return false;
    }
    return true;
}

void CWnd::AddUpdate(const Region& region, bool erase, bool children) {
    Region add = region;
    add.Intersect(GetClientRect());
    if (add.Empty()) return;
    update_.Union(add);
    erasePending_ = erasePending_ || erase;
    if (children) {
        for (CWnd* child : zorder_) {
            if (!(child->style_ & WS_VISIBLE)) continue;
            Region part = add;
            part.Intersect(child->rect_);
            if (part.Empty()) continue;
            part.Offset(-child->rect_.left, -child->rect_.top);
            child->AddUpdate(part, erase, true);
        }
    }
    SchedulePaint();
}

void CWnd::InvalidateRect(const RECT* rect, bool erase) {
    if (!Handle()) return;
    AddUpdate(Region(rect ? *rect : GetClientRect()), erase, true);
}

void CWnd::InvalidateRgn(const Region& region, bool erase) {
    if (Handle()) AddUpdate(region, erase, true);
}

void CWnd::ValidateRect(const RECT* rect) {
    if (rect) {
        update_.Subtract(*rect);
    } else {
        update_.Clear();
    }
    if (update_.Empty()) erasePending_ = false;
}

bool CWnd::RedrawWindow(const RECT* rect, const Region* region, UINT flags) {
    if (!Handle()) return false;
    Region area = region ? *region : Region(rect ? *rect : GetClientRect());
    const bool children = (flags & RDW_ALLCHILDREN) || !(flags & RDW_NOCHILDREN);
    if (flags & RDW_INVALIDATE) {
        AddUpdate(area, (flags & RDW_ERASE) && !(flags & RDW_NOERASE), children);
    }
    if (flags & RDW_VALIDATE) update_.Subtract(area);
    if (flags & (RDW_UPDATENOW | RDW_ERASENOW)) UpdateWindow();
    return true;
}

bool CWnd::GetUpdateRect(RECT* rect) const {
    if (rect) *rect = update_.Bounds();
    return !update_.Empty();
}

void CWnd::SchedulePaint() {
    CWnd* top = GetTopLevel();
    if (!top->top_ || top->top_->paintPending || top->top_->painting) return;
    top->top_->paintPending = PostMessage(top->Handle(), WM_PRIVATE_PAINTPASS);
}

void CWnd::UpdateWindow() {
    if (!Handle()) return;
    CWnd* top = GetTopLevel();
    if (!top->top_) return;
    const bool nested = top->top_->painting;
    top->top_->painting = true;
    PaintTree(this);
    top->top_->painting = nested;
    if (!nested) top->Present();
}

void CWnd::PaintPass() {
    top_->painting = true;
    PaintTree(this);
    top_->painting = false;
    Present();
}

void CWnd::PaintTree(CWnd* window) {
    const HWND hwnd = window->Handle();
    if (!window->IsWindowVisible()) {
        window->update_.Clear();
        window->erasePending_ = false;
    } else if (!window->update_.Empty()) {
        window->Send(WM_PAINT);
        // A handler that did not paint still leaves the window valid.
        if (Window::FromHandle(hwnd) == window) window->ValidateRect(nullptr);
    }
    if (Window::FromHandle(hwnd) != window) return;  // destroyed while painting
    const std::vector<CWnd*> children = window->zorder_;
    for (CWnd* child : children) {
        if (std::find(window->zorder_.begin(), window->zorder_.end(), child) !=
            window->zorder_.end()) {
            PaintTree(child);
        }
    }
}

Painter CWnd::BeginPaint(PAINTSTRUCT& ps) {
    CWnd* top = GetTopLevel();
    static Surface nowhere;
    Painter painter(top->top_ ? top->top_->back : nowhere);
    const POINT offset = OffsetInTopLevel();
    painter.SetOrigin(offset);
    Region clip = update_;
    clip.Offset(offset.x, offset.y);
    clip.Intersect(VisibleClientInTopLevel());
    clip.Offset(-offset.x, -offset.y);
    painter.SelectClipRegion(clip);
    painter.SelectFont(font_);
    ps.rcPaint = update_.Bounds();
    ps.fErase = erasePending_;
    update_.Clear();
    if (erasePending_) {
        erasePending_ = false;
        ps.fErase = Send(WM_ERASEBKGND, reinterpret_cast<WPARAM>(&painter)) == 0;
    }
    return painter;
}

void CWnd::EndPaint(const PAINTSTRUCT& ps) {
    POINT offset = OffsetInTopLevel();
    MarkDirty(OffsetRect(ps.rcPaint, offset.x, offset.y));
}

Painter CWnd::GetDC() {
    CWnd* top = GetTopLevel();
    static Surface nowhere;
    Painter painter(top->top_ ? top->top_->back : nowhere);
    const POINT offset = OffsetInTopLevel();
    painter.SetOrigin(offset);
    Region clip = VisibleClientInTopLevel();
    clip.Offset(-offset.x, -offset.y);
    painter.SelectClipRegion(clip);
    painter.SelectFont(font_);
    return painter;
}

void CWnd::ReleaseDC() {
    POINT offset = OffsetInTopLevel();
    MarkDirty(OffsetRect(GetClientRect(), offset.x, offset.y));
    SchedulePresent();
}

void CWnd::MarkDirty(const RECT& topLevelRect) {
    CWnd* top = GetTopLevel();
    if (top->top_) top->top_->dirty.Union(IntersectRect(topLevelRect, top->top_->back.Bounds()));
}

void CWnd::SchedulePresent() {
    CWnd* top = GetTopLevel();
    if (!top->top_ || top->top_->presentPending || top->top_->painting) return;
    top->top_->presentPending = PostMessage(top->Handle(), WM_PRIVATE_PRESENT);
}

void CWnd::Present() {
    if (!top_ || top_->dirty.Empty()) return;
    RECT bounds = top_->dirty.Bounds();
    top_->dirty.Clear();
    if (top_->created && (style_ & WS_VISIBLE)) {
        top_->display->Present(Handle().value, top_->back, bounds);
    }
}

const Surface* CWnd::BackBuffer() const {
    return top_ ? &top_->back : nullptr;
}

bool CWnd::SaveBackBufferPng(const std::string& path) const {
    return top_ && top_->back.SavePng(path);
}

HWND CWnd::SetFocus() {
    HWND old = t_focus;
    if (old == Handle()) return old;
    if (CWnd* o = FromHandle(old)) o->Send(WM_KILLFOCUS, ToWParam(Handle()), 0);
    t_focus = Handle();
    Send(WM_SETFOCUS, ToWParam(old), 0);
    return old;
}

HWND CWnd::GetFocus() {
    if (t_focus && !IsWindow(t_focus)) t_focus = {};
    return t_focus;
}

HWND CWnd::SetCapture() {
    HWND old = t_capture;
    if (old == Handle()) return old;
    t_capture = Handle();
    if (CWnd* o = FromHandle(old)) o->Send(WM_CAPTURECHANGED, 0, ToLParam(Handle()));
    return old;
}

bool CWnd::ReleaseCapture() {
    HWND old = std::exchange(t_capture, HWND{});
    if (CWnd* o = FromHandle(old)) o->Send(WM_CAPTURECHANGED, 0, 0);
    return true;
}

HWND CWnd::GetCapture() {
    if (t_capture && !IsWindow(t_capture)) t_capture = {};
    return t_capture;
}

CWnd* CWnd::ChildWindowFromPoint(POINT client) {
    for (auto it = zorder_.rbegin(); it != zorder_.rend(); ++it) {
        CWnd* child = *it;
        if ((child->style_ & WS_VISIBLE) && PtInRect(child->rect_, client)) {
            return child->ChildWindowFromPoint(
                {client.x - child->rect_.left, client.y - child->rect_.top});
        }
    }
    return this;
}

void CWnd::HandleInput(const InputEvent& event) {
    switch (event.kind) {
        case InputEvent::Kind::MouseMove:
        case InputEvent::Kind::MouseDown:
        case InputEvent::Kind::MouseUp:
        case InputEvent::Kind::Wheel:
            HandleMouse(event);
            break;
        case InputEvent::Kind::KeyDown:
        case InputEvent::Kind::KeyUp:
        case InputEvent::Kind::Text:
            HandleKey(event);
            break;
        case InputEvent::Kind::Close:
            if (IsWindowEnabled()) Send(WM_CLOSE);
            break;
        case InputEvent::Kind::FocusIn: {
            g_foreground = Handle().value;
            Send(WM_ACTIVATE, WA_ACTIVE, 0);
            CWnd* focus = FromHandle(GetFocus());
            if (!focus || focus->GetTopLevel() != this) SetFocus();
            break;
        }
        case InputEvent::Kind::FocusOut:
            Send(WM_ACTIVATE, WA_INACTIVE, 0);
            break;
        case InputEvent::Kind::Exposed:
            if (top_) {
                top_->dirty.Union(top_->back.Bounds());
                Present();
            }
            break;
        case InputEvent::Kind::MouseLeave: {
            CWnd* tracked = FromHandle(t_leaveTracked);
            if (tracked && tracked->GetTopLevel() == this) EndLeaveTracking();
            break;
        }
    }
}

void CWnd::HandleMouse(const InputEvent& event) {
    const POINT screen = ClientToScreen(event.point);
    g_cursorPos = int64_t(screen.x) << 32 | uint32_t(screen.y);
    CWnd* target = FromHandle(GetCapture());
    const bool captured = target != nullptr;
    if (!target) {
        if (!PtInRect(GetClientRect(), event.point)) return;
        target = ChildWindowFromPoint(event.point);
    }
    if (event.kind == InputEvent::Kind::Wheel) {
        CWnd* focus = FromHandle(GetFocus());
        if (focus && focus->GetTopLevel() == this) target = focus;
        if (!target->IsWindowEnabled()) return;
        PostMessage(target->Handle(), WM_MOUSEWHEEL,
                    MAKEWPARAM(int(event.keyState), event.wheelDelta),
                    MAKELPARAM(screen.x, screen.y));
        return;
    }
    if (t_leaveTracked && t_leaveTracked != target->Handle()) EndLeaveTracking();
    if (!target->IsWindowEnabled()) return;
    const HWND hwnd = target->Handle();
    const POINT local = target->ScreenToClient(screen);
    UINT message = WM_MOUSEMOVE;
    if (event.kind != InputEvent::Kind::MouseMove) {
        const bool down = event.kind == InputEvent::Kind::MouseDown;
        const bool dbl = down && event.clicks >= 2 && (target->classStyle_ & CS_DBLCLKS);
        UINT base = event.button == MouseButton::Left    ? WM_LBUTTONDOWN
                    : event.button == MouseButton::Right ? WM_RBUTTONDOWN
                                                         : WM_MBUTTONDOWN;
        message = dbl ? base + 2 : down ? base : base + 1;
    }
    if (!captured && message != WM_LBUTTONUP && message != WM_RBUTTONUP &&
        message != WM_MBUTTONUP) {
        target->Send(WM_SETCURSOR, ToWParam(hwnd), MAKELPARAM(HTCLIENT, int(message)));
        if (FromHandle(hwnd) != target) return;
    }
    PostMessage(hwnd, message, event.keyState, MAKELPARAM(local.x, local.y));
}

void CWnd::HandleKey(const InputEvent& event) {
    CWnd* target = FromHandle(GetFocus());
    if (!target || target->GetTopLevel() != this) target = this;
    if (!target->IsWindowEnabled()) return;
    // Keyboard and mouse messages are posted, as Win32 does, so that message
    // loops (a modal dialog's) see them before the window does.
    const HWND hwnd = target->Handle();
    if (event.kind == InputEvent::Kind::Text) {
        for (unsigned char c : event.text)
            PostMessage(hwnd, WM_CHAR, c, 1);
        return;
    }
    const bool down = event.kind == InputEvent::Kind::KeyDown;
    LPARAM flags = 1 | (event.repeat ? LPARAM(1) << 30 : 0) | (down ? 0 : LPARAM(3) << 30);
    PostMessage(hwnd, down ? WM_KEYDOWN : WM_KEYUP, WPARAM(event.virtualKey), flags);
    // The characters TranslateMessage makes of keys that type no text.
    if (down) {
        int c = 0;
        switch (event.virtualKey) {
            case VK_RETURN:
                c = '\r';
                break;
            case VK_BACK:
                c = '\b';
                break;
            case VK_ESCAPE:
                c = 27;
                break;
            case VK_TAB:
                c = '\t';
                break;
            default:
                break;
        }
        if (c) PostMessage(hwnd, WM_CHAR, WPARAM(c), flags);
    }
}

void CWnd::OnDestroyed() {
    if (t_focus == Handle()) t_focus = {};
    if (t_capture == Handle()) t_capture = {};
    if (top_ && top_->created) {
        top_->display->DestroyWindow(Handle().value);
        top_->created = false;
    }
    if (top_) DropInput(Handle());
    if (parentWnd_) {
        if (style_ & WS_VISIBLE) InvalidateInParent();
        std::erase(parentWnd_->zorder_, this);
    }
    for (CWnd* child : zorder_)
        child->parentWnd_ = nullptr;
    zorder_.clear();
    parentWnd_ = nullptr;
    update_.Clear();
}

}  // namespace platform
