#include "platform/profile.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include "platform/tests/temp_dir.h"

namespace platform {
namespace {

class ProfileTest : public ::testing::Test {
  protected:
    std::string Get(const char* section, const char* key, const char* def = "dflt",
                    DWORD size = 256) {
        return GetPrivateProfileString(section, key, def, file(), size);
    }
    std::string file() const { return dir_ / "game.ini"; }
    void WriteIni(const std::string& text) { dir_.Write("game.ini", text); }
    std::string ReadIni() const { return dir_.Read("game.ini"); }

    testing::TempDir dir_;
};

TEST_F(ProfileTest, LookupsByTable) {
    const struct {
        const char* ini;
        const char* section;
        const char* key;
        const char* def;
        std::string want;
    } cases[] = {
        {"[GAMESET]\r\nSound=1\r\n", "OTHER", "Sound", "dflt", "dflt"},
        {"[GAMESET]\r\nSound=1\r\n", "GAMESET", "Music", "dflt", "dflt"},
        {"[GAMESET]\r\nSound=1\r\n", "GAMESET", "Music", nullptr, ""},
        {"[GAMESET]\r\nSound=1\r\n", "GAMESET", "Music", "ab  ", "ab"},  // trimmed default
        {"[GameSet]\r\nSoundOn=3\r\n", "GAMESET", "soundon", "", "3"},   // ASCII case folds
        {"[s]\n  spaced =   a b  \t\n", "s", "spaced", "", "a b"},
        {"[s]\ndq=\"  quoted  \"\n", "s", "dq", "", "  quoted  "},
        {"[s]\nsq='x'\n", "s", "sq", "", "x"},
        {"[s]\nhalf=\"open\n", "s", "half", "", "\"open"},
        {"[s]\nmixed=\"a'\n", "s", "mixed", "", "\"a'"},
        {"[s]\nempty=\n", "s", "empty", "d", ""},
        {"[s]\nnoequals\n", "s", "noequals", "d", "d"},
        {"[s]\r\n=1\r\n", "s", "", "d  ", "d"},
        {"[s]\r\nk=1\r\n", nullptr, "k", "d", ""},
        {"[s]\r\nk=1\r\n", "s", nullptr, "d", ""},
        {"[a]\r\nk=1\r\nk=2\r\n[b]\r\nk=3\r\n[A]\r\nonly=5\r\n", "a", "k", "", "1"},
        {"[a]\r\nk=1\r\nk=2\r\n[b]\r\nk=3\r\n[A]\r\nonly=5\r\n", "a", "only", "d", "d"},
        {"; top\r\n[s]\r\n;k=1\r\n  ; k=2\r\nk=3 ; not a comment\r\n", "s", "k", "",
         "3 ; not a comment"},
        {"[s]\r\n;k=1\r\n", "s", ";k", "d", "d"},
        // 0xB0 0x41 and 0xB0 0x61 are different characters: no folding of
        // trail bytes. 0x95 0x5D ends in ']' yet is one character.
        {"[\x95\x5D]\r\n\xB0\x41=upper\r\n\xB0\x61=lower\r\n", "\x95\x5D", "\xB0\x61", "", "lower"},
        {"[\x95\x5D]\r\n\xB0\x41=upper\r\n\xB0\x61=lower\r\n", "\x95\x5D", "\xB0\x41", "", "upper"},
    };
    EXPECT_EQ(Get("GAMESET", "Sound"), "dflt");  // no file
    for (const auto& c : cases) {
        WriteIni(c.ini);
        EXPECT_EQ(Get(c.section, c.key, c.def), c.want) << c.ini << c.key;
    }
    WriteIni("[s]\nk=2\n");  // nothing is cached
    EXPECT_EQ(Get("s", "k"), "2");
}

TEST_F(ProfileTest, CountsTerminatesAndNeverSplitsADoubleByteCharacter) {
    WriteIni("[s]\r\nk=hello world\r\ng=a\xC8\xB7\xB6\xA8\r\n");
    char buffer[8];
    EXPECT_EQ(GetPrivateProfileString("s", "k", "", buffer, sizeof buffer, file()), 7u);
    EXPECT_STREQ(buffer, "hello w");
    EXPECT_EQ(GetPrivateProfileString("s", "k", "", buffer, 1, file()), 0u);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(GetPrivateProfileString("s", "k", "", buffer, 0, file()), 0u);
    EXPECT_EQ(GetPrivateProfileString("s", "none", "defaultlong", buffer, 4, file()), 3u);
    EXPECT_STREQ(buffer, "def");
    EXPECT_EQ(Get("s", "g", "", 3), "a");
    EXPECT_EQ(Get("s", "g", "", 4), "a\xC8\xB7");
    EXPECT_EQ(Get("s", "g", "", 6), "a\xC8\xB7\xB6\xA8");
}

TEST_F(ProfileTest, IntegersParseAsWin32Does) {
    const std::pair<const char*, UINT> cases[] = {
        {"12", 12},     {"-5", UINT(-5)}, {"+3", 3},    {"0x1F", 31},
        {"0X1f", 31},   {"0o17", 15},     {"0b101", 5}, {"12abc", 12},
        {"abc", 0},     {"-", 0},         {"007", 7},   {"4294967297", 1},
        {"\"42\"", 42}, {"0x", 0},        {"1 2", 1},   {"99999999999", 1215752191},
    };
    for (auto [text, value] : cases) {
        WriteIni(std::string("[s]\nk=") + text + "\nempty=\n");
        EXPECT_EQ(GetPrivateProfileInt("s", "k", 77, file()), value) << text;
    }
    EXPECT_EQ(GetPrivateProfileInt("s", "empty", 77, file()), 77u);
    EXPECT_EQ(GetPrivateProfileInt("s", "missing", -1, file()), UINT(-1));
}

TEST_F(ProfileTest, WritesChangeOnlyWhatTheyMustByTable) {
    const struct {
        const char* before;
        const char* section;
        const char* key;
        const char* value;
        const char* after;
    } cases[] = {
        {nullptr, "GAMESET", "Sound", "1", "[GAMESET]\r\nSound=1\r\n"},
        {"[GAMESET]\r\nSound=1\r\n", "Card", "Made", "0",
         "[GAMESET]\r\nSound=1\r\n\r\n[Card]\r\nMade=0\r\n"},
        {"; hand\r\n[GAMESET]\r\n; sound\r\nSOUND = 0 \r\nMusic=1\r\n\r\n[X]\r\nSound=9\r\n",
         "gameset", "sound", "1",
         "; hand\r\n[GAMESET]\r\n; sound\r\nsound=1\r\nMusic=1\r\n\r\n[X]\r\nSound=9\r\n"},
        {"[a]\r\nk=1\r\n\r\n[b]\r\nk=2\r\n", "a", "n", "x",
         "[a]\r\nk=1\r\nn=x\r\n\r\n[b]\r\nk=2\r\n"},
        {"[a]\r\nk=1\r\n\r\n[b]\r\nk=2\r\n", "b", "n", "y",
         "[a]\r\nk=1\r\n\r\n[b]\r\nk=2\r\nn=y\r\n"},
        {"[a]\nk=1", "a", "n", "2", "[a]\nk=1\nn=2\n"},  // LF files stay LF
        {"[a]\nk=1\n", "b", "m", "3", "[a]\nk=1\n\n[b]\nm=3\n"},
        {"[a]\r\nk=1\r\nj=2\r\n[b]\r\nk=3\r\n", "A", "K", nullptr, "[a]\r\nj=2\r\n[b]\r\nk=3\r\n"},
        {"[a]\r\nj=2\r\n[b]\r\nk=3\r\n", "a", nullptr, nullptr, "[b]\r\nk=3\r\n"},
        {"[b]\r\nk=3\r\n", "none", "k", nullptr, "[b]\r\nk=3\r\n"},
        {"[b]\r\nk=3\r\n", "b", "none", nullptr, "[b]\r\nk=3\r\n"},
        {"[\x95\x5D]\r\n\xB0\x41=upper\r\n\xB0\x61=lower\r\n", "\x95\x5D", "\xB0\x61", "\xC8\xB7",
         "[\x95\x5D]\r\n\xB0\x41=upper\r\n\xB0\x61=\xC8\xB7\r\n"},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(file());
        if (c.before) WriteIni(c.before);
        ASSERT_TRUE(WritePrivateProfileString(c.section, c.key, c.value, file()));
        EXPECT_EQ(ReadIni(), c.after);
    }
    EXPECT_FALSE(WritePrivateProfileString(nullptr, "k", "v", file()));
    EXPECT_FALSE(WritePrivateProfileString("s", "k", "v", dir_ / "no/such/dir/x.ini"));
}

TEST_F(ProfileTest, AHugeFileIsNeitherReadNorRewritten) {
    WriteIni("[s]\r\nk=1\r\n");
    std::filesystem::resize_file(file(), (16 << 20) + 1);  // sparse: cheap
    EXPECT_EQ(Get("s", "k"), "dflt");
    EXPECT_FALSE(WritePrivateProfileString("s", "k", "2", file()));
    EXPECT_EQ(std::filesystem::file_size(file()), uintmax_t(16 << 20) + 1);
}

}  // namespace
}  // namespace platform
