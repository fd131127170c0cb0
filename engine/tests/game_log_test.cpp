#include "engine/game_log.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace engine {
namespace {

class CaptureSink : public GameLogSink {
  public:
    LocalTime Now() const override { return now; }
    void Append(const std::string& fileName, std::string_view line) override {
        files.push_back(fileName);
        lines.emplace_back(line);
    }
    LocalTime now{2026, 3, 5, 9, 7, 3};
    std::vector<std::string> files;
    std::vector<std::string> lines;
};

TEST(GameLogTest, LineFormatAndFileName) {
    CaptureSink sink;
    ScopedGameLogSink scope(sink);
    WriteGameLog("%s", "x");
    ASSERT_EQ(sink.lines.size(), 1u);
    EXPECT_EQ(sink.lines[0], "2026/03/05     09:07:03      x\r\n");
    EXPECT_EQ(sink.files[0], "Game20260305.log");
}

TEST(GameLogTest, FormatsLikePrintf) {
    CaptureSink sink;
    ScopedGameLogSink scope(sink);
    WriteGameLog("Apply %d of %u: %s", -3, 7u, "ok");
    EXPECT_EQ(sink.lines[0], "2026/03/05     09:07:03      Apply -3 of 7: ok\r\n");
}

TEST(GameLogTest, TwoCallsInOneSecondKeepTheirOrderAndStamp) {
    CaptureSink sink;
    ScopedGameLogSink scope(sink);
    WriteGameLog("first");
    WriteGameLogText("second");
    ASSERT_EQ(sink.lines.size(), 2u);
    EXPECT_EQ(sink.lines[0].substr(0, 29), sink.lines[1].substr(0, 29));
    EXPECT_NE(sink.lines[0].find("first"), std::string::npos);
    EXPECT_NE(sink.lines[1].find("second"), std::string::npos);
}

TEST(GameLogTest, ALineAfterMidnightGoesToTheNewDaysFile) {
    CaptureSink sink;
    ScopedGameLogSink scope(sink);
    sink.now = {2026, 12, 31, 23, 59, 59};
    WriteGameLog("old");
    sink.now = {2027, 1, 1, 0, 0, 0};
    WriteGameLog("new");
    EXPECT_EQ(sink.files[0], "Game20261231.log");
    EXPECT_EQ(sink.files[1], "Game20270101.log");
    EXPECT_EQ(sink.lines[1], "2027/01/01     00:00:00      new\r\n");
}

TEST(GameLogTest, LongMessagesAreCutWithoutSplittingACharacter) {
    CaptureSink sink;
    ScopedGameLogSink scope(sink);
    const std::string prefix = "2026/03/05     09:07:03      ";
    WriteGameLog("%s", std::string(5000, 'a').c_str());
    EXPECT_EQ(sink.lines[0].size(), prefix.size() + kGameLogMessageMax + 2);

    // 1022 ASCII bytes then double-byte characters: the cut falls inside one.
    std::string text(1022, 'b');
    for (int i = 0; i < 10; ++i)
        text += "\xC8\xB7";
    WriteGameLog("%s", text.c_str());
    EXPECT_EQ(sink.lines[1], prefix + std::string(1022, 'b') + "\r\n");
    WriteGameLogText(text);
    EXPECT_EQ(sink.lines[2], prefix + std::string(1022, 'b') + "\r\n");
    // A trail byte that looks like '\\' or '|' stays with its character.
    WriteGameLogText("\x81\x5C|");
    EXPECT_EQ(sink.lines[3], prefix + "\x81\x5C|\r\n");
}

class TempProgramDir : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("engine_game_log_" +
                std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                std::to_string(reinterpret_cast<uintptr_t>(this)));
        std::filesystem::create_directories(dir_);
        const char* old = std::getenv("QEVO_PROGRAM_DIR");
        if (old) old_ = old, hadOld_ = true;
        setenv("QEVO_PROGRAM_DIR", dir_.c_str(), 1);
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
    std::filesystem::path dir_;
    std::string old_;
    bool hadOld_ = false;
};

class FixedTimeFileSink : public DailyFileGameLogSink {
  public:
    LocalTime Now() const override { return {2026, 3, 5, 9, 7, 3}; }
};

TEST_F(TempProgramDir, AppendsToTheDailyFileAsUtf8) {
    FixedTimeFileSink sink;
    ScopedGameLogSink scope(sink);
    WriteGameLog("Oskel%s", "系统初始化开始...");
    WriteGameLog("second");
    const std::string content = Read("Game20260305.log");
    EXPECT_EQ(content, std::string("2026/03/05     09:07:03      Oskel") +
                           reinterpret_cast<const char*>(u8"系统初始化开始...") +
                           "\r\n2026/03/05     09:07:03      second\r\n");
}

TEST_F(TempProgramDir, AFileThatCannotBeOpenedIsSkipped) {
    std::filesystem::create_directories(dir_ / "Game20260305.log");  // a folder in the way
    FixedTimeFileSink sink;
    ScopedGameLogSink scope(sink);
    WriteGameLog("lost");  // no crash, no exception
    SUCCEED();
}

TEST(GameLogTest, DefaultTimeIsTheLocalWallClock) {
    CaptureSink capture;
    const LocalTime now = capture.GameLogSink::Now();
    EXPECT_GE(now.year, 2020);
    EXPECT_GE(now.month, 1);
    EXPECT_LE(now.month, 12);
    EXPECT_GE(now.day, 1);
    EXPECT_LE(now.day, 31);
}

}  // namespace
}  // namespace engine
