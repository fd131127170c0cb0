#include "platform/paths.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <filesystem>

#include "platform/program_resources.h"
#include "platform/tests/temp_dir.h"

namespace platform {
namespace {

using testing::TempDir;

TEST(ToSlashPathTest, MapsBackslashesButNotTrailBytes) {
    EXPECT_EQ(ToSlashPath("skin\\default\\skin.ini"), "skin/default/skin.ini");
    // 0x95 0x5C is one double-byte character whose trail byte is '\'.
    EXPECT_EQ(ToSlashPath("a\\\x95\x5C\\b"), "a/\x95\x5C/b");
    EXPECT_EQ(ToSlashPath(""), "");
}

class PathsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(dir_.path().empty());
        std::filesystem::create_directories(dir_ / "Skin/Default");
        dir_.Write("Skin/Default/Skin.INI", "x");
        dir_.Write("Readme.txt", "hello");
    }
    TempDir dir_;
};

TEST_F(PathsTest, ResolvesEachComponentWhateverItsCase) {
    EXPECT_EQ(ResolvePath(dir_.path() + "skin\\default\\skin.ini"),
              dir_.path() + "Skin/Default/Skin.INI");
    EXPECT_EQ(ResolvePath(dir_.path() + "SKIN/DEFAULT/"), dir_.path() + "Skin/Default/");
    EXPECT_TRUE(FileExists(dir_.path() + "skin\\DEFAULT\\skin.ini"));
}

TEST_F(PathsTest, KeepsMissingComponentsAsGiven) {
    EXPECT_EQ(ResolvePath(dir_.path() + "skin\\New\\file.txt"), dir_.path() + "Skin/New/file.txt");
    EXPECT_EQ(ResolvePath(dir_.path() + "none\\Skin"), dir_.path() + "none/Skin");
}

TEST_F(PathsTest, ExactNameWinsOverOtherCases) {
    dir_.Write("readme.TXT", "other");
    EXPECT_EQ(ResolvePath(dir_.path() + "readme.TXT"), dir_.path() + "readme.TXT");
    // Ambiguous: the smallest name, whatever the listing order.
    EXPECT_EQ(ResolvePath(dir_.path() + "README.txt"), dir_.path() + "Readme.txt");
}

TEST_F(PathsTest, ExistenceAndSizeDistinguishFilesFromFolders) {
    EXPECT_TRUE(FileExists(dir_.path() + "readme.txt"));
    EXPECT_FALSE(FileExists(dir_.path() + "skin"));
    EXPECT_TRUE(DirectoryExists(dir_.path() + "skin"));
    EXPECT_FALSE(DirectoryExists(dir_.path() + "readme.txt"));
    EXPECT_FALSE(FileExists(dir_.path() + "missing"));
    EXPECT_EQ(GetFileSize(dir_.path() + "README.TXT"), 5u);
    EXPECT_EQ(GetFileSize(dir_.path() + "skin"), std::nullopt);
    EXPECT_EQ(GetFileSize(dir_.path() + "missing"), std::nullopt);
}

TEST_F(PathsTest, CreateDirectoryMakesOneLevel) {
    EXPECT_TRUE(CreateDirectory(dir_.path() + "shots"));
    EXPECT_TRUE(DirectoryExists(dir_.path() + "SHOTS"));
    EXPECT_FALSE(CreateDirectory(dir_.path() + "Shots\\"));  // exists
    EXPECT_FALSE(CreateDirectory(dir_.path() + "a\\b"));     // no parent
    EXPECT_TRUE(CreateDirectory(dir_.path() + "skin\\default\\faces\\"));
    EXPECT_TRUE(std::filesystem::is_directory(dir_ / "Skin/Default/faces"));
}

