#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "platform/gui/display.h"
#include "platform/gui/painter.h"
#include "platform/gui/tests/x11_client.h"
#include "platform/gui/tests/xvfb_server.h"
#include "platform/gui/virtual_keys.h"

namespace platform {
namespace {

using testing_support::X11Client;
using testing_support::XvfbServer;

int MaxDifference(const Surface& a, const Surface& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) return 256;
    int worst = 0;
    for (int y = 0; y < a.Height(); ++y) {
        for (int x = 0; x < a.Width(); ++x) {
            uint32_t p = a.At(x, y), q = b.At(x, y);
            for (int s = 0; s < 24; s += 8) {
                worst = std::max(worst, std::abs(int(p >> s & 0xFF) - int(q >> s & 0xFF)));
            }
        }
    }
    return worst;
}

// Collects events from the display thread.
struct EventLog {
    std::mutex lock;
    std::condition_variable changed;
    std::vector<InputEvent> events;

    void Add(const InputEvent& e) {
        std::lock_guard<std::mutex> guard(lock);
        events.push_back(e);
        changed.notify_all();
    }
    // Waits until an event of `kind` arrived (the X server answers in
    // milliseconds; the bound only keeps a broken server from hanging CI).
    bool WaitFor(InputEvent::Kind kind, InputEvent* out) {
        std::unique_lock<std::mutex> guard(lock);
        bool found = changed.wait_for(guard, std::chrono::seconds(10), [&] {
            for (const auto& e : events) {
                if (e.kind == kind) return true;
            }
            return false;
        });
        for (const auto& e : events) {
            if (e.kind == kind) {
                *out = e;
                break;
            }
        }
        return found;
    }
};

TEST(SdlDisplayTest, PresentsPixelsAndDeliversInputUnderXvfb) {
    XvfbServer server;
    if (!server.Running()) GTEST_SKIP() << "Xvfb is not available";
    std::unique_ptr<Display> display = OpenSdlDisplay();
    ASSERT_NE(display, nullptr);
    EventLog log;
    display->SetSink([&log](const InputEvent& e) { log.Add(e); });

    const RECT frame{10, 20, 74, 68};
    ASSERT_TRUE(display->CreateWindow(7, frame, "测试", true));
    display->ShowWindow(7, true);

    Surface pixels(frame.Width(), frame.Height());
    Painter painter(pixels);
    painter.FillSolidRect(pixels.Bounds(), RGB(30, 60, 90));
    painter.FillSolidRect({4, 4, 20, 12}, RGB(250, 0, 0));
    painter.SetBkMode(TRANSPARENT);
    painter.SetTextColor(RGB(255, 255, 0));
    painter.TextOut(4, 20, "牌");
    display->Present(7, pixels, pixels.Bounds());
    display->Flush();

    X11Client x(server.Display());
    ASSERT_TRUE(x.Connected());
    EXPECT_LE(MaxDifference(x.Grab(frame), pixels), 2);

    // Only the dirty rectangle reaches the screen.
    painter.FillSolidRect(pixels.Bounds(), RGB(0, 255, 0));
    display->Present(7, pixels, {0, 0, 8, 8});
    display->Flush();
    Surface shown = x.Grab(frame);
    EXPECT_EQ(ColorOf(shown.At(3, 3)), RGB(0, 255, 0));
    EXPECT_EQ(ColorOf(shown.At(40, 40)), RGB(30, 60, 90));

    // A pointer moved by the server arrives as a move in client coordinates.
    x.WarpPointer(frame.left + 5, frame.top + 6);
    InputEvent move;
    ASSERT_TRUE(log.WaitFor(InputEvent::Kind::MouseMove, &move));
    EXPECT_EQ(move.window, 7u);
    EXPECT_EQ(move.point, (POINT{5, 6}));

    // A key press sent to the window arrives with its virtual-key number.
    ASSERT_TRUE(x.SendKeyPress("Escape"));
    InputEvent pressed;
    ASSERT_TRUE(log.WaitFor(InputEvent::Kind::KeyDown, &pressed));
    EXPECT_EQ(pressed.virtualKey, VK_ESCAPE);

    // Typed text arrives as GBK while text input is on.
    display->SetTextInput(7, true);
    ASSERT_TRUE(x.SendKeyPress("a"));
    InputEvent typed;
    ASSERT_TRUE(log.WaitFor(InputEvent::Kind::Text, &typed));
    EXPECT_EQ(typed.text, "a");
    // The wheel comes as multiples of 120, positive away from the user.
    ASSERT_TRUE(x.SendButtonPress(4, 5, 6));
    InputEvent wheel;
    ASSERT_TRUE(log.WaitFor(InputEvent::Kind::Wheel, &wheel));
    EXPECT_EQ(wheel.wheelDelta, 120);
    // A moved and grown window shows the whole of its new picture there.
    const RECT moved{200, 150, 300, 230};
    display->MoveWindow(7, moved);
    Surface grown(moved.Width(), moved.Height());
    Painter(grown).FillSolidRect(grown.Bounds(), RGB(0, 0, 255));
    display->Present(7, grown, grown.Bounds());
    display->Flush();
    EXPECT_LE(MaxDifference(x.Grab(moved), grown), 2);

    display->SetTitle(7, "标题");
    display->SetCursor(IDC_HAND);
    RECT area = display->WorkArea();
    EXPECT_EQ(area, (RECT{0, 0, 1280, 1024}));
    display->DestroyWindow(7);
    display->Present(7, pixels, pixels.Bounds());  // a gone window is ignored
    display.reset();
}

TEST(SdlDisplayTest, WithoutAScreenNoDisplayOpensAndTheReasonIsGiven) {
    // SDL's offscreen and dummy drivers would "open" but show nothing and
    // poll for events every millisecond: they count as no screen.
    struct {
        const char *display, *driver, *reason;  // the reason given contains `reason`
    } const cases[] = {{":65000", "x11", ""},
                       {nullptr, nullptr, ""},
                       {nullptr, "offscreen", "\"offscreen\""},
                       {nullptr, "dummy", "\"dummy\""}};
    const char* saved = getenv("DISPLAY");
    const std::string display = saved ? saved : "";
    unsetenv("WAYLAND_DISPLAY");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.driver ? c.driver : "(automatic)");
        c.display ? setenv("DISPLAY", c.display, 1) : unsetenv("DISPLAY");
        c.driver ? setenv("SDL_VIDEODRIVER", c.driver, 1) : unsetenv("SDL_VIDEODRIVER");
        std::string why;
        EXPECT_EQ(OpenSdlDisplay(&why), nullptr);
        EXPECT_FALSE(why.empty());
        EXPECT_NE(why.find(c.reason), std::string::npos) << why;
    }
    unsetenv("SDL_VIDEODRIVER");
    if (saved) setenv("DISPLAY", display.c_str(), 1);
}

}  // namespace
}  // namespace platform
