#include "engine/resources/file_utils.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "pictures/tests/log_capture.h"
#include "platform/tests/temp_dir.h"
#include "platform/text.h"

namespace engine {
namespace {

TEST(FileUtilsTest, ProgramDirFilesAreFoundThroughEitherSeparatorAndAnyCase) {
    platform::testing::TempDir dir;
    ::setenv("QEVO_PROGRAM_DIR", dir.path().c_str(), 1);
    std::filesystem::create_directories(dir / "Pics");
    // The name's second character has '\' for a trail byte: no separator.
    const std::string gbkName = "图片\xB5\x5C.bin";
    dir.Write(platform::GbkToUtf8("Pics/" + gbkName), std::string("ab\0c", 4));
    EXPECT_EQ(GetAppDir(), dir.path());
    EXPECT_EQ(MakeFullPath("a.ini"), dir / "a.ini");
    EXPECT_TRUE(FileExists("Pics") && FileExists("pics\\" + gbkName));
    EXPECT_FALSE(FileExists("Pics\\u.bin"));
    const auto bytes = ReadWholeFile(MakeFullPath("PICS/" + gbkName));
    ASSERT_TRUE(bytes);
    EXPECT_EQ(std::string(bytes->begin(), bytes->end()), std::string("ab\0c", 4));
    ::unsetenv("QEVO_PROGRAM_DIR");
    // A missing file is logged by name, a very long name cut in the line; an
    // empty path is no file at all.
    testing::LogCapture log;
    EXPECT_FALSE(ReadWholeFile(""));
    EXPECT_TRUE(log.lines().empty());
    EXPECT_FALSE(ReadWholeFile(dir / "nothing.png"));
    EXPECT_FALSE(ReadWholeFile("/nonexistent/" + std::string(5000, 'p')));
    ASSERT_EQ(log.lines().size(), 2u);
    EXPECT_TRUE(log.Contains("nothing.png"));
    EXPECT_LT(log.lines()[1].size(), 1024u);
}

TEST(FileUtilsTest, TextHelpersKeepDoubleByteCharactersWhole) {
    // 'A' is the trail byte of the first character; a lead byte at the end stops there.
    for (auto [in, out] : {std::pair<std::string, std::string>{"Pic\\Tile.BMP", "pic\\tile.bmp"},
                           {"\xB0\x41\x42", "\xB0\x41\x62"},
                           {"X\xC8", "x\xC8"}}) {
        StrToLowerAscii(in);
        EXPECT_EQ(in, out);
    }
    const char* paths[][3] = {{"pic\\Tile.BMP", ".BMP", "Tile"},
                              {"a/b.c/name", "", "name"},
                              {"x.tar.gz", ".gz", "x.tar"},
                              {"dir\\", "", ""},
                              {"\xB5\x5C\x61.png", ".png", "\xB5\x5C\x61"}};
    for (const auto& p : paths) {
        EXPECT_EQ(GetFileExt(p[0]), p[1]) << p[0];
        EXPECT_EQ(GetFileTitle(p[0]), p[2]) << p[0];
    }
    for (auto [text, value] :
         {std::pair{"42abc", 42}, {"  -7", -7}, {"x", 0}, {"99999999999999", 2147483647}})
        EXPECT_EQ(StrToInt(text), value) << text;
    std::vector<std::string> list = {"kept"};
    EXPECT_EQ(SplitString("1,,2,", list), 4u);  // inner empty pieces only
    EXPECT_EQ(list, (std::vector<std::string>{"kept", "1", "", "2"}));
    EXPECT_EQ(SplitString(",", list), 5u);
    EXPECT_EQ(SplitString("", list), 5u);
    for (auto [text, inner] : {std::pair{"f=\"宋体\"", "宋体"},
                               {"one\"quote", "one\"quote"},
                               {"\"a\"b\"c\"", "a\"b\"c"},
                               {"\"\"", ""}})
        EXPECT_EQ(ExtractQuoted(text), inner);
    std::vector<uint32_t> words = {1, 2, 3};
    size_t capacity = 3;
    StretchBuffer(words, capacity, 0);
    EXPECT_EQ(words, (std::vector<uint32_t>{1, 2, 3, 0, 0, 0}));
    StretchBuffer(words, capacity, 5);
    EXPECT_EQ(words.size() + capacity, 22u);
}

}  // namespace
}  // namespace engine
