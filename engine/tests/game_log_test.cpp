#include "engine/game_log.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/daily_log.h"

namespace engine {
namespace {

const std::string kStamp = "2026/03/05     09:07:03      ";

// A program folder of its own and a local time the test sets.
class GameLogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("engine_game_log_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        if (const char* old = std::getenv("QEVO_PROGRAM_DIR")) {
            old_ = old;
            hadOld_ = true;
        }
        setenv("QEVO_PROGRAM_DIR", (dir_.string() + "/").c_str(), 1);
    }
    void TearDown() override {
        if (hadOld_) {
            setenv("QEVO_PROGRAM_DIR", old_.c_str(), 1);
        } else {
            unsetenv("QEVO_PROGRAM_DIR");
        }
        std::filesystem::remove_all(dir_);
    }
    std::string Read(const std::string& name) {
        std::ifstream in(dir_ / name, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }

    platform::ManualLocalTime time_{{2026, 3, 5, 9, 7, 3}};
    platform::ScopedLocalTime scope_{time_};
    std::filesystem::path dir_;
    std::string old_;
    bool hadOld_ = false;
};

TEST_F(GameLogTest, OneLineInTheDaysFile) {
    WriteGameLog("%s", "x");
    EXPECT_EQ(Read("Game20260305.log"), kStamp + "x\r\n");
}

TEST_F(GameLogTest, FormatsLikePrintf) {
    WriteGameLog("Apply %d of %u: %s", -3, 7u, "ok");
    EXPECT_EQ(Read("Game20260305.log"), kStamp + "Apply -3 of 7: ok\r\n");
}

TEST_F(GameLogTest, TwoCallsInOneSecondKeepTheirOrderAndStamp) {
    WriteGameLog("first");
    WriteGameLogText("second");
    EXPECT_EQ(Read("Game20260305.log"), kStamp + "first\r\n" + kStamp + "second\r\n");
}

TEST_F(GameLogTest, ALineAfterMidnightGoesToTheNewDaysFile) {
    time_.Set({2026, 12, 31, 23, 59, 59});
    WriteGameLog("old");
    time_.Set({2027, 1, 1, 0, 0, 0});
    WriteGameLog("new");
    EXPECT_EQ(Read("Game20261231.log"), "2026/12/31     23:59:59      old\r\n");
    EXPECT_EQ(Read("Game20270101.log"), "2027/01/01     00:00:00      new\r\n");
}

TEST_F(GameLogTest, ChineseTextIsWrittenAsUtf8) {
    WriteGameLog("Oskel%s", "系统初始化开始...");
    // gcc stores the literal above as GBK; the file must hold UTF-8 either way.
    EXPECT_EQ(Read("Game20260305.log"),
              kStamp + "Oskel" + reinterpret_cast<const char*>(u8"系统初始化开始...") + "\r\n");
}

TEST_F(GameLogTest, AFileThatCannotBeOpenedIsSkipped) {
    std::filesystem::create_directories(dir_ / "Game20260305.log");  // a folder in the way
    WriteGameLog("lost");                                            // returns normally
    EXPECT_TRUE(std::filesystem::is_directory(dir_ / "Game20260305.log"));
}

TEST(GameLogLineTest, LongMessagesAreCutWithoutSplittingACharacter) {
    const platform::LocalDateTime when{2026, 3, 5, 9, 7, 3};
    EXPECT_EQ(FormatGameLogLine(when, std::string(5000, 'a')),
              kStamp + std::string(kGameLogMessageMax, 'a') + "\r\n");
    // 1022 ASCII bytes then double-byte characters: the cut falls inside one.
    std::string text(1022, 'b');
    for (int i = 0; i < 10; ++i)
        text += "\xC8\xB7";
    EXPECT_EQ(FormatGameLogLine(when, text), kStamp + std::string(1022, 'b') + "\r\n");
    // A trail byte that looks like '\\' stays with its character.
    EXPECT_EQ(FormatGameLogLine(when, "\x81\x5C|"), kStamp + "\x81\x5C|\r\n");
}

TEST_F(GameLogTest, FormattedMessagesAreCutLikeWise) {
    std::string text(1022, 'b');
    for (int i = 0; i < 10; ++i)
        text += "\xC8\xB7";
    WriteGameLog("%s", text.c_str());
    const std::string content = Read("Game20260305.log");
    EXPECT_EQ(content, kStamp + std::string(1022, 'b') + "\r\n");
}

}  // namespace
}  // namespace engine
