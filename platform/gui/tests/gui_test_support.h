#pragma once
// Helpers for the window-system tests: a window that records the messages it
// gets and hands them to a lambda, a queue pump, and golden pictures.

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "platform/gui/wnd.h"
#include "platform/message_queue.h"
#include "platform/tests/source_path.h"

namespace platform::testing_support {

class RecordingWnd : public CWnd {
  public:
    using Handler = std::function<bool(RecordingWnd&, Message&, LRESULT&)>;
    ~RecordingWnd() override { Destroy(); }

    // Messages worth asserting on (not the chatter of WM_GETTEXT and the like).
    std::vector<UINT> log;
    std::vector<Message> messages;
    // Runs first; returning true means handled with the given result.
    Handler handler;
    // Painting: fill the client area with this colour when set.
    COLORREF fill = CLR_INVALID;
    std::vector<RECT> paintedRects;

    bool Saw(UINT message) const {
        for (UINT m : log) {
            if (m == message) return true;
        }
        return false;
    }
    void Clear() {
        log.clear();
        messages.clear();
        paintedRects.clear();
    }

  protected:
    LRESULT OnMessage(Message& msg) override {
        if (msg.message != WM_GETTEXT && msg.message != WM_GETTEXTLENGTH) {
            log.push_back(msg.message);
            messages.push_back(Message{msg.hwnd, msg.message, msg.wParam, msg.lParam, 0, {}});
        }
        LRESULT result = 0;
        if (handler && handler(*this, msg, result)) return result;
        if (msg.message == WM_PAINT && fill != CLR_INVALID) {
            PAINTSTRUCT ps;
            Painter painter = BeginPaint(ps);
            paintedRects.push_back(ps.rcPaint);
            painter.FillSolidRect(GetClientRect(), fill);
            EndPaint(ps);
            return 0;
        }
        return CWnd::OnMessage(msg);
    }
};

// Dispatches everything queued for the calling thread.
// Serves this thread's queue until it is empty; what was presented is then
// on the screen.
inline int Pump() {
    int n = 0;
    Message msg;
    while (PeekMessage(msg, {}, 0, 0, PM_REMOVE)) {
        DispatchMessage(msg);
        ++n;
    }
    GetDisplay()->Flush();
    return n;
}

// The golden picture's path in the source tree.
inline std::string GoldenPath(const std::string& name) {
    return platform::testing_support::SourcePath("platform/gui/tests/golden/" + name);
}

}  // namespace platform::testing_support
