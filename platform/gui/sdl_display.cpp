// The SDL2 back end. SDL's video functions all run on one display thread of
// ours; other threads hand it work and wait for it, so a window owned by any
// thread keeps presenting while another thread is blocked. Present only
// copies the dirty pixels into the present queue and wakes the display
// thread, which uploads the pending rectangles to the window's surface.

#include <SDL2/SDL.h>

#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "platform/gui/display.h"
#include "platform/gui/present_queue.h"
#include "platform/gui/sdl_keys.h"
#include "platform/gui/virtual_keys.h"
#include "platform/gui/x11_errors.h"
#include "platform/text.h"

namespace platform {
namespace {

SDL_SystemCursor SystemCursorOf(int id) {
    switch (id) {
        case IDC_IBEAM:
            return SDL_SYSTEM_CURSOR_IBEAM;
        case IDC_WAIT:
            return SDL_SYSTEM_CURSOR_WAIT;
        case IDC_CROSS:
            return SDL_SYSTEM_CURSOR_CROSSHAIR;
        case IDC_SIZENWSE:
            return SDL_SYSTEM_CURSOR_SIZENWSE;
        case IDC_SIZENESW:
            return SDL_SYSTEM_CURSOR_SIZENESW;
        case IDC_SIZEWE:
            return SDL_SYSTEM_CURSOR_SIZEWE;
        case IDC_SIZENS:
            return SDL_SYSTEM_CURSOR_SIZENS;
        case IDC_SIZEALL:
            return SDL_SYSTEM_CURSOR_SIZEALL;
        case IDC_NO:
            return SDL_SYSTEM_CURSOR_NO;
        case IDC_HAND:
            return SDL_SYSTEM_CURSOR_HAND;
        case IDC_APPSTARTING:
            return SDL_SYSTEM_CURSOR_WAITARROW;
        default:
            return SDL_SYSTEM_CURSOR_ARROW;
    }
}

unsigned KeyState(Uint32 buttons) {
    unsigned state = 0;
    if (buttons & SDL_BUTTON_LMASK) state |= MK_LBUTTON;
    if (buttons & SDL_BUTTON_RMASK) state |= MK_RBUTTON;
    if (buttons & SDL_BUTTON_MMASK) state |= MK_MBUTTON;
    SDL_Keymod mod = SDL_GetModState();
    if (mod & KMOD_SHIFT) state |= MK_SHIFT;
    if (mod & KMOD_CTRL) state |= MK_CONTROL;
    return state;
}

MouseButton ButtonOf(Uint8 button) {
    switch (button) {
        case SDL_BUTTON_LEFT:
            return MouseButton::Left;
        case SDL_BUTTON_RIGHT:
            return MouseButton::Right;
        case SDL_BUTTON_MIDDLE:
            return MouseButton::Middle;
        default:
            return MouseButton::None;
    }
}

class SdlDisplay final : public Display {
  public:
    SdlDisplay() = default;
    ~SdlDisplay() override {
        Run([this] { quit_ = true; });
        if (thread_.joinable()) thread_.join();
    }

    bool Start(std::string* why) {
        thread_ = std::thread([this] { Loop(); });
        std::unique_lock<std::mutex> guard(lock_);
        started_.wait(guard, [this] { return state_ != State::Starting; });
        if (state_ == State::Failed) {
            if (why) *why = failure_;
            guard.unlock();
            thread_.join();
            return false;
        }
        return true;
    }

    void SetSink(Sink sink) override {
        std::lock_guard<std::mutex> guard(sinkLock_);
        sink_ = std::move(sink);
    }

    bool CreateWindow(DisplayWindowId id, const RECT& frame, std::string_view title,
                      bool popup) override {
        bool ok = false;
        std::string utf8 = GbkToUtf8(title);
        Run([&] {
            Uint32 flags = SDL_WINDOW_HIDDEN;
            if (popup)
                flags |= SDL_WINDOW_BORDERLESS | SDL_WINDOW_SKIP_TASKBAR | SDL_WINDOW_ALWAYS_ON_TOP;
            SDL_Window* w =
                SDL_CreateWindow(utf8.c_str(), frame.left, frame.top, std::max(frame.Width(), 1),
                                 std::max(frame.Height(), 1), flags);
            if (!w) return;
            windows_[id] = w;
            ids_[SDL_GetWindowID(w)] = id;
            presents_.AddWindow(id);
            ok = true;
        });
        return ok;
    }