TEST_F(PathsTest, FindFilesListsMatchingEntries) {
    std::filesystem::create_directories(dir_ / "face");
    for (const char* name : {"1.bmp", "2.BMP", "3.bmpx", "note.txt", "x.bmp.txt"}) {
        dir_.Write(std::string("face/") + name, "abc");
    }
    std::filesystem::create_directories(dir_ / "face/sub.bmp");
    auto found = FindFiles(dir_.path() + "FACE\\*.bmp");
    std::vector<std::string> names;
    for (const auto& f : found)
        names.push_back(f.name + (f.directory ? "/" : ""));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"1.bmp", "2.BMP", "sub.bmp/"}));
    for (const auto& f : found) {
        if (!f.directory) {
            EXPECT_EQ(f.size, 3u);
        }
    }
    EXPECT_EQ(FindFiles(dir_.path() + "face\\*.*").size(), 6u);
    EXPECT_EQ(FindFiles(dir_.path() + "face\\NOTE.TXT").size(), 1u);
    EXPECT_TRUE(FindFiles(dir_.path() + "nothing\\*.bmp").empty());
    std::filesystem::permissions(dir_ / "face/2.BMP", std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    for (const auto& f : FindFiles(dir_.path() + "face\\?.bmp")) {
        EXPECT_EQ(f.readOnly, f.name == "2.BMP") << f.name;
    }
    EXPECT_TRUE(FindFiles(dir_.path() + "face\\").empty());
}

struct WildcardCase {
    const char* pattern;
    const char* name;
    bool match;
};

TEST(MatchWildcardTest, FollowsWin32Rules) {
    const WildcardCase cases[] = {
        {"*", "anything", true},
        {"*.*", "noext", true},
        {"*.bmp", "a.bmp", true},
        {"*.bmp", "A.BMP", true},
        {"*.bmp", "a.bmpx", false},
        {"*.bmp", "bmp", false},
        {"?.bmp", "1.bmp", true},
        {"?.bmp", "12.bmp", false},
        {"a*b*c", "aXbYc", true},
        {"a*b*c", "aXbY", false},
        {"**", "", true},
        {"", "", true},
        {"", "a", false},
        // A double-byte character is one character for '?', and its trail
        // byte is not folded: 0xB0 0x41 and 0xB0 0x61 differ.
        {"?.txt", "\xB0\xA1.txt", true},
        {"\xB0\x41", "\xB0\x61", false},
        {"\xB0\x41*", "\xB0\x41xyz", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MatchWildcard(c.pattern, c.name), c.match) << c.pattern << " / " << c.name;
    }
}

TEST(ProgramDirTest, EnvironmentOverridesBothFolders) {
    setenv("QEVO_PROGRAM_DIR", "/tmp/prog", 1);
    setenv("QEVO_SYSTEM_DIR", "/tmp/sys/", 1);
    EXPECT_EQ(ProgramDir(), "/tmp/prog/");
    EXPECT_EQ(SystemDir(), "/tmp/sys/");
    unsetenv("QEVO_SYSTEM_DIR");
    EXPECT_EQ(SystemDir(), "/tmp/prog/system/");
    unsetenv("QEVO_PROGRAM_DIR");
    EXPECT_EQ(ProgramDir().back(), '/');
}

TEST(ProgramResourceTest, ResourcesAreFilesUnderTheProgramFolderByNumberOrName) {
    TempDir dir;
    std::filesystem::create_directories(dir / "res/menu");
    dir.Write("res/menu/131.menu", "abc");
    dir.Write("res/menu/playerlist.menu", "");
    setenv("QEVO_PROGRAM_DIR", dir.path().c_str(), 1);
    EXPECT_EQ(ProgramResourcePath(ResourceType::kIcon, 151), dir / "res/icon/151.ico");
    EXPECT_EQ(ProgramResourcePath(ResourceType::kSound, "x"), dir / "res/sound/x.wav");
    EXPECT_EQ(LoadProgramResource(ResourceType::kMenu, 131), (std::vector<uint8_t>{'a', 'b', 'c'}));
    EXPECT_EQ(LoadProgramResource(ResourceType::kMenu, "playerlist"), std::vector<uint8_t>{});
    EXPECT_EQ(LoadProgramResource(ResourceType::kMenu, 130), std::nullopt);
    // Only letters, digits and "_" name a resource: nothing else reaches the disk.
    for (const char* bad : {"../131", "a/b", "", "x.menu", "\\131"})
        EXPECT_EQ(ProgramResourcePath(ResourceType::kMenu, bad), "") << bad;
    unsetenv("QEVO_PROGRAM_DIR");
    EXPECT_EQ(ReadFileBytes(dir / "res/menu/131.menu", 2), std::nullopt);  // over the cap
    EXPECT_EQ(ReadFileBytes(dir / "res/menu", 100), std::nullopt);         // a folder
}

}  // namespace
}  // namespace platform
