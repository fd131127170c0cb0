#include "engine/resources/file_utils.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "engine/resources/tests/log_capture.h"
#include "platform/tests/temp_dir.h"
#include "platform/text.h"

namespace engine {
namespace {

TEST(FileUtilsTest, ProgramDirFilesAreFoundThroughEitherSeparatorAndAnyCase) {
    platform::testing::TempDir dir;
    ::setenv("QEVO_PROGRAM_DIR", dir.path().c_str(), 1);
    std::filesystem::create_directories(dir / "Pics");
    dir.Write("Pics/data.bin", std::string("ab\0c", 4));
    // The second character's trail byte is '\', which must not become a separator.
    const std::string gbkName = "图片\xB5\x5C.bin";
    dir.Write(platform::GbkToUtf8("Pics/" + gbkName), "gbk");
    EXPECT_EQ(GetAppDir(), dir.path());
    EXPECT_EQ(MakeFullPath("a.ini"), dir / "a.ini");
    EXPECT_TRUE(FileExists("Pics"));
    EXPECT_TRUE(FileExists("pics\\DATA.BIN"));
    EXPECT_FALSE(FileExists("Pics\\u.bin"));
    EXPECT_TRUE(FileExists("Pics\\" + gbkName));
    const std::pair<std::string, std::string> reads[] = {
        {"Pics\\data.bin", std::string("ab\0c", 4)},
        {"PICS/DATA.BIN", std::string("ab\0c", 4)},
        {"pics\\" + gbkName, "gbk"}};
    for (const auto& [name, bytes] : reads) {
        auto got = ReadWholeFile(MakeFullPath(name));
        ASSERT_TRUE(got) << name;
        EXPECT_EQ(std::string(got->begin(), got->end()), bytes);
    }
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
    const std::pair<std::string, std::string> lowered[] = {
        {"Pic\\Tile.BMP", "pic\\tile.bmp"},
        {"\xB0"
         "AB",
         "\xB0"
         "Ab"},              // 'A' is the trail byte of a double-byte character
        {"X\xC8", "x\xC8"},  // a lead byte at the end stops there
    };
    for (auto [in, out] : lowered) {
        StrToLowerAscii(in);
        EXPECT_EQ(in, out);
    }
    const struct {
        const char *path, *ext, *title;
    } paths[] = {
        {"pic\\Tile.BMP", ".BMP", "Tile"},
        {"a/b.c/name", "", "name"},
        {"x.tar.gz", ".gz", "x.tar"},
        {"dir\\", "", ""},
        {"", "", ""},
        {"\xB5\x5C"
         "a.png",
         ".png",
         "\xB5\x5C"
         "a"},  // a '\' trail byte does not split
    };
    for (const auto& c : paths) {
        EXPECT_EQ(GetFileExt(c.path), c.ext) << c.path;
        EXPECT_EQ(GetFileTitle(c.path), c.title) << c.path;
    }
    for (auto [text, value] :
         {std::pair{"42abc", 42}, {"  -7", -7}, {"x", 0}, {"99999999999999", 2147483647}})
        EXPECT_EQ(StrToInt(text), value) << text;
    const std::pair<const char*, std::vector<std::string>> splits[] = {
        {"1,,2,", {"1", "", "2"}}, {"255,0,0", {"255", "0", "0"}}, {"", {}}, {",", {""}}};
    for (const auto& [text, pieces] : splits) {
        std::vector<std::string> list;
        EXPECT_EQ(SplitString(text, list), pieces.size());
        EXPECT_EQ(list, pieces);
    }
    std::vector<std::string> list = {"kept"};
    EXPECT_EQ(SplitString("x,y", list), 3u);
    for (auto [text, inner] : {std::pair{"f=\"宋体\"", "宋体"},
                               {"plain", "plain"},
                               {"one\"quote", "one\"quote"},
                               {"\"a\"b\"c\"", "a\"b\"c"},
                               {"\"\"", ""}})
        EXPECT_EQ(ExtractQuoted(text), inner);
}

TEST(FileUtilsTest, StretchBufferDoublesOrAddsExtra) {
    std::vector<uint32_t> words = {1, 2, 3};
    size_t capacity = 3;
    StretchBuffer(words, capacity, 0);
    EXPECT_EQ(words, (std::vector<uint32_t>{1, 2, 3, 0, 0, 0}));
    StretchBuffer(words, capacity, 5);
    EXPECT_EQ(capacity, 11u);
    EXPECT_EQ(words.size(), 11u);
}

}  // namespace
}  // namespace engine
