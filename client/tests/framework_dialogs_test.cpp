#include "client/framework_dialogs.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

#include "client/tests/ui_fixture.h"
#include "platform/clock.h"
#include "platform/gui/virtual_keys.h"
#include "platform/tests/temp_dir.h"

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

TEST(TimedMessageBoxTest, TypesChooseIconAndCancelAndTheTimeOutAnswer) {
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
}

TEST(TimedMessageBoxTest, SpaceAndEnterChooseOkEvenWithCancel) {
    for (uint32_t key : {uint32_t(platform::VK_SPACE), uint32_t(platform::VK_RETURN)}) {
        RunningBox run(kMbOkCancelQuestion);
        platform::PostMessage(run.box.Handle(), platform::WM_KEYDOWN, key);
        EXPECT_EQ(run.result.get(), kIdOk);
        EXPECT_EQ(run.box.SecondsLeft(), 10);
    }
}

TEST(WaitDlgTest, SkinsSetItsLookAndItHidesOnTheClockOrWhenClosed) {
    platform::testing::TempDir dir;
    CWaitDlg dlg;
    dir.Write("skin.ini", "[CommColors]\r\nWaitBarfg=1 2 3\r\n");
    dlg.LoadSkin(dir / "skin.ini");
    EXPECT_EQ(dlg.Snapshot().backgroundPath, "");
    EXPECT_EQ(dlg.Snapshot().barForeground, 0x030201u);
    EXPECT_EQ(dlg.Snapshot().barBackground, 0x429473u);
    dir.Write("skin.ini", "[BitmapResource]\r\nCommDlgBK=wait.bmp\r\n");
    dlg.LoadSkin(dir / "skin.ini");
    EXPECT_EQ(dlg.Snapshot().backgroundPath, dir / "wait.bmp");
    EXPECT_EQ(dlg.Snapshot().barForeground, 0x1A462Eu);

    platform::ManualClock clock;
    platform::ScopedClock scoped(clock);
    ASSERT_TRUE(dlg.CreateModeless(nullptr));
    dlg.SetText("a", 0);  // no seconds: shown until hidden
    clock.AdvanceMillis(1'000'000);
    testing::Pump();
    EXPECT_TRUE(dlg.IsWindowVisible());
    platform::SendMessage(dlg.Handle(), platform::WM_CLOSE);
    EXPECT_TRUE(platform::IsWindow(dlg.Handle()));
    EXPECT_FALSE(dlg.IsWindowVisible());
    dlg.SetText("b", 2);
    EXPECT_TRUE(dlg.Snapshot().visible);
    clock.AdvanceMillis(2000);
    testing::Pump();
    EXPECT_FALSE(dlg.Snapshot().visible);
    EXPECT_FALSE(dlg.IsWindowVisible());
    EXPECT_EQ(dlg.Snapshot().text, "b");
    EXPECT_EQ(dlg.GetDlgItem(CWaitDlg::kIdText)->GetWindowText(), "b");
}

}  // namespace
}  // namespace client
