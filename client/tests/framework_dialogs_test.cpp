#include "client/framework_dialogs.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

#include "client/tests/ui_fixture.h"
#include "platform/clock.h"
#include "platform/gui/sys_colors.h"
#include "platform/gui/virtual_keys.h"
#include "tools/assetgen/writers.h"

namespace client {
namespace {

// Runs a box modally on its own thread while the test drives it.
struct RunningBox {
    explicit RunningBox(uint32_t type, int seconds = 10)
        : box("text", "", "", seconds, type),
          result(std::async(std::launch::async, [this] { return box.DoModal({}); })) {
        while (!box.Running())
            std::this_thread::yield();
    }
    CTimedMessageBox box;
    std::future<int> result;
};

TEST(TimedMessageBoxTest, TypesChooseIconAndCancelTheTimeOutAnswersAndKeysChooseOk) {
    using Icon = CTimedMessageBox::Icon;
    const struct {
        uint32_t type;
        Icon icon;
        bool cancel;
    } cases[] = {
        {kMbOk, Icon::kInformation, false},           {kMbError, Icon::kError, false},
        {kMbWarning, Icon::kWarning, false},          {kMbOkCancelInfo, Icon::kInformation, true},
        {kMbOkCancelQuestion, Icon::kQuestion, true}, {0x24, Icon::kNone, true}};
    for (auto& c : cases) {
        platform::ManualClock clock;
        platform::ScopedClock scoped(clock);
        RunningBox run(c.type, 3);
        EXPECT_EQ(run.box.IconShown(), c.icon) << c.type;
        EXPECT_EQ(run.box.CancelEnabled(), c.cancel) << c.type;
        EXPECT_EQ(run.box.CountdownText(), "3");
        for (int left = 2; left >= 0; --left) {
            clock.AdvanceMillis(1000);
            // Each tick counts down once before the next.
            while (run.box.SecondsLeft() > left)
                std::this_thread::yield();
        }
        EXPECT_EQ(run.result.get(), c.cancel ? kIdCancel : kIdOk) << c.type;
        EXPECT_EQ(run.box.SecondsLeft(), 0);
    }
    // Space and Enter choose OK even with Cancel, before the time is out.
    for (uint32_t key : {uint32_t(platform::VK_SPACE), uint32_t(platform::VK_RETURN)}) {
        RunningBox run(kMbOkCancelQuestion);
        platform::PostMessage(run.box.Handle(), platform::WM_KEYDOWN, key);
        EXPECT_EQ(run.result.get(), kIdOk);
    }
}

// The skin's picture and bar colour are drawn (a skin without them gives the
// button face and the default colours); it hides on the clock or when closed.
TEST(WaitDlgTest, PaintsTheSkinAndHidesOnTheClockOrWhenClosed) {
    testing::UiFixture ui(false);
    platform::ManualClock clock;
    platform::ScopedClock scoped(clock);
    platform::Surface picture(320, 90);
    picture.Fill(platform::PixelOf(0x00C000));
    picture.Set(1, 1, platform::PixelOf(0x0000C0));
    ASSERT_TRUE(assetgen::WriteBmp(ui.dir / "wait.bmp", picture));
    CWaitDlg dlg;
    ASSERT_TRUE(dlg.CreateModeless(nullptr, false));
    for (const bool withPicture : {true, false}) {
        ui.dir.Write("skin.ini", withPicture ? "[BitmapResource]\r\nCommDlgBK=wait.bmp\r\n"
                                             : "[CommColors]\r\nWaitBarfg=30 60 140\r\n");
        platform::PostMessage(dlg.GetSafeHwnd(), kMsgSkinChanged, 0, 0,
                              platform::Payload::Make<std::string>(ui.dir / "skin.ini"));
        testing::Pump();
        const auto state = dlg.Snapshot();
        EXPECT_EQ(state.backgroundPath, withPicture ? ui.dir / "wait.bmp" : "");
        const uint32_t bar = withPicture ? 0x1A462E : 0x8C3C1E;
        EXPECT_EQ(std::make_tuple(state.barForeground, state.barBackground),
                  std::make_tuple(bar, 0x429473u));
        EXPECT_FALSE(dlg.Bar().Running());
        dlg.SetText("正在连接服务器...", 0);
        testing::Pump();
        EXPECT_TRUE(dlg.Bar().Running());  // showing starts the bar
        const platform::Surface& shown = *dlg.BackBuffer();
        EXPECT_EQ(platform::ColorOf(shown.At(1, 1)),
                  withPicture ? 0x0000C0u : platform::GetSysColor(platform::COLOR_BTNFACE));
        EXPECT_EQ(platform::ColorOf(shown.At(300, 80)),
                  withPicture ? 0x00C000u : platform::GetSysColor(platform::COLOR_BTNFACE));
        EXPECT_EQ(platform::ColorOf(shown.At(60 + 3 * 33 + 10, 60)), bar);  // the bar's base cell
        EXPECT_EQ(ui.display->Raised(), dlg.GetSafeHwnd().value);
        clock.AdvanceMillis(1'000'000);  // no seconds: shown until hidden
        testing::Pump();
        EXPECT_TRUE(dlg.IsWindowVisible());
        platform::SendMessage(dlg.Handle(), platform::WM_CLOSE);
        EXPECT_TRUE(platform::IsWindow(dlg.Handle()));
        EXPECT_FALSE(dlg.IsWindowVisible());
        EXPECT_FALSE(dlg.Bar().Running());
    }
    dlg.SetText("b", 2);
    EXPECT_TRUE(dlg.Snapshot().visible);
    clock.AdvanceMillis(2000);
    testing::Pump();
    EXPECT_FALSE(dlg.Snapshot().visible);
    EXPECT_FALSE(dlg.IsWindowVisible());
    EXPECT_EQ(dlg.GetDlgItem(CWaitDlg::kIdText)->GetWindowText(), "b");
    // A later text without seconds, or a hide and a text, outlives an earlier hide timer.
    for (const bool hideFirst : {false, true}) {
        dlg.SetText("c", 2);
        if (hideFirst) dlg.Hide();
        dlg.SetText("d", 0);
        clock.AdvanceMillis(2000);
        testing::Pump();
        EXPECT_TRUE(dlg.IsWindowVisible()) << hideFirst;
    }
}

}  // namespace
}  // namespace client
