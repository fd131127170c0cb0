// The demo window's pixels: exactly the golden picture on the headless
// display, and the same within a small tolerance through SDL2 under Xvfb.

#include <gtest/gtest.h>

#include <cstdlib>
#include <future>

#include "platform/gui/tests/demo_window.h"
#include "platform/gui/tests/gui_test_support.h"
#include "platform/gui/tests/pixel_compare.h"
#include "platform/gui/tests/x11_client.h"
#include "platform/gui/tests/xvfb_server.h"
#include "platform/thread.h"

namespace platform {
namespace {

using testing_support::DemoWindow;
using testing_support::GoldenPath;
using testing_support::Mismatch;
using testing_support::Pump;

// The golden picture; QEVO_UPDATE_GOLDEN=1 rewrites it from `actual`.
Surface Golden(const Surface& actual) {
    const std::string path = GoldenPath("demo_window.png");
    if (std::getenv("QEVO_UPDATE_GOLDEN")) actual.SavePng(path);
    return Surface::LoadPng(path);
}

TEST(ScreenshotTest, HeadlessDemoWindowMatchesTheGoldenPicture) {
    auto display = std::make_shared<HeadlessDisplay>();
    SetDisplay(display);
    DemoWindow demo;
    ASSERT_TRUE(demo.Make(WS_POPUP | WS_VISIBLE));
    Pump();
    Surface shown = display->Screen(demo.GetSafeHwnd().value);
    EXPECT_EQ(shown, *demo.BackBuffer());
    Surface golden = Golden(shown);
    ASSERT_FALSE(golden.Empty()) << "missing " << GoldenPath("demo_window.png");
    EXPECT_EQ(Mismatch(shown, golden, 0), 0.0);
    // A repaint of everything gives the same pixels.
    demo.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    EXPECT_EQ(display->Screen(demo.GetSafeHwnd().value), shown);
}

TEST(ScreenshotTest, SdlDemoWindowUnderXvfbMatchesTheGoldenPicture) {
    testing_support::XvfbServer server;
    if (!server.Running()) GTEST_SKIP() << "Xvfb is not available";
    std::shared_ptr<Display> sdl = OpenSdlDisplay();
    ASSERT_NE(sdl, nullptr);
    SetDisplay(sdl);
    {
        DemoWindow demo;
        ASSERT_TRUE(demo.Make(WS_POPUP | WS_VISIBLE));
        Pump();
        sdl->Flush();  // what was presented is on the screen
        testing_support::X11Client x(server.Display());
        ASSERT_TRUE(x.Connected());
        Surface grabbed = x.Grab(demo.GetWindowRect());
        Surface golden = Surface::LoadPng(GoldenPath("demo_window.png"));
        ASSERT_FALSE(golden.Empty());
        EXPECT_LE(Mismatch(grabbed, golden, 2), 0.001);
    }
    Pump();
    SetDisplay(nullptr);
    sdl.reset();
}

TEST(ScreenshotTest, UnderXvfbAWindowOfAnotherThreadPaintsWhileThisOneWaits) {
    testing_support::XvfbServer server;
    if (!server.Running()) GTEST_SKIP() << "Xvfb is not available";
    std::shared_ptr<Display> sdl = OpenSdlDisplay();
    ASSERT_NE(sdl, nullptr);
    SetDisplay(sdl);
    std::promise<RECT> shown;
    std::promise<void> release;
    Thread owner;
    owner.Start([&] {
        testing_support::RecordingWnd wait;
        wait.fill = RGB(0, 0, 255);
        wait.CreateEx(0, "", WS_POPUP | WS_VISIBLE, {40, 30, 140, 80}, nullptr, 0);
        Pump();
        wait.fill = RGB(255, 128, 0);
        wait.Invalidate();
        Pump();
        shown.set_value(wait.GetWindowRect());
        release.get_future().wait();
    });
    // This thread blocks without serving any queue; the other thread's
    // window has painted and presented through the display thread.
    const RECT frame = shown.get_future().get();
    sdl->Flush();
    testing_support::X11Client x(server.Display());
    ASSERT_TRUE(x.Connected());
    Surface grabbed = x.Grab(frame);
    EXPECT_EQ(ColorOf(grabbed.At(50, 25)), RGB(255, 128, 0));
    release.set_value();
    owner.Join();
    SetDisplay(nullptr);
    sdl.reset();
}

}  // namespace
}  // namespace platform
