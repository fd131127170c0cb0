#include "platform/daily_log.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "platform/tests/temp_dir.h"
#include "platform/text.h"

namespace platform {
namespace {

TEST(DailyLogTest, LinesAppendAsUtf8ToTheProgramFoldersFileOfTheDay) {
    testing::TempDir dir;
    setenv("QEVO_PROGRAM_DIR", dir.path().c_str(), 1);
    EXPECT_EQ(DailyLogPath("KYXLog", {999, 12, 31, 0, 0, 0}), dir / "KYXLog09991231.log");
    const LocalDateTime day{2026, 12, 5, 9, 3, 7};
    EXPECT_TRUE(AppendDailyLogLine("Game", day, "first\r\n"));
    EXPECT_TRUE(AppendDailyLogLine("Game", day, "控件绑定失败\r\n"));
    EXPECT_EQ(dir.Read("Game20261205.log"), "first\r\n" + GbkToUtf8("控件绑定失败") + "\r\n");
    setenv("QEVO_PROGRAM_DIR", (dir / "missing/").c_str(), 1);
    EXPECT_FALSE(AppendDailyLogLine("Game", day, "x"));
    unsetenv("QEVO_PROGRAM_DIR");
}

}  // namespace
}  // namespace platform
