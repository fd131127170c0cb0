#pragma once
// Pixels presented but not yet on the screen. Present copies the dirty part
// of a window's pixels into the window's copy here and returns; the display
// thread takes the pending rectangles and uploads them on its own time, so
// the caller never waits for the screen and frames that come faster than the
// screen takes them merge.

#include <functional>
#include <map>
#include <mutex>
#include <vector>

#include "platform/gui/display.h"

namespace platform {

class PresentQueue {
  public:
    // Beyond this many pending rectangles a window's are merged into one.
    static constexpr size_t kMaxRects = 8;

    using Upload =
        std::function<void(DisplayWindowId, const Surface& copy, const std::vector<RECT>& rects)>;

    void AddWindow(DisplayWindowId id);
    void RemoveWindow(DisplayWindowId id);
    // Copies `dirty` of `pixels` (the whole of them when the size changed)
    // for a known window. True when the taker must be woken: nothing was
    // pending since its last Take.
    bool Store(DisplayWindowId id, const Surface& pixels, const RECT& dirty);
    // The screen lost the window's pixels: all of the copy is pending again.
    // True as for Store.
    bool Invalidate(DisplayWindowId id);
    // Calls `upload` for each window with pending rectangles (under the
    // queue's lock: callers of Store wait meanwhile) and clears them.
    void Take(const Upload& upload);

  private:
    struct Window {
        Surface copy;
        std::vector<RECT> rects;
    };
    bool MarkPending(Window& window, const RECT& rect);

    std::mutex lock_;
    std::map<DisplayWindowId, Window> windows_;
    bool wakeSent_ = false;
};

}  // namespace platform
