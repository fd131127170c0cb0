#pragma once
// Windows: objects in a tree, each with a virtual message handler, owned by
// the thread that created them and addressed by HWND handles. The object
// belongs to its C++ owner; the handle names it while it is created. Only the
// owning thread runs a window's handler, creates children under it or
// destroys it; any thread may post or send to its handle. A destroyed
// window's handle is dead for good (IsWindow).
//
// Subclasses should call Destroy() in their own destructor so that their
// WM_DESTROY handler still runs as their own.

#include <vector>

#include "platform/message.h"
#include "platform/win_types.h"

namespace platform {

namespace detail {
struct WindowAccess;
}

class Window {
  public:
    Window() = default;
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // Gives the window a handle on the calling thread, under `parent` (which
    // must be this thread's), then sends WM_CREATE; a handler answering -1
    // undoes the creation. False when already created or refused.
    bool Create(HWND parent = {});
    // Sends WM_DESTROY, destroys the children, sends WM_NCDESTROY, kills the
    // window's timers and retires the handle. Owning thread only.
    bool Destroy();

    HWND Handle() const { return hwnd_; }
    HWND Parent() const { return parent_; }
    // Children in creation order (owning thread only).
    const std::vector<HWND>& Children() const { return children_; }
    DWORD ThreadId() const { return threadId_; }

    // The window object of a handle, on its owning thread only; else null.
    static Window* FromHandle(HWND hwnd);

  protected:
    // Every message for this window; the default is DefWindowProc.
    virtual LRESULT WindowProc(Message& msg);

  private:
    friend struct detail::WindowAccess;
    void Retire();

    HWND hwnd_;
    HWND parent_;
    std::vector<HWND> children_;
    DWORD threadId_ = 0;
    bool destroying_ = false;
};

// WM_CLOSE destroys the window; everything else answers 0.
LRESULT DefWindowProc(Message& msg);

bool IsWindow(HWND hwnd);
// Destroy() of the handle's window; false when dead or another thread's.
bool DestroyWindow(HWND hwnd);
HWND GetParent(HWND hwnd);
// The thread that owns the window, 0 when it does not exist.
DWORD GetWindowThreadId(HWND hwnd);

}  // namespace platform
