#pragma once
// A plain Xlib connection for tests: reads what the server shows and makes
// the server generate input. Kept apart because Xlib's macros clash with
// GoogleTest and with our own names.

#include <memory>
#include <string>

#include "platform/gui/surface.h"

namespace platform::testing_support {

class X11Client {
  public:
    explicit X11Client(const std::string& display);
    ~X11Client();
    bool Connected() const;

    // The root window's pixels in `area`, opaque.
    Surface Grab(const RECT& area);
    // Moves the pointer for real; the server reports the motion.
    void WarpPointer(int x, int y);
    // Sends a press of the key named by its keysym ("Escape", "a") to the
    // top-most window, after giving it the input focus.
    bool SendKeyPress(const char* keysym);
    // Sends a press of pointer button `button` (4 and 5 are the wheel) at a
    // point of the top-most window.
    bool SendButtonPress(unsigned button, int x, int y);
    // The release that ends a press.
    bool SendButtonRelease(unsigned button, int x, int y);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace platform::testing_support
