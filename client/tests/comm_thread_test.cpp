#include "client/comm_thread.h"

#include <gtest/gtest.h>

#include <thread>

#include "client/game_app.h"
#include "platform/clock.h"
#include "platform/gui/display.h"
#include "platform/gui/wnd.h"
#include "platform/message_queue.h"
#include "platform/tests/temp_dir.h"
#include "transport/notice.h"

namespace client {
namespace {

// Spins (yielding) until `done` holds; false after a generous bound.
template <class F>
bool Eventually(F done) {
    for (int i = 0; i < 20'000'000; ++i) {
        if (done()) return true;
        std::this_thread::yield();
    }
    return false;
}

platform::Payload Notice(uint32_t code, size_t bytes) {
    auto records = std::make_unique<transport::TransportNoticeRecords>();
    records->notice.head[1] = code;
    records->notice.length = uint32_t(bytes);
    if (bytes) records->notice.data = std::make_unique<uint8_t[]>(bytes);
    return platform::Payload::From(std::move(records));
}

bool PostNotice(const CGameCommThread& t, uint32_t code, size_t bytes = 8) {
    return platform::PostThreadMessage(t.Id(), transport::kNoticeMessage, 0, 0,
                                       Notice(code, bytes));
}

class CommThreadTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::Message m;
        platform::PeekMessage(m, {}, 0, 0, platform::PM_NOREMOVE);
        ASSERT_TRUE(thread_.Start());
    }
    std::unique_ptr<transport::TransportNoticeRecords> NextNotice() {
        std::unique_ptr<transport::TransportNoticeRecords> out;
        Eventually([&] {
            platform::Message msg;
            while (!out && platform::PeekMessage(msg, {}, 0, 0, platform::PM_REMOVE))
                if (msg.message == transport::kNoticeMessage)
                    out = msg.payload.Take<transport::TransportNoticeRecords>();
            return out != nullptr;
        });
        return out;
    }

    CGameCommThread thread_;
};

TEST_F(CommThreadTest, NoticeBeforeTheForwardWindowIsFreed) {
    ASSERT_TRUE(PostNotice(thread_, 222001));
    EXPECT_TRUE(Eventually([&] { return thread_.Dropped() == 1; }));
    EXPECT_EQ(thread_.Relayed(), 0u);
}

TEST_F(CommThreadTest, NoticesGoToTheForwardWindowInOrder) {
    platform::Window target;
    ASSERT_TRUE(target.Create());
    platform::PostThreadMessage(thread_.Id(), kMsgCommForward, platform::ToWParam(target.Handle()));
    ASSERT_TRUE(PostNotice(thread_, 1001, 3));
    ASSERT_TRUE(PostNotice(thread_, 1002, 0));
    auto first = NextNotice();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->notice.Code(), 1001u);
    EXPECT_EQ(first->notice.Bytes().size(), 3u);
    auto second = NextNotice();
    ASSERT_TRUE(second);
    EXPECT_EQ(second->notice.Code(), 1002u);
    EXPECT_EQ(thread_.Relayed(), 2u);
}

TEST_F(CommThreadTest, NoticeAfterTheWindowWentIsFreed) {
    auto target = std::make_unique<platform::Window>();
    ASSERT_TRUE(target->Create());
    platform::PostThreadMessage(thread_.Id(), kMsgCommForward,
                                platform::ToWParam(target->Handle()));
    target.reset();
    ASSERT_TRUE(PostNotice(thread_, 5));
    EXPECT_TRUE(Eventually([&] { return thread_.Dropped() == 1; }));
}

TEST_F(CommThreadTest, StatusTextsShowAndHideTheWaitDialog) {
    platform::PostThreadMessage(thread_.Id(), kMsgStatusText, 0, 0,
                                platform::Payload::Make<std::string>("正在连接"));
    EXPECT_TRUE(Eventually([&] { return thread_.Status().visible; }));
    EXPECT_EQ(thread_.Status().text, "正在连接");
    platform::PostThreadMessage(thread_.Id(), kMsgStatusText, 0, 0);
    EXPECT_TRUE(Eventually([&] { return !thread_.Status().visible; }));
    EXPECT_EQ(thread_.Status().text, "正在连接");
}

