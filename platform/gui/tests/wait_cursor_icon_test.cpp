#include <gtest/gtest.h>

#include "platform/gui/icon.h"
#include "platform/gui/sys_colors.h"
#include "platform/gui/tests/gui_test_support.h"
#include "platform/gui/wait_cursor.h"

namespace platform {
namespace {

using testing_support::Pump;
using testing_support::RecordingWnd;

TEST(WaitCursorTest, TheHourglassStaysOverWindowsUntilTheLastWaitEnds) {
    auto display = std::make_shared<HeadlessDisplay>();
    SetDisplay(display);
    RecordingWnd window;
    window.SetClassCursor(IDC_HAND);
    ASSERT_TRUE(window.CreateEx(0, "", WS_POPUP | WS_VISIBLE, {0, 0, 100, 100}, nullptr, 0));
    auto move = [&] {
        InputEvent e;
        e.kind = InputEvent::Kind::MouseMove;
        e.window = window.GetSafeHwnd().value;
        e.point = {10, 10};
        display->Inject(e);
        Pump();
    };
    move();
    EXPECT_EQ(display->Cursor(), IDC_HAND);
    {
        CWaitCursor outer;
        EXPECT_EQ(display->Cursor(), IDC_WAIT);
        {
            CWaitCursor inner;
            move();  // the pointer moving over a window keeps the hourglass
            EXPECT_EQ(display->Cursor(), IDC_WAIT);
        }
        EXPECT_EQ(WaitCursorCount(), 1);
        move();
        EXPECT_EQ(display->Cursor(), IDC_WAIT);
    }
    EXPECT_EQ(WaitCursorCount(), 0);
    EXPECT_EQ(display->Cursor(), IDC_HAND);  // the cursor from before
    EndWaitCursor();                         // unbalanced: stays at zero
    EXPECT_EQ(WaitCursorCount(), 0);
    display->SetDpi({120, 144});
    EXPECT_EQ(display->Dpi().cx, 120);
    EXPECT_EQ(display->Dpi().cy, 144);
    window.DestroyWindow();
    Pump();
}

TEST(IconTest, MaskColourIsClearAndDisabledIconsAreEmbossed) {
    Surface picture(3, 3);
    picture.Fill(PixelOf(RGB(255, 255, 255)));
    picture.Set(1, 1, PixelOf(RGB(0, 0, 255)));
    const Icon icon = IconFromSurface(picture, RGB(255, 255, 255));
    EXPECT_TRUE(IconCovers(icon, 1, 1));
    EXPECT_FALSE(IconCovers(icon, 0, 0));

    Surface canvas(6, 6);
    canvas.Fill(PixelOf(RGB(0, 128, 0)));
    Painter painter(canvas);
    DrawIcon(painter, 0, 0, icon);
    EXPECT_EQ(ColorOf(canvas.At(1, 1)), RGB(0, 0, 255));
    EXPECT_EQ(ColorOf(canvas.At(0, 0)), RGB(0, 128, 0));  // clear pixels leave the canvas
    DrawIconDisabled(painter, 2, 2, icon);
    EXPECT_EQ(ColorOf(canvas.At(3, 3)), GetSysColor(COLOR_3DSHADOW));
    EXPECT_EQ(ColorOf(canvas.At(4, 4)), GetSysColor(COLOR_3DHILIGHT));
    EXPECT_EQ(ColorOf(canvas.At(2, 2)), RGB(0, 128, 0));
    // Half-transparent pixels blend.
    Icon half{Surface(1, 1)};
    half.pixels.Set(0, 0, 0x80FFFFFFu);
    DrawIcon(painter, 5, 5, half);
    EXPECT_EQ(ColorOf(canvas.At(5, 5)), RGB(128, 191, 128));
}

}  // namespace
}  // namespace platform
