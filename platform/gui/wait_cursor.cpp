#include "platform/gui/wait_cursor.h"

#include <atomic>

#include "platform/gui/wnd.h"

namespace platform {
namespace {

std::atomic<int> g_waitCount{0};
std::atomic<int> g_cursorBefore{IDC_ARROW};

}  // namespace

void BeginWaitCursor() {
    if (g_waitCount.fetch_add(1) == 0) {
        const HCURSOR before = SetCursor(IDC_WAIT);
        g_cursorBefore = before && before != IDC_WAIT ? before : int(IDC_ARROW);
    }
}

void EndWaitCursor() {
    int count = g_waitCount.load();
    // Unbalanced calls never take the count below zero.
    while (count > 0 && !g_waitCount.compare_exchange_weak(count, count - 1)) {
    }
    if (count == 1) SetCursor(g_cursorBefore.load());
}

int WaitCursorCount() {
    return g_waitCount.load();
}

}  // namespace platform