TEST(CommThreadDisplayTest, TheWaitDialogIsAWindowOfTheDisplayShownWithItsText) {
    auto previous = platform::GetDisplay();
    auto display = std::make_shared<platform::HeadlessDisplay>();
    platform::SetDisplay(display);
    {
        CGameCommThread thread;
        ASSERT_TRUE(thread.Start());
        const auto id = thread.WaitWindow().value;
        ASSERT_TRUE(display->HasWindow(id));
        EXPECT_FALSE(display->IsShown(id));  // hidden until a status text comes
        EXPECT_TRUE(display->IsPopup(id));
        platform::PostThreadMessage(thread.Id(), kMsgStatusText, 0, 0,
                                    platform::Payload::Make<std::string>("正在连接"));
        ASSERT_TRUE(Eventually([&] { return thread.Status().visible; }));
        EXPECT_TRUE(display->IsShown(id));
        // The text is painted: some pixels differ from the dialog's face.
        EXPECT_TRUE(Eventually([&] {
            const platform::Surface shown = display->Screen(id);
            if (shown.Empty()) return false;
            for (int y = 0; y < shown.Height(); ++y)
                for (int x = 0; x < shown.Width(); ++x)
                    if (shown.At(x, y) != shown.At(0, 0)) return true;
            return false;
        }));
        platform::PostThreadMessage(thread.Id(), kMsgStatusText, 0, 0);
        ASSERT_TRUE(Eventually([&] { return !thread.Status().visible; }));
        EXPECT_FALSE(display->IsShown(id));
        EXPECT_TRUE(thread.Stop());
        EXPECT_FALSE(display->HasWindow(id));
    }
    platform::SetDisplay(previous);
}

TEST_F(CommThreadTest, StopEndsTheThread) {
    EXPECT_TRUE(thread_.Running());
    EXPECT_TRUE(thread_.Stop());
    EXPECT_FALSE(thread_.Running());
    EXPECT_FALSE(PostNotice(thread_, 5));  // its queue is gone; the post frees the records
}

TEST(CommThreadClockTest, StatusWithSecondsHidesOnTheClock) {
    platform::ManualClock clock;
    platform::ScopedClock scoped(clock);
    CGameCommThread thread;
    ASSERT_TRUE(thread.Start());
    platform::PostThreadMessage(thread.Id(), kMsgStatusText, 0, 3,
                                platform::Payload::Make<std::string>("x"));
    ASSERT_TRUE(Eventually([&] { return thread.Status().visible; }));
    clock.AdvanceMillis(3000);
    EXPECT_TRUE(Eventually([&] { return !thread.Status().visible; }));
}

TEST(CommThreadAppTest, StatusPostsOnlyWithAThread) {
    CGameApp app("Qevo", 31201, 14, 0);
    app.ShowStatus("nothing happens", 1);  // no thread yet
    ASSERT_TRUE(app.StartCommThread());
    app.ShowStatusEx("shown", 0);
    EXPECT_TRUE(Eventually([&] { return app.CommThread()->Status().text == "shown"; }));
    app.ShowStatus(nullptr, 0);
    EXPECT_TRUE(Eventually([&] { return !app.CommThread()->Status().visible; }));
    app.StopCommThread();
    EXPECT_EQ(app.CommThreadId(), 0u);
}

TEST(CommThreadSkinTest, TheWaitDialogStartsWithTheProgramsSkin) {
    platform::testing::TempDir dir;
    setenv("QEVO_PROGRAM_DIR", dir.path().c_str(), 1);
    dir.Write("skin.ini", "[CommColors]\r\nWaitBarbg=9 9 9\r\n");
    dir.Write("Qevo.ini", "[SKIN]\r\nPath=" + (dir / "skin.ini") + "\r\n");
    {
        CGameApp app("Qevo", 31201, 14, 0);
        ASSERT_TRUE(app.StartCommThread());
        EXPECT_TRUE(
            Eventually([&] { return app.CommThread()->Status().barBackground == 0x090909u; }));
    }
    unsetenv("QEVO_PROGRAM_DIR");
}

}  // namespace
}  // namespace client
