#include "platform/gui/present_queue.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace platform {

void PresentQueue::AddWindow(DisplayWindowId id) {
    std::lock_guard<std::mutex> guard(lock_);
    windows_[id];
}

void PresentQueue::RemoveWindow(DisplayWindowId id) {
    std::lock_guard<std::mutex> guard(lock_);
    windows_.erase(id);
}

bool PresentQueue::Store(DisplayWindowId id, const Surface& pixels, const RECT& dirty) {
    std::lock_guard<std::mutex> guard(lock_);
    auto it = windows_.find(id);
    if (it == windows_.end()) return false;
    Window& window = it->second;
    RECT r = IntersectRect(dirty, pixels.Bounds());
    if (IsRectEmpty(r)) return false;
    if (window.copy.Width() != pixels.Width() || window.copy.Height() != pixels.Height()) {
        window.copy = pixels;  // nothing older is worth keeping
        window.rects.clear();
        r = pixels.Bounds();
    } else {
        const size_t bytes = size_t(r.Width()) * 4;
        for (int y = r.top; y < r.bottom; ++y)
            std::memcpy(window.copy.Row(y) + r.left, pixels.Row(y) + r.left, bytes);
    }
    return MarkPending(window, r);
}

bool PresentQueue::Invalidate(DisplayWindowId id) {
    std::lock_guard<std::mutex> guard(lock_);
    auto it = windows_.find(id);
    if (it == windows_.end() || it->second.copy.Empty()) return false;
    it->second.rects.clear();
    return MarkPending(it->second, it->second.copy.Bounds());
}

bool PresentQueue::MarkPending(Window& window, const RECT& rect) {
    auto& rects = window.rects;
    const auto inside = [](const RECT& a, const RECT& b) { return IntersectRect(a, b) == a; };
    if (std::none_of(rects.begin(), rects.end(), [&](const RECT& r) { return inside(rect, r); })) {
        std::erase_if(rects, [&](const RECT& r) { return inside(r, rect); });
        rects.push_back(rect);
        if (rects.size() > kMaxRects) {
            RECT all{};
            for (const RECT& r : rects)
                all = UnionRect(all, r);
            rects.assign(1, all);
        }
    }
    return !std::exchange(wakeSent_, true);
}

void PresentQueue::Take(const Upload& upload) {
    std::lock_guard<std::mutex> guard(lock_);
    wakeSent_ = false;
    for (auto& [id, window] : windows_) {
        if (window.rects.empty()) continue;
        upload(id, window.copy, window.rects);
        window.rects.clear();
    }
}

}  // namespace platform
