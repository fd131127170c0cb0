#pragma once
// Real pointer input through the X server's test extension: the pointer
// moves and its button goes down and up as a person's would, delivered to
// whatever window lies under it. Kept apart from the tests because Xlib's
// macros clash with GoogleTest.

#include <memory>
#include <string>

namespace gameserver::testing {

class XPointer {
  public:
    explicit XPointer(const std::string& display);
    ~XPointer();
    // False without the server or its test extension.
    bool Ready() const;
    bool MoveTo(int x, int y);
    // Presses and releases the left button where the pointer is.
    bool Click();
    // The left button's press and its release, each on its own.
    bool Press();
    bool Release();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace gameserver::testing
