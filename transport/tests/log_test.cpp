#include "transport/log.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/daily_log.h"
#include "platform/text.h"
#include "transport/tests/temp_program_dir.h"

namespace transport {
namespace {

using platform::LocalDateTime;
using platform::ManualLocalTime;
using platform::ScopedLocalTime;
using testing::TempProgramDir;

// Each test starts from the defaults and puts them back.
class LogTest : public ::testing::Test {
  protected:
    LogTest() : time_({2026, 12, 5, 9, 3, 7}), scope_(time_) { LogOpen("KYXLog", 0x80008); }
    ~LogTest() override { LogOpen("KYXLog", 0x80008); }

    TempProgramDir dir_;
    ManualLocalTime time_;
    ScopedLocalTime scope_;
};

TEST_F(LogTest, DefaultLineGoesToTheDailyFile) {
    LogPrintf("packet length error! len = %ld", 5000L);
    EXPECT_EQ(dir_.Read("KYXLog20261205.log"),
              "2026/12/05  09:03:07  packet length error! len = 5000\r\n");
}

TEST_F(LogTest, LinesOfOneDayShareAFileAndMidnightStartsTheNext) {
    time_.Set({2026, 12, 5, 23, 59, 59});
    LogPrintf("one");
    LogPrintf("two");
    time_.Set({2026, 12, 6, 0, 0, 0});
    LogPrintf("three");
    EXPECT_EQ(dir_.Read("KYXLog20261205.log"),
              "2026/12/05  23:59:59  one\r\n2026/12/05  23:59:59  two\r\n");
    EXPECT_EQ(dir_.Read("KYXLog20261206.log"), "2026/12/06  00:00:00  three\r\n");
}

TEST_F(LogTest, OpenWithTheApplicationsNameAndFlags) {
    LogOpen("Game", 0xA001D);
    LogPrintf("%s %d", "x", 1);
    EXPECT_EQ(dir_.Read("Game20261205.log"), "2026/12/05  09:03:07  x 1\r\n");
}

TEST_F(LogTest, NullNameAndZeroFlagsKeepTheCurrentOnes) {
    LogOpen("Game", 0x80000);
    LogOpen(nullptr, 0);
    LogPrintf("kept");
    EXPECT_EQ(dir_.Read("Game20261205.log"), "2026/12/05  09:03:07  kept");
}

TEST_F(LogTest, WithoutTheFileBitNothingIsWritten) {
    LogOpen(nullptr, 0x8);
    LogPrintf("nowhere");
    EXPECT_FALSE(dir_.Exists("KYXLog20261205.log"));
}

TEST_F(LogTest, GbkMessageIsWrittenAsUtf8) {
    LogPrintf("%s", "错误的记分");
    EXPECT_EQ(dir_.Read("KYXLog20261205.log"),
              "2026/12/05  09:03:07  " + platform::GbkToUtf8("错误的记分") + "\r\n");
}

TEST_F(LogTest, OverlongMessageIsCutBelowTheBuffer) {
    LogPrintf("%s", std::string(10000, 'a').c_str());
    std::string text = dir_.Read("KYXLog20261205.log");
    EXPECT_EQ(text, "2026/12/05  09:03:07  " + std::string(kLogMessageSize - 1, 'a') + "\r\n");
}

TEST_F(LogTest, OverlongMessageNeverEndsInHalfACharacter) {
    // Double-byte characters only: a cut at 4095 bytes falls inside one.
    std::string message;
    while (message.size() < 6000)
        message += "\xB4\xED";
    LogPrintf("%s", message.c_str());
    std::string text = dir_.Read("KYXLog20261205.log");
    const std::string head = "2026/12/05  09:03:07  ";
    ASSERT_EQ(text.substr(0, head.size()), head);
    std::string body = text.substr(head.size(), text.size() - head.size() - 2);
    EXPECT_EQ(body.size(), 2047u * 3);  // whole characters, three UTF-8 bytes each
    EXPECT_EQ(body.find("\xEF\xBF\xBD"), std::string::npos) << "no replacement character";
}

TEST_F(LogTest, LogWriteTakesTheTextAsItIs) {
    LogWrite("100% done");
    LogWrite(nullptr);
    EXPECT_EQ(dir_.Read("KYXLog20261205.log"),
              "2026/12/05  09:03:07  100% done\r\n2026/12/05  09:03:07  \r\n");
}

TEST_F(LogTest, ConcurrentWritersLeaveWholeLines) {
    constexpr int kThreads = 4;
    constexpr int kLines = 50;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < kLines; ++i)
                LogPrintf("thread %d line %d", t, i);
        });
    for (auto& t : threads)
        t.join();
    std::string text = dir_.Read("KYXLog20261205.log");
    size_t lines = 0;
    for (size_t pos = 0; (pos = text.find("\r\n", pos)) != std::string::npos; pos += 2)
        ++lines;
    EXPECT_EQ(lines, size_t(kThreads * kLines));
    for (int t = 0; t < kThreads; ++t)
        EXPECT_NE(text.find("  thread " + std::to_string(t) + " line 49\r\n"), std::string::npos);
}

}  // namespace
}  // namespace transport
