#include "client/comm_thread.h"

#include <gtest/gtest.h>

#include <thread>

#include "client/game_app.h"
#include "client/tests/ui_fixture.h"
#include "platform/clock.h"
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

bool PostNotice(const CGameCommThread& t, uint32_t code, size_t bytes = 8) {
    auto records = std::make_unique<transport::TransportNoticeRecords>();
    records->notice.head[1] = code;
    records->notice.length = uint32_t(bytes);
    if (bytes) records->notice.data = std::make_unique<uint8_t[]>(bytes);
    return platform::PostThreadMessage(t.Id(), transport::kNoticeMessage, 0, 0,
                                       platform::Payload::From(std::move(records)));
}

// Notices go to the window named last, in order; with no window, or one
// that is gone, they are freed.
TEST(CommThreadTest, NoticesGoToTheForwardWindowOrAreFreed) {
    platform::Message m;
    platform::PeekMessage(m, {}, 0, 0, platform::PM_NOREMOVE);
    CGameCommThread thread;
    ASSERT_TRUE(thread.Start());
    ASSERT_TRUE(PostNotice(thread, 222001));
    EXPECT_TRUE(Eventually([&] { return thread.Dropped() == 1; }));

    auto target = std::make_unique<platform::Window>();
    ASSERT_TRUE(target->Create());
    platform::PostThreadMessage(thread.Id(), kMsgCommForward, platform::ToWParam(target->Handle()));
    ASSERT_TRUE(PostNotice(thread, 1001, 3));
    ASSERT_TRUE(PostNotice(thread, 1002, 0));
    std::vector<std::pair<uint32_t, size_t>> got;
    EXPECT_TRUE(Eventually([&] {
        while (platform::PeekMessage(m, {}, 0, 0, platform::PM_REMOVE))
            if (auto r = m.payload.Take<transport::TransportNoticeRecords>())
                got.emplace_back(r->notice.Code(), r->notice.Bytes().size());
        return got.size() == 2;
    }));
    EXPECT_EQ(got, (std::vector<std::pair<uint32_t, size_t>>{{1001, 3}, {1002, 0}}));
    EXPECT_EQ(thread.Relayed(), 2u);

    target.reset();
    ASSERT_TRUE(PostNotice(thread, 5));
    EXPECT_TRUE(Eventually([&] { return thread.Dropped() == 2; }));
    EXPECT_TRUE(thread.Stop());
    EXPECT_FALSE(thread.Running());
    EXPECT_FALSE(PostNotice(thread, 5));  // its queue is gone; the post frees the records
}

TEST(CommThreadTest, StatusTextsShowTheWaitDialogOnTheDisplayAndSecondsHideIt) {
    testing::UiFixture ui(false);
    platform::ManualClock clock;
    platform::ScopedClock scoped(clock);
    CGameCommThread thread;
    ASSERT_TRUE(thread.Start());
    const auto id = thread.WaitWindow().value;
    ASSERT_TRUE(ui.display->HasWindow(id));
    EXPECT_FALSE(ui.display->IsShown(id));  // hidden until a status text comes
    EXPECT_TRUE(ui.display->IsPopup(id));
    platform::PostThreadMessage(thread.Id(), kMsgStatusText, 0, 0,
                                platform::Payload::Make<std::string>("正在连接"));
    ASSERT_TRUE(Eventually([&] { return thread.Status().visible; }));
    EXPECT_TRUE(ui.display->IsShown(id));
    EXPECT_EQ(thread.Status().text, "正在连接");
    // The text is painted: some pixels differ from the dialog's face.
    EXPECT_TRUE(Eventually([&] {
        const platform::Surface shown = ui.display->Screen(id);
        return !shown.Empty() &&
               std::any_of(shown.Data(), shown.Data() + shown.Width() * shown.Height(),
                           [&](uint32_t p) { return p != shown.At(0, 0); });
    }));
    platform::PostThreadMessage(thread.Id(), kMsgStatusText, 0, 0);  // no text: hide
    ASSERT_TRUE(Eventually([&] { return !thread.Status().visible; }));
    EXPECT_FALSE(ui.display->IsShown(id));
    EXPECT_EQ(thread.Status().text, "正在连接");

    platform::PostThreadMessage(thread.Id(), kMsgStatusText, 0, 3,
                                platform::Payload::Make<std::string>("x"));
    ASSERT_TRUE(Eventually([&] { return thread.Status().visible; }));
    clock.AdvanceMillis(3000);
    EXPECT_TRUE(Eventually([&] { return !thread.Status().visible; }));
    EXPECT_TRUE(thread.Stop());
    EXPECT_FALSE(ui.display->HasWindow(id));
}

}  // namespace
}  // namespace client
