#include "platform/daily_log.h"

#include <gtest/gtest.h>

#include "platform/text.h"
#include "transport/tests/temp_program_dir.h"

namespace platform {
namespace {

using transport::testing::TempProgramDir;

TEST(DailyLogTest, PathIsProgramFolderNameAndLocalDate) {
    TempProgramDir dir;
    EXPECT_EQ(DailyLogPath("Game", {2026, 1, 2, 3, 4, 5}), dir.path() + "Game20260102.log");
    EXPECT_EQ(DailyLogPath("KYXLog", {999, 12, 31, 0, 0, 0}), dir.path() + "KYXLog09991231.log");
}

TEST(DailyLogTest, AppendsLinesAsUtf8) {
    TempProgramDir dir;
    const LocalDateTime day{2026, 12, 5, 9, 3, 7};
    EXPECT_TRUE(AppendDailyLogLine("Game", day, "first\r\n"));
    EXPECT_TRUE(AppendDailyLogLine("Game", day, "控件绑定失败\r\n"));
    EXPECT_EQ(dir.Read("Game20261205.log"), "first\r\n" + GbkToUtf8("控件绑定失败") + "\r\n");
}

TEST(DailyLogTest, UnwritableFolderIsReported) {
    TempProgramDir dir;
    setenv("QEVO_PROGRAM_DIR", (dir.path() + "missing/").c_str(), 1);
    EXPECT_FALSE(AppendDailyLogLine("Game", {2026, 1, 1, 0, 0, 0}, "x"));
}

TEST(DailyLogTest, ScopedLocalTimeReplacesAndRestoresTheSource) {
    ManualLocalTime manual({2030, 6, 7, 8, 9, 10});
    {
        ScopedLocalTime scope(manual);
        LocalDateTime now = LocalNow();
        EXPECT_EQ(now.year, 2030);
        EXPECT_EQ(now.second, 10);
    }
    LocalDateTime now = LocalNow();
    EXPECT_GE(now.year, 2024);
    EXPECT_GE(now.month, 1);
    EXPECT_LE(now.month, 12);
}

}  // namespace
}  // namespace platform