    void DestroyWindow(DisplayWindowId id) override {
        Run([&] {
            SDL_Window* w = Find(id);
            if (!w) return;
            presents_.RemoveWindow(id);
            ids_.erase(SDL_GetWindowID(w));
            windows_.erase(id);
            SDL_DestroyWindow(w);
        });
    }

    void ShowWindow(DisplayWindowId id, bool show) override {
        Run([&] {
            if (SDL_Window* w = Find(id)) show ? SDL_ShowWindow(w) : SDL_HideWindow(w);
        });
    }

    void MoveWindow(DisplayWindowId id, const RECT& frame) override {
        Run([&] {
            SDL_Window* w = Find(id);
            if (!w) return;
            SDL_SetWindowPosition(w, frame.left, frame.top);
            SDL_SetWindowSize(w, std::max(frame.Width(), 1), std::max(frame.Height(), 1));
        });
    }

    void SetTitle(DisplayWindowId id, std::string_view title) override {
        std::string utf8 = GbkToUtf8(title);
        Run([&] {
            if (SDL_Window* w = Find(id)) SDL_SetWindowTitle(w, utf8.c_str());
        });
    }

    void Present(DisplayWindowId id, const Surface& pixels, const RECT& dirty) override {
        if (presents_.Store(id, pixels, dirty)) Wake();
    }

    void Flush() override {
        Run([this] { Upload(); });
    }

    void SetCursor(int cursorId) override {
        Run([&] {
            SDL_Cursor*& cursor = cursors_[cursorId];
            if (!cursor) cursor = SDL_CreateSystemCursor(SystemCursorOf(cursorId));
            if (cursor) SDL_SetCursor(cursor);
        });
    }

    void SetTextInput(DisplayWindowId id, bool on) override {
        Run([&] {
            textInput_[id] = on;
            bool any = false;
            for (auto& [window, wanted] : textInput_)
                any = any || wanted;
            any ? SDL_StartTextInput() : SDL_StopTextInput();
        });
    }

    RECT WorkArea() const override {
        RECT area{0, 0, 1280, 800};
        const_cast<SdlDisplay*>(this)->Run([&] {
            SDL_Rect usable;
            if (SDL_GetDisplayUsableBounds(0, &usable) == 0) {
                area = {usable.x, usable.y, usable.x + usable.w, usable.y + usable.h};
            }
        });
        return area;
    }

    SIZE ScreenSize() const override {
        SIZE size{1280, 800};
        const_cast<SdlDisplay*>(this)->Run([&] {
            SDL_Rect bounds;
            if (SDL_GetDisplayBounds(0, &bounds) == 0) size = {bounds.w, bounds.h};
        });
        return size;
    }

    // The screen's density in the steps desktops use (96, 120, 144, ...).
    SIZE Dpi() const override {
        SIZE dpi{96, 96};
        const_cast<SdlDisplay*>(this)->Run([&] {
            float h = 0, v = 0;
            if (SDL_GetDisplayDPI(0, nullptr, &h, &v) == 0) dpi = {DpiStep(h), DpiStep(v)};
        });
        return dpi;
    }

    void RaiseWindow(DisplayWindowId id) override {
        Run([&] {
            if (SDL_Window* window = Find(id)) SDL_RaiseWindow(window);
        });
    }

    void WarpPointer(POINT screen) override {
        Run([&] { SDL_WarpMouseGlobal(screen.x, screen.y); });
    }

  private:
    static int DpiStep(float dots) {
        const int steps = int((dots - 96.0f) / 24.0f + 0.5f);
        return 96 + 24 * (steps > 0 ? steps : 0);
    }

    enum class State { Starting, Running, Failed };

    SDL_Window* Find(DisplayWindowId id) {
        auto it = windows_.find(id);
        return it == windows_.end() ? nullptr : it->second;
    }

    // Runs `work` on the display thread and waits for it.
    template <typename Fn>
    void Run(Fn&& work) {
        if (std::this_thread::get_id() == thread_.get_id()) {
            work();
            return;
        }
        bool done = false;
        std::unique_lock<std::mutex> guard(lock_);
        if (state_ != State::Running) return;
        commands_.push_back([&] {
            work();
            std::lock_guard<std::mutex> g(lock_);
            done = true;
            finished_.notify_all();
        });
        PushWake();
        finished_.wait(guard, [&] { return done; });
    }

    // Wakes the display thread to run commands and upload pixels.
    void Wake() {
        std::lock_guard<std::mutex> guard(lock_);
        if (state_ == State::Running) PushWake();
    }
    void PushWake() {  // with lock_ held
        SDL_Event wake{};
        wake.type = wakeEvent_;
        SDL_PushEvent(&wake);
    }

