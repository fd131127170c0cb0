#pragma once
// Display back ends: they show top-level windows' pixels and report what the
// user does. The window system owns the windows and their surfaces; a back
// end only mirrors them, identified by the window's handle value. Input is
// delivered to the sink on the back end's own thread (the SDL back end's
// display thread, or the injecting thread for the headless one); the window
// system turns it into messages for the owning thread.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/gui/geometry.h"
#include "platform/gui/surface.h"

namespace platform {

using DisplayWindowId = uint64_t;

// Standard cursors by their Win32 resource numbers.
enum CursorId : int {
    IDC_ARROW = 32512,
    IDC_IBEAM = 32513,
    IDC_WAIT = 32514,
    IDC_CROSS = 32515,
    IDC_UPARROW = 32516,
    IDC_SIZENWSE = 32642,
    IDC_SIZENESW = 32643,
    IDC_SIZEWE = 32644,
    IDC_SIZENS = 32645,
    IDC_SIZEALL = 32646,
    IDC_NO = 32648,
    IDC_HAND = 32649,
    IDC_APPSTARTING = 32650,
};

enum class MouseButton { None, Left, Right, Middle };

struct InputEvent {
    enum class Kind {
        MouseMove,
        MouseDown,
        MouseUp,
        Wheel,
        KeyDown,
        KeyUp,
        Text,     // committed text input, GBK
        Close,    // the user asked to close the window
        FocusIn,  // the top-level window became the active one
        FocusOut,
        MouseLeave,
        Exposed,  // the back end lost the pixels; present again
    };
    Kind kind = Kind::MouseMove;
    DisplayWindowId window = 0;
    POINT point{};  // client coordinates of the top-level window
    MouseButton button = MouseButton::None;
    int clicks = 1;         // 2 for a double click
    int wheelDelta = 0;     // multiples of 120, positive away from the user
    int virtualKey = 0;     // VK_ value
    bool repeat = false;    // auto-repeated key
    unsigned keyState = 0;  // MK_ bits at the time of the event
    std::string text;       // GBK
};

class Display {
  public:
    using Sink = std::function<void(const InputEvent&)>;

    virtual ~Display() = default;

    // Where input goes; set before windows are created.
    virtual void SetSink(Sink sink) = 0;

    // `frame` is the client area in screen coordinates; the window starts
    // hidden. A popup (menu, tooltip, popup dialog) has no decoration and
    // stays above the others.
    virtual bool CreateWindow(DisplayWindowId id, const RECT& frame, std::string_view title,
                              bool popup) = 0;
    virtual void DestroyWindow(DisplayWindowId id) = 0;
    virtual void ShowWindow(DisplayWindowId id, bool show) = 0;
    virtual void MoveWindow(DisplayWindowId id, const RECT& frame) = 0;
    virtual void SetTitle(DisplayWindowId id, std::string_view title) = 0;  // GBK
    // Copies `dirty` (window coordinates) of the window's pixels to the
    // screen. The surface is read before the call returns; the screen may
    // show the pixels a little later (see Flush).
    virtual void Present(DisplayWindowId id, const Surface& pixels, const RECT& dirty) = 0;
    // Returns once everything presented so far is on the screen.
    virtual void Flush() {}
    virtual void SetCursor(int cursorId) = 0;
    virtual void SetTextInput(DisplayWindowId id, bool on) = 0;
    // The work area (screen minus panels) in screen coordinates.
    virtual RECT WorkArea() const = 0;
    // The whole primary screen, panels included.
    virtual SIZE ScreenSize() const = 0;
    // Dots per inch of the screen, horizontally (cx) and vertically (cy).
    virtual SIZE Dpi() const { return {96, 96}; }
    // Puts a shown window above the others and gives it the input.
    virtual void RaiseWindow(DisplayWindowId /*id*/) {}
    // Moves the pointer to a point of the screen.
    virtual void WarpPointer(POINT /*screen*/) {}
};

// A display without a screen: it keeps the last presented pixels of each
// window for tests, which inject input through Inject.
class HeadlessDisplay final : public Display {
  public:
    explicit HeadlessDisplay(SIZE screen = {1280, 800});
    ~HeadlessDisplay() override;

    void SetSink(Sink sink) override;
    bool CreateWindow(DisplayWindowId id, const RECT& frame, std::string_view title,
                      bool popup) override;
    void DestroyWindow(DisplayWindowId id) override;
    void ShowWindow(DisplayWindowId id, bool show) override;
    void MoveWindow(DisplayWindowId id, const RECT& frame) override;
    void SetTitle(DisplayWindowId id, std::string_view title) override;
    void Present(DisplayWindowId id, const Surface& pixels, const RECT& dirty) override;
    void SetCursor(int cursorId) override;
    void SetTextInput(DisplayWindowId id, bool on) override;
    RECT WorkArea() const override;
    SIZE ScreenSize() const override;
    SIZE Dpi() const override;
    void RaiseWindow(DisplayWindowId id) override;
    void WarpPointer(POINT screen) override;

    // Test side.
    POINT Warped() const;            // where the pointer was put last
    DisplayWindowId Raised() const;  // the window raised last, 0 for none
    void SetDpi(SIZE dpi);
    void SetWorkArea(RECT area);  // the whole screen until set
    void Inject(const InputEvent& event);
    bool HasWindow(DisplayWindowId id) const;
    bool IsShown(DisplayWindowId id) const;
    bool IsPopup(DisplayWindowId id) const;
    RECT Frame(DisplayWindowId id) const;
    std::string Title(DisplayWindowId id) const;
    Surface Screen(DisplayWindowId id) const;  // what was presented
    int PresentCount(DisplayWindowId id) const;
    int Cursor() const;
    bool TextInputOn(DisplayWindowId id) const;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// The SDL2 back end, or null when SDL cannot open a screen (no X server).
// SDL's "offscreen" and "dummy" video drivers show nothing and poll for
// events, so they count as no screen: the headless display serves then. On
// failure `why` (when given) says what was missing. It runs its own display
// thread.
std::unique_ptr<Display> OpenSdlDisplay(std::string* why = nullptr);

}  // namespace platform
