#pragma once
// CWnd: the visible window. It extends the queue's Window with a place on
// screen, styles, an id and text, showing and hiding, moving and sizing,
// invalidation and WM_PAINT, focus, mouse capture, cursors and the mouse
// and keyboard messages that a display back end's input becomes.
//
// A window without WS_CHILD is a top-level window: it owns a 32-bit back
// buffer the size of its client area and is mirrored by the current display.
// Its children paint into that buffer. Painting runs in passes on the
// owning thread: invalidation schedules one pass per top-level window, which
// sends WM_PAINT to every window with an update region, parents before
// children, and then presents what changed. Input arrives on the owning
// thread as well, so every handler runs on the thread that made the window.
//
// Subclasses override OnMessage and pass what they do not handle to
// CWnd::OnMessage (the window system's default handling).

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gui/display.h"
#include "platform/gui/gui_messages.h"
#include "platform/gui/painter.h"
#include "platform/gui/region.h"
#include "platform/message_queue.h"
#include "platform/window.h"

namespace platform {

using HCURSOR = int;  // a standard cursor's IDC_ number; 0 is none

class CWnd : public Window {
  public:
    CWnd();
    ~CWnd() override;

    // Creates the window on the calling thread. `rect` is in the parent's
    // client coordinates for a child, in screen coordinates otherwise. Sends
    // WM_CREATE, then WM_SIZE and WM_MOVE; with WS_VISIBLE the window shows
    // (WM_SHOWWINDOW) and gets its first WM_PAINT from the next pass.
    bool CreateEx(DWORD exStyle, std::string_view text, DWORD style, const RECT& rect, CWnd* parent,
                  UINT id);
    bool DestroyWindow() { return Destroy(); }

    static CWnd* FromHandle(HWND hwnd);
    HWND GetSafeHwnd() const { return Handle(); }
    CWnd* GetParent() const;
    CWnd* GetTopLevel();
    CWnd* GetDlgItem(UINT id) const;
    UINT GetDlgCtrlID() const { return id_; }
    void SetDlgCtrlID(UINT id) { id_ = id; }
    // Children, bottom of the z-order first.
    const std::vector<CWnd*>& ChildWindows() const { return zorder_; }

    DWORD GetStyle() const { return style_; }
    DWORD GetExStyle() const { return exStyle_; }
    void ModifyStyle(DWORD remove, DWORD add) { style_ = (style_ & ~remove) | add; }
    UINT ClassStyle() const { return classStyle_; }
    void SetClassStyle(UINT style) { classStyle_ = style; }
    // The class cursor (WM_SETCURSOR's default) and background (WM_ERASEBKGND's).
    void SetClassCursor(HCURSOR cursor) { classCursor_ = cursor; }
    void SetClassBackground(COLORREF color) { background_ = color; }

    // Text (GBK) through WM_SETTEXT / WM_GETTEXT.
    void SetWindowText(std::string_view text);
    std::string GetWindowText() const;
    // Font for controls (WM_SETFONT / WM_GETFONT keep it here).
    void SetFont(const FontSpec& font, bool redraw = true);
    const FontSpec& GetFont() const { return font_; }

    // Geometry.
    RECT GetClientRect() const { return {0, 0, rect_.Width(), rect_.Height()}; }
    RECT GetWindowRect() const;  // screen coordinates
    // The window's rectangle in its parent's client coordinates (screen for
    // a top-level window).
    RECT GetRectInParent() const { return rect_; }
    POINT ClientToScreen(POINT p) const;
    POINT ScreenToClient(POINT p) const;
    bool MoveWindow(int x, int y, int width, int height, bool repaint = true);
    bool MoveWindow(const RECT& r, bool repaint = true) {
        return MoveWindow(r.left, r.top, r.Width(), r.Height(), repaint);
    }
    // Sends WM_WINDOWPOSCHANGING (the handler may change the record), then
    // WM_WINDOWPOSCHANGED, WM_MOVE and WM_SIZE as things changed.
    bool SetWindowPos(HWND insertAfter, int x, int y, int cx, int cy, UINT flags);

