#include "client/framework_dialogs.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

#include "platform/clock.h"
#include "platform/gui/virtual_keys.h"
#include "platform/message_queue.h"
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

TEST(TimedMessageBoxTest, TimeOutAnswersOkWithoutCancelAndCancelWithIt) {
    struct Case {
        uint32_t type;
        int expected;
    } cases[] = {{kMbOk, kIdOk},
                 {kMbError, kIdOk},
                 {kMbWarning, kIdOk},
                 {kMbOkCancelInfo, kIdCancel},
                 {kMbOkCancelQuestion, kIdCancel}};
    for (auto& c : cases) {
        platform::ManualClock clock;
        platform::ScopedClock scoped(clock);
        RunningBox run(c.type, 3);
        for (int left = 2; left >= 0; --left) {
            clock.AdvanceMillis(1000);
            // Each tick counts down once before the next.
            while (run.box.SecondsLeft() > left)
                std::this_thread::yield();
        }
        EXPECT_EQ(run.result.get(), c.expected) << c.type;
        EXPECT_EQ(run.box.SecondsLeft(), 0);
    }
}

TEST(TimedMessageBoxTest, SpaceAndEnterChooseOkEvenWithCancel) {
    for (uint32_t key : {uint32_t(platform::VK_SPACE), uint32_t(platform::VK_RETURN)}) {
        RunningBox run(kMbOkCancelQuestion);
        EXPECT_TRUE(run.box.CancelEnabled());
        platform::PostMessage(run.box.Handle(), platform::WM_KEYDOWN, key);
        EXPECT_EQ(run.result.get(), kIdOk);
        EXPECT_EQ(run.box.SecondsLeft(), 10);
    }
}

TEST(TimedMessageBoxTest, IconsAndCancelByType) {
    struct Case {
        uint32_t type;
        CTimedMessageBox::Icon icon;
        bool cancel;
    } cases[] = {{kMbOk, CTimedMessageBox::Icon::kInformation, false},
                 {kMbError, CTimedMessageBox::Icon::kError, false},
                 {kMbWarning, CTimedMessageBox::Icon::kWarning, false},
                 {kMbOkCancelInfo, CTimedMessageBox::Icon::kInformation, true},
                 {kMbOkCancelQuestion, CTimedMessageBox::Icon::kQuestion, true},
                 {0x24, CTimedMessageBox::Icon::kNone, true}};
    for (auto& c : cases) {
        RunningBox run(c.type);
        EXPECT_EQ(run.box.IconShown(), c.icon) << c.type;
        EXPECT_EQ(run.box.CancelEnabled(), c.cancel) << c.type;
        EXPECT_EQ(run.box.CountdownText(), "10");
        platform::PostMessage(run.box.Handle(), platform::WM_KEYDOWN, platform::VK_RETURN);
        run.result.get();
    }
}

TEST(WaitDlgTest, SkinWithoutPictureKeepsTheButtonFace) {
    platform::testing::TempDir dir;
    dir.Write("skin.ini", "[CommColors]\r\nWaitBarfg=1 2 3\r\n");
    CWaitDlg dlg;
    dlg.LoadSkin(dir / "skin.ini");
    EXPECT_EQ(dlg.Snapshot().backgroundPath, "");
    EXPECT_EQ(dlg.Snapshot().barForeground, 0x030201u);
    EXPECT_EQ(dlg.Snapshot().barBackground, 0x429473u);
    dir.Write("skin.ini", "[BitmapResource]\r\nCommDlgBK=wait.bmp\r\n");
    dlg.LoadSkin(dir / "skin.ini");
    EXPECT_EQ(dlg.Snapshot().backgroundPath, dir / "wait.bmp");
    EXPECT_EQ(dlg.Snapshot().barForeground, 0x1A462Eu);
}

TEST(WaitDlgTest, ZeroSecondsKeepsTheTextShown) {
    platform::ManualClock clock;
    platform::ScopedClock scoped(clock);
    CWaitDlg dlg;
    ASSERT_TRUE(dlg.CreateModeless(nullptr));
    dlg.SetText("a", 0);
    clock.AdvanceMillis(1'000'000);
    platform::Message msg;
    while (platform::PeekMessage(msg, {}, 0, 0, platform::PM_REMOVE))
        platform::DispatchMessage(msg);
    EXPECT_TRUE(dlg.Snapshot().visible);
    dlg.SetText("b", 2);
    clock.AdvanceMillis(2000);
    while (platform::PeekMessage(msg, {}, 0, 0, platform::PM_REMOVE))
        platform::DispatchMessage(msg);
    EXPECT_FALSE(dlg.Snapshot().visible);
    EXPECT_FALSE(dlg.IsWindowVisible());
    EXPECT_EQ(dlg.Snapshot().text, "b");
    ASSERT_NE(dlg.GetDlgItem(CWaitDlg::kIdText), nullptr);
    EXPECT_EQ(dlg.GetDlgItem(CWaitDlg::kIdText)->GetWindowText(), "b");
}

TEST(WaitDlgTest, EscapeAndCloseOnlyHide) {
    CWaitDlg dlg;
    ASSERT_TRUE(dlg.CreateModeless(nullptr));
    dlg.SetText("a", 0);
    EXPECT_TRUE(dlg.IsWindowVisible());
    platform::SendMessage(dlg.Handle(), platform::WM_CLOSE);
    EXPECT_TRUE(platform::IsWindow(dlg.Handle()));
    EXPECT_FALSE(dlg.IsWindowVisible());
    dlg.SetText("b", 0);
    EXPECT_TRUE(dlg.IsWindowVisible());
}

}  // namespace
}  // namespace client
