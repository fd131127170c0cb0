// The program's clock channel as a test meets it: a Unix socket the test
// listens on, "step" lines that move the process clock, and "rest" lines
// each time the user-interface thread has run out of work.
#include "mahjong/app/clock_channel.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <string>
#include <thread>

#include "platform/clock.h"
#include "platform/gui/gui_messages.h"
#include "platform/message_queue.h"
#include "platform/tests/temp_dir.h"
#include "platform/thread.h"
#include "tools/screen/clock_conductor.h"
#include "transport/notice.h"

namespace mahjong {
namespace {

TEST(ClockChannelTest, TheTestsStepsMoveTheClockAndTheProgramSaysWhenItRests) {
    platform::testing::TempDir dir;
    const std::string path = dir.path() + "clock.sock";
    screen::ClockConductor test(path);
    ASSERT_TRUE(test.Listening());
    setenv(ClockChannel::kVariable, path.c_str(), 1);

    std::atomic<uint64_t> requests{0};
    std::atomic<int> fired{0};
    std::atomic<int64_t> firedAt{0};
    std::atomic<platform::DWORD> ui{0};
    std::atomic<bool> ended{false};
    std::thread program([&] {
        std::string error;
        auto channel = ClockChannel::FromEnvironment(&error);
        ASSERT_NE(channel, nullptr) << error;
        channel->Attach([&] { return requests.load(); });
        platform::SetTimer({}, 0, 1000, [&](auto...) {
            if (++fired == 1) firedAt = platform::CurrentClock().NowMicros();
        });
        ui = platform::GetCurrentThreadId();
        platform::RunMessageLoop();
        ended = true;
    });
    ASSERT_TRUE(test.Accept(10000));
    EXPECT_EQ(test.Next(10000), "rest 0 0 0 0 0 0");

    // What the line counts: steps, requests, notices, pointer buttons.
    struct Case {
        const char* act;  // a step, or a message the program gets
        std::string rest;
        int fired;
    };
    const Case cases[] = {
        {"notice", "rest 0 0 1 0 0 0", 0},
        {"step 600", "rest 1 0 1 0 0 0", 0},
        {"button", "rest 1 0 1 1 0 0", 0},
        {"step 400", "rest 2 0 1 1 0 0", 1},  // the timer ran before the rest
        {"request step 0", "rest 3 1 1 1 0 0", 1},
        {"step 2500", "rest 4 1 1 1 0 0", 2},  // a timer fires once per wait
    };
    for (const Case& c : cases) {
        const std::string act = c.act;
        if (act == "notice") {
            platform::PostThreadMessage(ui, transport::kNoticeMessage);
        } else if (act == "button") {
            platform::PostThreadMessage(ui, platform::WM_LBUTTONDOWN);
        } else {
            if (act.rfind("request", 0) == 0) ++requests;
            test.Step(std::stol(act.substr(act.find("step") + 5)));
        }
        EXPECT_EQ(test.Next(10000), c.rest) << act;
        EXPECT_EQ(fired, c.fired) << act;
    }
    EXPECT_EQ(firedAt, ClockChannel::kStartMicros + 1000 * 1000) << "the clock moved by the steps";
    EXPECT_EQ(platform::CurrentClock().NowMicros(), ClockChannel::kStartMicros + 3500 * 1000);

    // Without the test there is nobody to move time: the program ends.
    test.Hangup();
    program.join();
    EXPECT_TRUE(ended);
    unsetenv(ClockChannel::kVariable);
}

TEST(ClockChannelTest, WithoutTheVariableNothingChangesAndANamedChannelMustBeThere) {
    platform::testing::TempDir dir;
    unsetenv(ClockChannel::kVariable);
    std::string error;
    EXPECT_EQ(ClockChannel::FromEnvironment(&error), nullptr);
    EXPECT_EQ(error, "");
    const int64_t before = platform::CurrentClock().NowMicros();
    EXPECT_NE(before, ClockChannel::kStartMicros) << "the system clock";

    const std::string nobody = dir.path() + "nobody.sock";
    setenv(ClockChannel::kVariable, nobody.c_str(), 1);
    EXPECT_EQ(ClockChannel::FromEnvironment(&error), nullptr);
    EXPECT_EQ(error, "no test listens on the clock channel " + nobody);
    EXPECT_NE(platform::CurrentClock().NowMicros(), ClockChannel::kStartMicros);
    unsetenv(ClockChannel::kVariable);
}

}  // namespace
}  // namespace mahjong