    bool ShowWindow(int command);
    // Visible itself and all its ancestors.
    bool IsWindowVisible() const;
    bool EnableWindow(bool enable);
    // Enabled itself and all its ancestors.
    bool IsWindowEnabled() const;

    // Painting.
    void Invalidate(bool erase = true) { InvalidateRect(nullptr, erase); }
    void InvalidateRect(const RECT* rect, bool erase = true);
    void InvalidateRgn(const Region& region, bool erase = true);
    void ValidateRect(const RECT* rect);
    bool RedrawWindow(const RECT* rect, const Region* region, UINT flags);
    // Paints this window and its children now when they need it.
    void UpdateWindow();
    bool GetUpdateRect(RECT* rect) const;
    const Region& UpdateRegion() const { return update_; }
    // Inside WM_PAINT: a painter clipped to the update region (which is
    // validated), after WM_ERASEBKGND when an erase was asked for.
    Painter BeginPaint(PAINTSTRUCT& ps);
    void EndPaint(const PAINTSTRUCT& ps);
    // A painter on the visible client area outside of WM_PAINT; what it drew
    // reaches the screen at ReleaseDC.
    Painter GetDC();
    void ReleaseDC();

    // Focus and capture belong to the calling thread, as in Win32.
    HWND SetFocus();
    static HWND GetFocus();
    HWND SetCapture();
    static bool ReleaseCapture();
    static HWND GetCapture();

    // The deepest visible child (or this window) under a client point.
    CWnd* ChildWindowFromPoint(POINT client);

    // Top-level windows: the back buffer and a copy of it as a PNG.
    const Surface* BackBuffer() const;
    bool SaveBackBufferPng(const std::string& path) const;

  protected:
    // Every message; the default handling is CWnd::OnMessage.
    virtual LRESULT OnMessage(Message& msg);
    // A convenience for handlers: the default for `msg`.
    LRESULT Default(Message& msg) { return CWnd::OnMessage(msg); }
    // Runs this window's handler now (the same thread's SendMessage).
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

  private:
    struct TopLevel;
    friend struct CWndAccess;

    LRESULT WindowProc(Message& msg) final;
    POINT OffsetInTopLevel() const;
    Region VisibleClientInTopLevel() const;
    void AddUpdate(const Region& region, bool erase, bool children);
    void SchedulePaint();
    void PaintPass();
    void PaintTree(CWnd* window);
    void MarkDirty(const RECT& topLevelRect);
    void SchedulePresent();
    void Present();
    void HandleInput(const InputEvent& event);
    void HandleMouse(const InputEvent& event);
    void HandleKey(const InputEvent& event);
    void OnDestroyed();
    void InvalidateInParent();

    DWORD style_ = 0;
    DWORD exStyle_ = 0;
    UINT id_ = 0;
    UINT classStyle_ = 0;
    HCURSOR classCursor_ = IDC_ARROW;
    COLORREF background_ = CLR_INVALID;
    std::string text_;
    FontSpec font_;
    RECT rect_{};
    CWnd* parentWnd_ = nullptr;
    std::vector<CWnd*> zorder_;
    Region update_;
    bool erasePending_ = false;
    std::unique_ptr<TopLevel> top_;
};

// The display that top-level windows appear on; a headless one until set.
// Setting it routes the display's input to the windows' threads.
void SetDisplay(std::shared_ptr<Display> display);
std::shared_ptr<Display> GetDisplay();

// Asks for WM_MOUSELEAVE when the pointer leaves the window (TME_LEAVE),
// or cancels that (TME_CANCEL). The calling thread's windows only.
bool TrackMouseEvent(TRACKMOUSEEVENT& track);

// The window in front, which gets the input: setting it raises the
// window's top-level window on the display.
bool SetForegroundWindow(HWND hwnd);
HWND GetForegroundWindow();

// Where the pointer was last seen, in screen coordinates.
POINT GetCursorPos();
// Puts the pointer at a point of the screen; the display reports the move.
void SetCursorPos(POINT screen);

// Sets the cursor shown; answers the previous one.
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR LoadCursor(int id);
// Key state as the last input reported it: the high bit is set while the
// key is down.
int16_t GetKeyState(int virtualKey);

}  // namespace platform
