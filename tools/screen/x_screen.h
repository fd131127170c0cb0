#pragma once
// The X server as a person meets it: what it shows, and its pointer moved
// and its button pressed through the test extension, delivered to whatever
// window lies under it. Kept apart because Xlib's macros clash with
// GoogleTest and with our own names.

#include <memory>
#include <string>

#include "platform/gui/surface.h"

namespace screen {

class XScreen {
  public:
    explicit XScreen(const std::string& display);
    ~XScreen();
    // False without the server or its test extension.
    bool Ready() const;
    bool MoveTo(int x, int y);
    // Presses and releases the left button where the pointer is.
    bool Click();
    // The left button's press and its release, each on its own.
    bool Press();
    bool Release();
    // The root window's pixels in `area`, opaque; empty on failure.
    platform::Surface Grab(const platform::RECT& area);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace screen
