#pragma once
// The wait cursor. The cursor is process-wide, so its busy state is one
// count: BeginWaitCursor raises it and shows the hourglass, EndWaitCursor
// lowers it and, at zero, brings back the cursor shown before. While the
// count is above zero the default WM_SETCURSOR handling keeps the hourglass
// instead of the class cursor, so a call that waits while it serves
// messages (a request, a connect) keeps it up. Only the user-interface thread
// changes the count.

namespace platform {

void BeginWaitCursor();
void EndWaitCursor();
int WaitCursorCount();

// The wait cursor for the lifetime of the object.
class CWaitCursor {
  public:
    CWaitCursor() { BeginWaitCursor(); }
    ~CWaitCursor() { EndWaitCursor(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};

}  // namespace platform
