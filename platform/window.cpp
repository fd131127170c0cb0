#include "platform/window.h"

#include <algorithm>
#include <mutex>
#include <unordered_map>

#include "platform/thread.h"
#include "platform/thread_queue.h"

namespace platform {
namespace detail {

struct WindowAccess {
    static LRESULT Call(Window* window, Message& msg) { return window->WindowProc(msg); }
    static void Detach(Window* window) {
        window->hwnd_ = {};
        window->children_.clear();
    }
};

namespace {

struct Entry {
    Window* window;
    std::shared_ptr<ThreadQueue> queue;
    HWND parent;
};

struct WindowTable {
    std::mutex mu;
    std::unordered_map<HWND, Entry> entries;
    uint32_t nextHandle = 0x10000;
};

WindowTable& Table() {
    static auto* table = new WindowTable;  // outlives thread_local queues
    return *table;
}

HWND Register(Window* window, std::shared_ptr<ThreadQueue> queue, HWND parent) {
    WindowTable& t = Table();
    std::lock_guard lock(t.mu);
    HWND hwnd{t.nextHandle++};
    if (t.nextHandle == 0) t.nextHandle = 0x10000;  // 4 billion windows later
    t.entries.emplace(hwnd, Entry{window, std::move(queue), parent});
    return hwnd;
}

void Unregister(HWND hwnd) {
    WindowTable& t = Table();
    std::lock_guard lock(t.mu);
    t.entries.erase(hwnd);
}

}  // namespace

std::optional<WindowTarget> FindWindow(HWND hwnd) {
    if (!hwnd) return std::nullopt;
    WindowTable& t = Table();
    std::lock_guard lock(t.mu);
    auto it = t.entries.find(hwnd);
    if (it == t.entries.end()) return std::nullopt;
    return WindowTarget{it->second.window, it->second.queue};
}

LRESULT CallWindowProc(Window* window, Message& msg) {
    return WindowAccess::Call(window, msg);
}

void DetachWindowsOf(const ThreadQueue* queue) {
    std::vector<Window*> detached;
    {
        WindowTable& t = Table();
        std::lock_guard lock(t.mu);
        std::erase_if(t.entries, [&](const auto& kv) {
            if (kv.second.queue.get() != queue) return false;
            detached.push_back(kv.second.window);
            return true;
        });
    }
    // This is the owning thread, so the objects are ours to touch.
    for (Window* w : detached)
        WindowAccess::Detach(w);
}

}  // namespace detail

Window::~Window() {
    if (!hwnd_) return;
    if (threadId_ == GetCurrentThreadId()) {
        Destroy();
    } else {
        // Another thread cannot run our handlers; the handle just goes.
        detail::Unregister(hwnd_);
        hwnd_ = {};
    }
}

bool Window::Create(HWND parent) {
    if (hwnd_) return false;
    auto queue = detail::CurrentQueue();
    Window* parentWindow = nullptr;
    if (parent) {
        parentWindow = FromHandle(parent);
        if (!parentWindow || parentWindow->destroying_) return false;
    }
    threadId_ = queue->ThreadId();
    parent_ = parent;
    hwnd_ = detail::Register(this, std::move(queue), parent);
    if (parentWindow) parentWindow->children_.push_back(hwnd_);
    Message msg{hwnd_, WM_CREATE, 0, 0, GetTickCount(), {}};
    if (WindowProc(msg) == -1) {
        Destroy();
        return false;
    }
    return true;
}

bool Window::Destroy() {
    if (!hwnd_ || destroying_ || threadId_ != GetCurrentThreadId()) return false;
    destroying_ = true;
    const HWND self = hwnd_;
    Message destroy{self, WM_DESTROY, 0, 0, GetTickCount(), {}};
    WindowProc(destroy);
    // Children go after their parent's WM_DESTROY, newest first.
    const std::vector<HWND> children = children_;
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        if (Window* child = FromHandle(*it)) child->Destroy();
    }
    Message ncdestroy{self, WM_NCDESTROY, 0, 0, GetTickCount(), {}};
    WindowProc(ncdestroy);
    Retire();
    destroying_ = false;
    return true;
}

void Window::Retire() {
    detail::ThisThreadQueue()->KillTimers(hwnd_);
    if (Window* parent = FromHandle(parent_)) std::erase(parent->children_, hwnd_);
    detail::Unregister(hwnd_);
    hwnd_ = {};
    children_.clear();
}

Window* Window::FromHandle(HWND hwnd) {
    auto target = detail::FindWindow(hwnd);
    if (!target || target->queue->ThreadId() != GetCurrentThreadId()) return nullptr;
    return target->window;
}

LRESULT Window::WindowProc(Message& msg) {
    return DefWindowProc(msg);
}

LRESULT DefWindowProc(Message& msg) {
    if (msg.message == WM_CLOSE) DestroyWindow(msg.hwnd);
    return 0;
}

bool IsWindow(HWND hwnd) {
    return detail::FindWindow(hwnd).has_value();
}

bool DestroyWindow(HWND hwnd) {
    Window* window = Window::FromHandle(hwnd);
    return window && window->Destroy();
}

HWND GetParent(HWND hwnd) {
    if (!hwnd) return {};
    detail::WindowTable& t = detail::Table();
    std::lock_guard lock(t.mu);
    auto it = t.entries.find(hwnd);
    return it == t.entries.end() ? HWND{} : it->second.parent;
}

DWORD GetWindowThreadId(HWND hwnd) {
    auto target = detail::FindWindow(hwnd);
    return target ? target->queue->ThreadId() : 0;
}

}  // namespace platform
