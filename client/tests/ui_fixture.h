#pragma once
// For the tests of the client's windows: a headless display of their own,
// a program folder in a temporary folder (with copies of the generated
// assets when asked), and a queue pump.

#include <stdlib.h>

#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>

#include "platform/gui/display.h"
#include "platform/gui/wnd.h"
#include "platform/message_queue.h"
#include "platform/tests/temp_dir.h"

namespace client::testing {

// The generated assets (build/assets), laid out as a program folder.
inline std::string AssetDir() {
    return QEVO_ASSET_DIR "/";
}

inline int Pump() {
    int n = 0;
    platform::Message msg;
    while (platform::PeekMessage(msg, {}, 0, 0, platform::PM_REMOVE)) {
        platform::DispatchMessage(msg);
        ++n;
    }
    return n;
}

class UiFixture {
  public:
    // `assets`: copy the generated res/ and skins/ folders into the program folder.
    explicit UiFixture(bool assets = true)
        : display(std::make_shared<platform::HeadlessDisplay>(platform::SIZE{1024, 768})) {
        platform::SetDisplay(display);
        if (assets) {
            for (const char* folder : {"res", "skins"})
                std::filesystem::copy(AssetDir() + folder, dir / folder,
                                      std::filesystem::copy_options::recursive);
        }
        setenv("QEVO_PROGRAM_DIR", dir.path().c_str(), 1);
    }
    ~UiFixture() {
        Pump();
        unsetenv("QEVO_PROGRAM_DIR");
        platform::SetDisplay(nullptr);
    }
    // Presses and releases a button at a client point of `window` (through
    // its top-level window).
    void Click(platform::CWnd& window, platform::POINT at,
               platform::MouseButton button = platform::MouseButton::Left) {
        Inject(window, at, button,
               {platform::InputEvent::Kind::MouseMove, platform::InputEvent::Kind::MouseDown,
                platform::InputEvent::Kind::MouseUp});
    }
    // Moves the pointer onto a client point of `window`.
    void Point(platform::CWnd& window, platform::POINT at) {
        Inject(window, at, platform::MouseButton::Left, {platform::InputEvent::Kind::MouseMove});
    }
    void Inject(platform::CWnd& window, platform::POINT at, platform::MouseButton button,
                std::initializer_list<platform::InputEvent::Kind> kinds) {
        platform::CWnd* top = window.GetTopLevel();
        const platform::POINT p = top->ScreenToClient(window.ClientToScreen(at));
        for (auto kind : kinds) {
            platform::InputEvent e;
            e.kind = kind;
            e.window = top->GetSafeHwnd().value;
            e.point = p;
            e.button = button;
            display->Inject(e);
            Pump();
        }
    }

    platform::testing::TempDir dir;
    std::shared_ptr<platform::HeadlessDisplay> display;
};

}  // namespace client::testing
