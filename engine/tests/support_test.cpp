// The engine's clock, error box and game log.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "engine/engine_clock.h"
#include "engine/error_box.h"
#include "engine/game_log.h"
#include "platform/clock.h"
#include "platform/tests/temp_dir.h"

namespace engine {
namespace {

TEST(EngineClockTest, UpdateReadsTheTickCountWhichNowKeepsUntilTheNextUpdate) {
    platform::ManualClock clock(1'000'000);  // 1000 ms
    platform::ScopedClock scope(clock);
    EXPECT_EQ(EngineClock::Update(), 1000u);
    clock.AdvanceMillis(40);
    EXPECT_EQ(EngineClock::Now(), 1000u);
    EXPECT_EQ(EngineClock::Update(), 1040u);
    // Within a millisecond readings are equal; they never go back.
    for (int i = 0; i < 50; ++i) {
        clock.AdvanceMicros(300);
        const uint32_t last = EngineClock::Now(), now = EngineClock::Update();
        ASSERT_LE(now - last, 1u);
    }
}

std::string g_text, g_title;

TEST(ErrorBoxTest, TheTextCarriesTheSystemMessageIntoTheInstalledBox) {
    EXPECT_EQ(LastErrorText("x", 0), "x 由于以下错误而失败: ");
    SetErrorBoxFunction(
        [](std::string_view text, std::string_view title) { g_text = text, g_title = title; });
    errno = ENOENT;
    ShowLastError("打开文件");
    SetErrorBoxFunction(nullptr);
    EXPECT_EQ(g_text, std::string("打开文件 由于以下错误而失败: ") + "No such file or directory");
    EXPECT_EQ(g_title, "错误");
}

const std::string kStamp = "2026/03/05     09:07:03      ";

TEST(GameLogTest, LinesGoToTheDaysFileFormattedLikePrintfAndCut) {
    platform::testing::TempDir dir;
    setenv("QEVO_PROGRAM_DIR", dir.path().c_str(), 1);
    platform::ManualLocalTime time({2026, 3, 5, 9, 7, 3});
    platform::ScopedLocalTime scope(time);
    std::string cut(1022, 'b');
    for (int i = 0; i < 10; ++i)
        cut += "\xC8\xB7";  // the cut falls inside one of these
    WriteGameLog("Apply %d of %u: %s", -3, 7u, "ok");
    WriteGameLogText("second");
    WriteGameLog("Oskel%s", "系统初始化开始...");  // GBK here, UTF-8 in the file
    WriteGameLog("%s", cut.c_str());
    EXPECT_EQ(dir.Read("Game20260305.log"),
              kStamp + "Apply -3 of 7: ok\r\n" + kStamp + "second\r\n" + kStamp + "Oskel" +
                  reinterpret_cast<const char*>(u8"系统初始化开始...") + "\r\n" + kStamp +
                  std::string(1022, 'b') + "\r\n");
    // After midnight the new day's file; a file that cannot be opened is skipped.
    time.Set({2027, 1, 1, 0, 0, 0});
    WriteGameLog("new");
    EXPECT_EQ(dir.Read("Game20270101.log"), "2027/01/01     00:00:00      new\r\n");
    time.Set({2027, 1, 2, 0, 0, 0});
    std::filesystem::create_directories(dir / "Game20270102.log");  // a folder in the way
    WriteGameLog("lost");
    EXPECT_TRUE(std::filesystem::is_directory(dir / "Game20270102.log"));
    unsetenv("QEVO_PROGRAM_DIR");
}

TEST(GameLogLineTest, LongMessagesAreCutWithoutSplittingACharacter) {
    const platform::LocalDateTime when{2026, 3, 5, 9, 7, 3};
    EXPECT_EQ(FormatGameLogLine(when, std::string(5000, 'a')),
              kStamp + std::string(kGameLogMessageMax, 'a') + "\r\n");
    EXPECT_EQ(FormatGameLogLine(when, "\x81\x5C|"), kStamp + "\x81\x5C|\r\n");  // a '\' trail
}

}  // namespace
}  // namespace engine