    // Copies the pending rectangles into the windows' surfaces, then has them
    // shown (outside the queue's lock: the screen may take its time).
    void Upload() {
        std::vector<std::pair<SDL_Window*, std::vector<SDL_Rect>>> updates;
        presents_.Take(
            [&](DisplayWindowId id, const Surface& copy, const std::vector<RECT>& rects) {
                SDL_Window* w = Find(id);
                SDL_Surface* screen = w ? SDL_GetWindowSurface(w) : nullptr;
                if (!screen) return;
                std::vector<SDL_Rect> shown;
                if (SDL_MUSTLOCK(screen)) SDL_LockSurface(screen);
                for (const RECT& rect : rects) {
                    const RECT r = IntersectRect(rect, {0, 0, screen->w, screen->h});
                    if (IsRectEmpty(r)) continue;
                    CopyToScreen(copy, r, screen);
                    shown.push_back({r.left, r.top, r.Width(), r.Height()});
                }
                if (SDL_MUSTLOCK(screen)) SDL_UnlockSurface(screen);
                if (!shown.empty()) updates.emplace_back(w, std::move(shown));
            });
        for (auto& [w, shown] : updates)
            SDL_UpdateWindowSurfaceRects(w, shown.data(), int(shown.size()));
    }

    static void CopyToScreen(const Surface& pixels, const RECT& r, SDL_Surface* screen) {
        auto* base = static_cast<uint8_t*>(screen->pixels);
        const Uint32 format = screen->format->format;
        if (format == SDL_PIXELFORMAT_ARGB8888 || format == SDL_PIXELFORMAT_RGB888) {
            for (int y = r.top; y < r.bottom; ++y) {
                std::memcpy(base + ptrdiff_t(y) * screen->pitch + ptrdiff_t(r.left) * 4,
                            pixels.Row(y) + r.left, size_t(r.Width()) * 4);
            }
        } else {
            SDL_ConvertPixels(r.Width(), r.Height(), SDL_PIXELFORMAT_ARGB8888,
                              pixels.Row(r.top) + r.left, pixels.Width() * 4, format,
                              base + ptrdiff_t(r.top) * screen->pitch +
                                  ptrdiff_t(r.left) * screen->format->BytesPerPixel,
                              screen->pitch);
        }
    }

    void RunCommands() {
        for (;;) {
            std::function<void()> command;
            {
                std::lock_guard<std::mutex> guard(lock_);
                if (commands_.empty()) return;
                command = std::move(commands_.front());
                commands_.pop_front();
            }
            command();
        }
    }

    void Deliver(InputEvent event) {
        Sink sink;
        {
            std::lock_guard<std::mutex> guard(sinkLock_);
            sink = sink_;
        }
        if (sink) sink(event);
    }

    DisplayWindowId IdOf(Uint32 sdlWindow) const {
        auto it = ids_.find(sdlWindow);
        return it == ids_.end() ? 0 : it->second;
    }

