#include "transport/log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/daily_log.h"
#include "platform/text.h"
#include "transport/tests/temp_program_dir.h"

namespace transport {
namespace {

// Each test starts from the defaults and puts them back.
class LogTest : public ::testing::Test {
  protected:
    LogTest() : time_({2026, 12, 5, 9, 3, 7}), scope_(time_) { LogOpen("KYXLog", 0x80008); }
    ~LogTest() override { LogOpen("KYXLog", 0x80008); }

    static constexpr const char* kStamp = "2026/12/05  09:03:07  ";
    testing::TempProgramDir dir_;
    platform::ManualLocalTime time_;
    platform::ScopedLocalTime scope_;
};

TEST_F(LogTest, LinesGoToTheDailyFileOfTheirDay) {
    LogPrintf("packet length error! len = %ld", 5000L);
    LogWrite("100% done");  // taken as it is
    LogWrite(nullptr);
    LogPrintf("%s", "错误的记分");  // written as UTF-8
    time_.Set({2026, 12, 6, 0, 0, 0});
    LogPrintf("next day");
    EXPECT_EQ(dir_.Read("KYXLog20261205.log"), std::string(kStamp) +
                                                   "packet length error! len = 5000\r\n" + kStamp +
                                                   "100% done\r\n" + kStamp + "\r\n" + kStamp +
                                                   platform::GbkToUtf8("错误的记分") + "\r\n");
    EXPECT_EQ(dir_.Read("KYXLog20261206.log"), "2026/12/06  00:00:00  next day\r\n");
}

TEST_F(LogTest, OpenReplacesTheNameAndFlagsItIsGiven) {
    LogOpen("Game", 0xA001D);
    LogPrintf("%s %d", "x", 1);
    LogOpen(nullptr, 0x80000);  // without the line-end bit
    LogPrintf("kept");
    LogOpen(nullptr, 0);
    LogPrintf("!");
    EXPECT_EQ(dir_.Read("Game20261205.log"),
              std::string(kStamp) + "x 1\r\n" + kStamp + "kept" + kStamp + "!");
    LogOpen("Other", 0x8);  // without the file bit
    LogPrintf("nowhere");
    EXPECT_FALSE(std::filesystem::exists(dir_ / "Other20261205.log"));
}

TEST_F(LogTest, OverlongMessagesAreCutAtACharacterBoundary) {
    LogPrintf("%s", std::string(10000, 'a').c_str());
    EXPECT_EQ(dir_.Read("KYXLog20261205.log"),
              kStamp + std::string(kLogMessageSize - 1, 'a') + "\r\n");
    // Double-byte characters only: a cut at 4095 bytes falls inside one.
    LogOpen("Wide", 0);
    std::string message;
    while (message.size() < 6000)
        message += "\xB4\xED";
    LogPrintf("%s", message.c_str());
    const std::string text = dir_.Read("Wide20261205.log");
    const std::string body = text.substr(22, text.size() - 24);
    EXPECT_EQ(body.size(), 2047u * 3);  // whole characters, three UTF-8 bytes each
    EXPECT_EQ(body.find("\xEF\xBF\xBD"), std::string::npos) << "no replacement character";
}

TEST_F(LogTest, ConcurrentWritersLeaveWholeLines) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 50; ++i)
                LogPrintf("thread %d line %d", t, i);
        });
    for (auto& t : threads)
        t.join();
    const std::string text = dir_.Read("KYXLog20261205.log");
    size_t lines = 0;
    for (size_t pos = 0; (pos = text.find("\r\n", pos)) != std::string::npos; pos += 2)
        ++lines;
    EXPECT_EQ(lines, 200u);
    for (int t = 0; t < 4; ++t)
        EXPECT_NE(text.find("  thread " + std::to_string(t) + " line 49\r\n"), std::string::npos);
}

}  // namespace
}  // namespace transport
