#include "platform/paths.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "platform/program_resources.h"
#include "platform/tests/temp_dir.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

TEST(ToSlashPathTest, MapsBackslashesButNotTrailBytes) {
    EXPECT_EQ(ToSlashPath("skin\\default\\skin.ini"), "skin/default/skin.ini");
    EXPECT_EQ(ToSlashPath("a\\\x95\x5C\\b"), "a/\x95\x5C/b");  // 0x95 0x5C: one character
    EXPECT_EQ(ToSlashPath(""), "");
}

// A tree: Skin/Default/Skin.INI, Readme.txt, readme.TXT.
class PathsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(dir_ / "Skin/Default");
        dir_.Write("Skin/Default/Skin.INI", "x");
        dir_.Write("Readme.txt", "hello");
        dir_.Write("readme.TXT", "other");
    }
    std::string At(const std::string& rel) const { return dir_.path() + rel; }
    testing::TempDir dir_;
};

TEST_F(PathsTest, ResolvesEachComponentWhateverItsCase) {
    const std::pair<const char*, const char*> cases[] = {
        {"skin\\default\\skin.ini", "Skin/Default/Skin.INI"},
        {"SKIN/DEFAULT/", "Skin/Default/"},
        {"skin\\New\\file.txt", "Skin/New/file.txt"},  // missing components kept as given
        {"none\\Skin", "none/Skin"},
        {"readme.TXT", "readme.TXT"},  // the exact name wins
        {"README.txt", "Readme.txt"},  // ambiguous: the smallest name
    };
    for (auto [path, resolved] : cases)
        EXPECT_EQ(ResolvePath(At(path)), At(resolved));
}

TEST_F(PathsTest, ExistenceSizeAndNewFolders) {
    EXPECT_TRUE(FileExists(At("skin\\DEFAULT\\skin.ini")));
    EXPECT_FALSE(FileExists(At("skin")));
    EXPECT_FALSE(FileExists(At("missing")));
    EXPECT_TRUE(DirectoryExists(At("skin")));
    EXPECT_FALSE(DirectoryExists(At("Readme.txt")));
    EXPECT_EQ(GetFileSize(At("Readme.txt")), 5u);
    EXPECT_EQ(GetFileSize(At("skin")), std::nullopt);
    EXPECT_EQ(GetFileSize(At("missing")), std::nullopt);
    EXPECT_TRUE(CreateDirectory(At("shots")));
    EXPECT_TRUE(DirectoryExists(At("SHOTS")));
    EXPECT_FALSE(CreateDirectory(At("Shots\\")));  // exists
    EXPECT_FALSE(CreateDirectory(At("a\\b")));     // no parent
    EXPECT_TRUE(CreateDirectory(At("skin\\default\\faces\\")));
    EXPECT_TRUE(fs::is_directory(dir_ / "Skin/Default/faces"));
}

TEST_F(PathsTest, FindFilesListsMatchingEntries) {
    fs::create_directories(dir_ / "face/sub.bmp");
    for (const char* name : {"1.bmp", "2.BMP", "3.bmpx", "note.txt", "x.bmp.txt"})
        dir_.Write(std::string("face/") + name, "abc");
    fs::permissions(dir_ / "face/2.BMP", fs::perms::owner_write, fs::perm_options::remove);
    std::vector<std::string> names;
    for (const auto& f : FindFiles(At("FACE\\*.bmp"))) {
        names.push_back(f.name + (f.directory ? "/" : "") + (f.readOnly ? " ro" : ""));
        EXPECT_TRUE(f.directory || f.size == 3u) << f.name;
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"1.bmp", "2.BMP ro", "sub.bmp/"}));
    EXPECT_EQ(FindFiles(At("face\\*.*")).size(), 6u);
    EXPECT_EQ(FindFiles(At("face\\NOTE.TXT")).size(), 1u);
    EXPECT_TRUE(FindFiles(At("nothing\\*.bmp")).empty());
    EXPECT_TRUE(FindFiles(At("face\\")).empty());
}

// Cases "pattern:name:match". A double-byte character is one character for
// '?', and its trail byte is not folded: 0xB0 0x41 and 0xB0 0x61 differ.
TEST(MatchWildcardTest, FollowsWin32Rules) {
    std::istringstream cases(
        "*:anything:1 *.*:noext:1 *.bmp:a.bmp:1 *.bmp:A.BMP:1 *.bmp:a.bmpx:0 *.bmp:bmp:0 "
        "?.bmp:1.bmp:1 ?.bmp:12.bmp:0 a*b*c:aXbYc:1 a*b*c:aXbY:0 **::1 ::1 :a:0 "
        "?.txt:\xB0\xA1.txt:1 \xB0\x41:\xB0\x61:0 \xB0\x41*:\xB0\x41xyz:1");
    for (std::string c; cases >> c;) {
        const size_t a = c.find(':'), b = c.rfind(':');
        EXPECT_EQ(MatchWildcard(c.substr(0, a), c.substr(a + 1, b - a - 1)), c[b + 1] == '1') << c;
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
    testing::TempDir dir;
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