    void Translate(const SDL_Event& e) {
        InputEvent event;
        switch (e.type) {
            case SDL_MOUSEMOTION:
                event.kind = InputEvent::Kind::MouseMove;
                event.window = IdOf(e.motion.windowID);
                event.point = {e.motion.x, e.motion.y};
                event.keyState = KeyState(e.motion.state);
                break;
            case SDL_MOUSEBUTTONDOWN:
            case SDL_MOUSEBUTTONUP:
                event.kind = e.type == SDL_MOUSEBUTTONDOWN ? InputEvent::Kind::MouseDown
                                                           : InputEvent::Kind::MouseUp;
                event.window = IdOf(e.button.windowID);
                event.point = {e.button.x, e.button.y};
                event.button = ButtonOf(e.button.button);
                event.clicks = e.button.clicks;
                event.keyState = KeyState(SDL_GetMouseState(nullptr, nullptr));
                if (event.button == MouseButton::None) return;
                break;
            case SDL_MOUSEWHEEL: {
                event.kind = InputEvent::Kind::Wheel;
                event.window = IdOf(e.wheel.windowID);
                int y = e.wheel.y;
                if (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) y = -y;
                event.wheelDelta = y * 120;
                Uint32 buttons = SDL_GetMouseState(&event.point.x, &event.point.y);
                event.keyState = KeyState(buttons);
                if (event.wheelDelta == 0) return;
                break;
            }
            case SDL_KEYDOWN:
            case SDL_KEYUP:
                event.kind =
                    e.type == SDL_KEYDOWN ? InputEvent::Kind::KeyDown : InputEvent::Kind::KeyUp;
                event.window = IdOf(e.key.windowID);
                event.virtualKey = VirtualKeyFromSdl(e.key.keysym.sym);
                event.repeat = e.key.repeat != 0;
                if (event.virtualKey == 0) return;
                break;
            case SDL_TEXTINPUT:
                event.kind = InputEvent::Kind::Text;
                event.window = IdOf(e.text.windowID);
                event.text = Utf8ToGbk(e.text.text);
                break;
            case SDL_WINDOWEVENT:
                event.window = IdOf(e.window.windowID);
                switch (e.window.event) {
                    case SDL_WINDOWEVENT_CLOSE:
                        event.kind = InputEvent::Kind::Close;
                        break;
                    case SDL_WINDOWEVENT_FOCUS_GAINED:
                        event.kind = InputEvent::Kind::FocusIn;
                        break;
                    case SDL_WINDOWEVENT_FOCUS_LOST:
                        event.kind = InputEvent::Kind::FocusOut;
                        break;
                    case SDL_WINDOWEVENT_LEAVE:
                        event.kind = InputEvent::Kind::MouseLeave;
                        break;
                    case SDL_WINDOWEVENT_EXPOSED:
                        // The screen lost the pixels: show the copy again.
                        presents_.Invalidate(event.window);
                        event.kind = InputEvent::Kind::Exposed;
                        break;
                    case SDL_WINDOWEVENT_SIZE_CHANGED:
                        presents_.Invalidate(event.window);  // a new surface
                        return;
                    default:
                        return;
                }
                break;
            default:
                return;
        }
        if (event.window != 0) Deliver(std::move(event));
    }

    void Loop() {
        SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
        SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
        SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
        // Windows are plain pixel buffers: present them without a GL renderer.
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        // Before SDL opens X: it keeps this handler as the one to fall back on.
        KeepXErrorsFromEndingTheProcess();
        bool ok = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
        std::string failure = ok ? std::string() : SDL_GetError();
        if (const char* driver = ok ? SDL_GetCurrentVideoDriver() : nullptr;
            driver &&
            (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0)) {
            ok = false;
            failure = std::string("SDL offers only its \"") + driver + "\" video driver";
        }
        Uint32 wake = ok ? SDL_RegisterEvents(1) : Uint32(-1);
        {
            std::lock_guard<std::mutex> guard(lock_);
            if (ok && wake == Uint32(-1)) failure = SDL_GetError();
            ok = ok && wake != Uint32(-1);
            failure_ = failure;
            wakeEvent_ = wake;
            state_ = ok ? State::Running : State::Failed;
            started_.notify_all();
        }
        if (!ok) {
            QuitVideo();
            return;
        }
        SDL_StopTextInput();
        while (!quit_) {
            SDL_Event e;
            if (!SDL_WaitEvent(&e)) continue;
            if (e.type == wakeEvent_) {
                RunCommands();
            } else {
                Translate(e);
            }
            Upload();
        }
        {
            std::lock_guard<std::mutex> guard(lock_);
            state_ = State::Failed;  // no more commands are accepted
        }
        RunCommands();
        for (auto& [id, w] : windows_)
            SDL_DestroyWindow(w);
        windows_.clear();
        for (auto& [id, cursor] : cursors_)
            SDL_FreeCursor(cursor);
        QuitVideo();
    }

    // When nothing else of SDL is in use (audio may be), SDL is shut down
    // whole so that it releases what it keeps process-wide.
    static void QuitVideo() {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0) SDL_Quit();
    }

    std::thread thread_;
    std::mutex lock_;
    std::condition_variable started_;
    std::condition_variable finished_;
    std::deque<std::function<void()>> commands_;
    State state_ = State::Starting;
    std::string failure_;  // why the start failed
    Uint32 wakeEvent_ = 0;
    bool quit_ = false;  // display thread only

    std::mutex sinkLock_;
    Sink sink_;

    PresentQueue presents_;

    // Display thread only.
    std::map<DisplayWindowId, SDL_Window*> windows_;
    std::map<Uint32, DisplayWindowId> ids_;
    std::map<int, SDL_Cursor*> cursors_;
    std::map<DisplayWindowId, bool> textInput_;
};

}  // namespace

std::unique_ptr<Display> OpenSdlDisplay(std::string* why) {
    auto display = std::make_unique<SdlDisplay>();
    if (!display->Start(why)) return nullptr;
    return display;
}

}  // namespace platform
