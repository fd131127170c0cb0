#include <cstring>
#include <map>
#include <mutex>
#include <optional>

#include "platform/gui/display.h"

namespace platform {

struct HeadlessDisplay::State {
    struct Window {
        RECT frame{};
        std::string title;
        bool shown = false;
        bool textInput = false;
        bool popup = false;
        Surface screen;
        int presents = 0;
    };
    mutable std::mutex lock;
    SIZE screenSize;
    Sink sink;
    std::map<DisplayWindowId, Window> windows;
    int cursor = IDC_ARROW;
    SIZE dpi{96, 96};
    std::optional<RECT> workArea;
    POINT warped{};
    DisplayWindowId raised = 0;

    const Window* Find(DisplayWindowId id) const {
        auto it = windows.find(id);
        return it == windows.end() ? nullptr : &it->second;
    }
};

HeadlessDisplay::HeadlessDisplay(SIZE screen) : state_(std::make_unique<State>()) {
    state_->screenSize = screen;
}

HeadlessDisplay::~HeadlessDisplay() = default;

void HeadlessDisplay::SetSink(Sink sink) {
    std::lock_guard<std::mutex> guard(state_->lock);
    state_->sink = std::move(sink);
}

bool HeadlessDisplay::CreateWindow(DisplayWindowId id, const RECT& frame, std::string_view title,
                                   bool popup) {
    std::lock_guard<std::mutex> guard(state_->lock);
    auto& w = state_->windows[id];
    w.popup = popup;
    w.frame = frame;
    w.title = title;
    w.screen = Surface(frame.Width(), frame.Height());
    return true;
}

void HeadlessDisplay::DestroyWindow(DisplayWindowId id) {
    std::lock_guard<std::mutex> guard(state_->lock);
    state_->windows.erase(id);
}

void HeadlessDisplay::ShowWindow(DisplayWindowId id, bool show) {
    std::lock_guard<std::mutex> guard(state_->lock);
    if (auto it = state_->windows.find(id); it != state_->windows.end()) it->second.shown = show;
}

void HeadlessDisplay::MoveWindow(DisplayWindowId id, const RECT& frame) {
    std::lock_guard<std::mutex> guard(state_->lock);
    auto it = state_->windows.find(id);
    if (it == state_->windows.end()) return;
    it->second.frame = frame;
    it->second.screen.Resize(frame.Width(), frame.Height());
}

void HeadlessDisplay::SetTitle(DisplayWindowId id, std::string_view title) {
    std::lock_guard<std::mutex> guard(state_->lock);
    if (auto it = state_->windows.find(id); it != state_->windows.end()) it->second.title = title;
}

void HeadlessDisplay::Present(DisplayWindowId id, const Surface& pixels, const RECT& dirty) {
    std::lock_guard<std::mutex> guard(state_->lock);
    auto it = state_->windows.find(id);
    if (it == state_->windows.end()) return;
    Surface& screen = it->second.screen;
    if (screen.Width() != pixels.Width() || screen.Height() != pixels.Height()) {
        screen.Resize(pixels.Width(), pixels.Height());
    }
    RECT r = IntersectRect(dirty, pixels.Bounds());
    for (int y = r.top; y < r.bottom; ++y) {
        std::memcpy(screen.Row(y) + r.left, pixels.Row(y) + r.left, size_t(r.Width()) * 4);
    }
    ++it->second.presents;
}

void HeadlessDisplay::SetCursor(int cursorId) {
    std::lock_guard<std::mutex> guard(state_->lock);
    state_->cursor = cursorId;
}

void HeadlessDisplay::SetTextInput(DisplayWindowId id, bool on) {
    std::lock_guard<std::mutex> guard(state_->lock);
    if (auto it = state_->windows.find(id); it != state_->windows.end()) it->second.textInput = on;
}

RECT HeadlessDisplay::WorkArea() const {
    std::lock_guard<std::mutex> guard(state_->lock);
    return state_->workArea.value_or(RECT{0, 0, state_->screenSize.cx, state_->screenSize.cy});
}

SIZE HeadlessDisplay::ScreenSize() const {
    std::lock_guard<std::mutex> guard(state_->lock);
    return state_->screenSize;
}

void HeadlessDisplay::SetWorkArea(RECT area) {
    std::lock_guard<std::mutex> guard(state_->lock);
    state_->workArea = area;
}

SIZE HeadlessDisplay::Dpi() const {
    std::lock_guard<std::mutex> guard(state_->lock);
    return state_->dpi;
}

void HeadlessDisplay::SetDpi(SIZE dpi) {
    std::lock_guard<std::mutex> guard(state_->lock);
    state_->dpi = dpi;
}

void HeadlessDisplay::RaiseWindow(DisplayWindowId id) {
    std::lock_guard<std::mutex> guard(state_->lock);
    state_->raised = id;
}

void HeadlessDisplay::WarpPointer(POINT screen) {
    std::lock_guard<std::mutex> guard(state_->lock);
    state_->warped = screen;
}

POINT HeadlessDisplay::Warped() const {
    std::lock_guard<std::mutex> guard(state_->lock);
    return state_->warped;
}

DisplayWindowId HeadlessDisplay::Raised() const {
    std::lock_guard<std::mutex> guard(state_->lock);
    return state_->raised;
}

void HeadlessDisplay::Inject(const InputEvent& event) {
    Sink sink;
    {
        std::lock_guard<std::mutex> guard(state_->lock);
        sink = state_->sink;
    }
    if (sink) sink(event);
}

bool HeadlessDisplay::HasWindow(DisplayWindowId id) const {
    std::lock_guard<std::mutex> guard(state_->lock);
    return state_->Find(id) != nullptr;
}

bool HeadlessDisplay::IsShown(DisplayWindowId id) const {
    std::lock_guard<std::mutex> guard(state_->lock);
    auto* w = state_->Find(id);
    return w && w->shown;
}

bool HeadlessDisplay::IsPopup(DisplayWindowId id) const {
    std::lock_guard<std::mutex> guard(state_->lock);
    auto* w = state_->Find(id);
    return w && w->popup;
}

RECT HeadlessDisplay::Frame(DisplayWindowId id) const {
    std::lock_guard<std::mutex> guard(state_->lock);
    auto* w = state_->Find(id);
    return w ? w->frame : RECT{};
}

std::string HeadlessDisplay::Title(DisplayWindowId id) const {
    std::lock_guard<std::mutex> guard(state_->lock);
    auto* w = state_->Find(id);
    return w ? w->title : std::string();
}

Surface HeadlessDisplay::Screen(DisplayWindowId id) const {
    std::lock_guard<std::mutex> guard(state_->lock);
    auto* w = state_->Find(id);
    return w ? w->screen : Surface();
}

int HeadlessDisplay::PresentCount(DisplayWindowId id) const {
    std::lock_guard<std::mutex> guard(state_->lock);
    auto* w = state_->Find(id);
    return w ? w->presents : 0;
}

int HeadlessDisplay::Cursor() const {
    std::lock_guard<std::mutex> guard(state_->lock);
    return state_->cursor;
}

bool HeadlessDisplay::TextInputOn(DisplayWindowId id) const {
    std::lock_guard<std::mutex> guard(state_->lock);
    auto* w = state_->Find(id);
    return w && w->textInput;
}

}  // namespace platform
