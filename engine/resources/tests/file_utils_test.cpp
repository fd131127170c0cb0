#include "engine/resources/file_utils.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "engine/resources/tests/log_capture.h"
#include "platform/text.h"

namespace engine {
namespace {

namespace fs = std::filesystem;

class ProgramDirTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("qevo_res_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_ / "Pics");
        ::setenv("QEVO_PROGRAM_DIR", dir_.c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv("QEVO_PROGRAM_DIR");
        fs::remove_all(dir_);
    }
    void Write(const fs::path& rel, const std::string& bytes) {
        std::ofstream(dir_ / rel, std::ios::binary) << bytes;
    }
    fs::path dir_;
};

TEST_F(ProgramDirTest, AppDirEndsWithSeparatorAndPrefixesNames) {
    EXPECT_EQ(GetAppDir(), dir_.string() + "/");
    EXPECT_EQ(MakeFullPath("a.ini"), dir_.string() + "/a.ini");
}

TEST_F(ProgramDirTest, FileExistsFindsFilesAndDirectories) {
    Write("Pics/t.bmp", "x");
    EXPECT_TRUE(FileExists("Pics"));
    EXPECT_TRUE(FileExists("Pics\\t.bmp"));
    EXPECT_TRUE(FileExists("pics\\T.BMP"));
    EXPECT_FALSE(FileExists("Pics\\u.bmp"));
}

TEST_F(ProgramDirTest, ReadWholeFileReadsBytesThroughEitherSeparator) {
    Write("Pics/data.bin", std::string("ab\0c", 4));
    auto bytes = ReadWholeFile(MakeFullPath("Pics\\data.bin"));
    ASSERT_TRUE(bytes);
    EXPECT_EQ(std::string(bytes->begin(), bytes->end()), std::string("ab\0c", 4));
    EXPECT_TRUE(ReadWholeFile(MakeFullPath("PICS/DATA.BIN")));
}

TEST_F(ProgramDirTest, GbkPathsReachFilesNamedInUtf8) {
    // The second character's trail byte is '\', which must not become a separator.
    const std::string gbkName = "图片\xB5\x5C.bin";
    Write(fs::path(platform::GbkToUtf8("Pics/" + gbkName)), "gbk");
    auto bytes = ReadWholeFile(MakeFullPath("pics\\" + gbkName));
    ASSERT_TRUE(bytes);
    EXPECT_EQ(std::string(bytes->begin(), bytes->end()), "gbk");
    EXPECT_TRUE(FileExists("Pics\\" + gbkName));
}

TEST_F(ProgramDirTest, ReadWholeFileReportsMissingFiles) {
    testing::LogCapture log;
    EXPECT_FALSE(ReadWholeFile(""));
    EXPECT_TRUE(log.lines().empty());
    EXPECT_FALSE(ReadWholeFile(MakeFullPath("nothing.png")));
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_TRUE(log.Contains("nothing.png"));
}

TEST(FileUtilsTest, ReadWholeFileCutsAVeryLongPathInItsLogLine) {
    testing::LogCapture log;
    EXPECT_FALSE(ReadWholeFile("/nonexistent/" + std::string(5000, 'p')));
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_LT(log.lines()[0].size(), 1024u);
}

TEST(FileUtilsTest, LowerCasingKeepsDoubleByteCharacters) {
    struct Case {
        std::string in, out;
    } cases[] = {
        {"ABC", "abc"},
        {"Pic\\Tile.BMP", "pic\\tile.bmp"},
        {"\xB0"
         "A"
         "B",
         "\xB0"
         "A"
         "b"},               // 'A' is the trail byte of a double-byte character
        {"X\xC8", "x\xC8"},  // a lead byte at the end stops there
        {"", ""},
    };
    for (auto& c : cases) {
        std::string text = c.in;
        StrToLowerAscii(text);
        EXPECT_EQ(text, c.out);
    }
}

TEST(FileUtilsTest, ExtensionsAndTitles) {
    struct Case {
        const char* path;
        const char* ext;
        const char* title;
    } cases[] = {
        {"pic\\Tile.BMP", ".BMP", "Tile"},
        {"a/b.c/name", "", "name"},
        {"x.tar.gz", ".gz", "x.tar"},
        {"dir\\", "", ""},
        {"", "", ""},
        // The trail byte of this character is '\' and must not split the path.
        {"\xB5\x5C"
         "a.png",
         ".png",
         "\xB5\x5C"
         "a"},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(GetFileExt(c.path), c.ext);
        EXPECT_EQ(GetFileTitle(c.path), c.title);
    }
}

TEST(FileUtilsTest, StrToIntTakesLeadingDigits) {
    EXPECT_EQ(StrToInt("42abc"), 42);
    EXPECT_EQ(StrToInt("  -7"), -7);
    EXPECT_EQ(StrToInt("x"), 0);
    EXPECT_EQ(StrToInt("99999999999999"), 2147483647);
}

TEST(FileUtilsTest, SplitStringKeepsInnerEmptyPiecesOnly) {
    struct Case {
        const char* text;
        std::vector<std::string> pieces;
    } cases[] = {
        {"1,,2,", {"1", "", "2"}},
        {"255,0,0", {"255", "0", "0"}},
        {"", {}},
        {",", {""}},
        {"a", {"a"}},
    };
    for (auto& c : cases) {
        std::vector<std::string> list;
        EXPECT_EQ(SplitString(c.text, list), c.pieces.size());
        EXPECT_EQ(list, c.pieces);
    }
    std::vector<std::string> list = {"kept"};
    EXPECT_EQ(SplitString("x,y", list), 3u);
}

TEST(FileUtilsTest, ExtractQuoted) {
    EXPECT_EQ(ExtractQuoted("f=\"宋体\""), "宋体");
    EXPECT_EQ(ExtractQuoted("plain"), "plain");
    EXPECT_EQ(ExtractQuoted("one\"quote"), "one\"quote");
    EXPECT_EQ(ExtractQuoted("\"a\"b\"c\""), "a\"b\"c");
    EXPECT_EQ(ExtractQuoted("\"\""), "");
}

TEST(FileUtilsTest, StretchBufferDoublesOrAddsExtra) {
    std::vector<uint32_t> words(10);
    for (uint32_t i = 0; i < 10; ++i)
        words[i] = i + 1;
    size_t capacity = 10;
    StretchBuffer(words, capacity, 0);
    EXPECT_EQ(capacity, 20u);
    ASSERT_EQ(words.size(), 20u);
    for (uint32_t i = 0; i < 10; ++i)
        EXPECT_EQ(words[i], i + 1);
    for (uint32_t i = 10; i < 20; ++i)
        EXPECT_EQ(words[i], 0u);
    StretchBuffer(words, capacity, 5);
    EXPECT_EQ(capacity, 25u);
    EXPECT_EQ(words.size(), 25u);
}

}  // namespace
}  // namespace engine
