#include <gtest/gtest.h>

#include <vector>

#include "platform/gui/display.h"

namespace platform {
namespace {

TEST(HeadlessDisplayTest, MirrorsWindowsAndTheirPresentedPixels) {
    HeadlessDisplay display({800, 600});
    EXPECT_EQ(display.WorkArea(), (RECT{0, 0, 800, 600}));
    ASSERT_TRUE(display.CreateWindow(1, {10, 10, 30, 20}, "窗口", false));
    EXPECT_TRUE(display.HasWindow(1));
    EXPECT_FALSE(display.IsShown(1));
    EXPECT_FALSE(display.IsPopup(1));
    display.ShowWindow(1, true);
    EXPECT_TRUE(display.IsShown(1));
    EXPECT_EQ(display.Title(1), "窗口");

    Surface pixels(20, 10);
    pixels.Fill(0xFF112233u);
    display.Present(1, pixels, {0, 0, 5, 5});
    Surface screen = display.Screen(1);
    EXPECT_EQ(screen.At(4, 4), 0xFF112233u);
    EXPECT_EQ(screen.At(5, 5), 0u);
    EXPECT_EQ(display.PresentCount(1), 1);

    display.MoveWindow(1, {0, 0, 40, 40});
    EXPECT_EQ(display.Frame(1), (RECT{0, 0, 40, 40}));
    EXPECT_EQ(display.Screen(1).Width(), 40);
    display.SetTitle(1, "新");
    EXPECT_EQ(display.Title(1), "新");
    display.SetCursor(IDC_HAND);
    EXPECT_EQ(display.Cursor(), IDC_HAND);
    display.SetTextInput(1, true);
    EXPECT_TRUE(display.TextInputOn(1));
    display.DestroyWindow(1);
    EXPECT_FALSE(display.HasWindow(1));
    display.Present(1, pixels, pixels.Bounds());  // ignored
    EXPECT_EQ(display.PresentCount(1), 0);
}

TEST(HeadlessDisplayTest, InjectedInputReachesTheSink) {
    HeadlessDisplay display;
    std::vector<InputEvent> seen;
    display.Inject({});  // no sink yet: dropped
    display.SetSink([&seen](const InputEvent& e) { seen.push_back(e); });
    InputEvent e;
    e.kind = InputEvent::Kind::KeyDown;
    e.virtualKey = 'A';
    display.Inject(e);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].virtualKey, 'A');
}

}  // namespace
}  // namespace platform
