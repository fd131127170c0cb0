#include "platform/profile.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <random>

#include "platform/profile_text.h"
#include "platform/tests/temp_dir.h"
#include "platform/text.h"

namespace platform {
namespace {

using testing::TempDir;

class ProfileTest : public ::testing::Test {
  protected:
    std::string Get(const char* section, const char* key, const char* def = "dflt",
                    DWORD size = 256) {
        return GetPrivateProfileString(section, key, def, file(), size);
    }
    std::string file() const { return dir_ / "game.ini"; }
    void WriteIni(const std::string& text) { dir_.Write("game.ini", text); }
    std::string ReadIni() const { return dir_.Read("game.ini"); }

    TempDir dir_;
};

TEST_F(ProfileTest, MissingFileSectionOrKeyAnswersTheDefault) {
    EXPECT_EQ(Get("GAMESET", "Sound"), "dflt");
    WriteIni("[GAMESET]\r\nSound=1\r\n");
    EXPECT_EQ(Get("OTHER", "Sound"), "dflt");
    EXPECT_EQ(Get("GAMESET", "Music"), "dflt");
    EXPECT_EQ(Get("GAMESET", "Music", nullptr), "");
    // Trailing blanks of the default go.
    EXPECT_EQ(Get("GAMESET", "Music", "ab  "), "ab");
}

TEST_F(ProfileTest, CountsAndTerminatesLikeTheCBuffer) {
    WriteIni("[s]\r\nk=hello world\r\n");
    char buffer[8];
    EXPECT_EQ(GetPrivateProfileString("s", "k", "", buffer, sizeof buffer, file()), 7u);
    EXPECT_STREQ(buffer, "hello w");
    EXPECT_EQ(GetPrivateProfileString("s", "k", "", buffer, 1, file()), 0u);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(GetPrivateProfileString("s", "k", "", buffer, 0, file()), 0u);
    EXPECT_EQ(GetPrivateProfileString("s", "none", "defaultlong", buffer, 4, file()), 3u);
    EXPECT_STREQ(buffer, "def");
}

TEST_F(ProfileTest, TruncationNeverSplitsADoubleByteCharacter) {
    WriteIni("[s]\r\nk=a\xC8\xB7\xB6\xA8\r\n");
    EXPECT_EQ(Get("s", "k", "", 3), "a");
    EXPECT_EQ(Get("s", "k", "", 4), "a\xC8\xB7");
    EXPECT_EQ(Get("s", "k", "", 6), "a\xC8\xB7\xB6\xA8");
}

TEST_F(ProfileTest, SectionsAndKeysMatchIgnoringAsciiCase) {
    WriteIni("[GameSet]\r\nSoundOn=3\r\n");
    EXPECT_EQ(Get("GAMESET", "soundon"), "3");
    EXPECT_EQ(Get("gameset", "SOUNDON"), "3");
}

TEST_F(ProfileTest, GbkNamesAndValuesAreBytesAsTheyAre) {
    // 0xB0 0x41 and 0xB0 0x61 are different characters: no folding of trail
    // bytes. 0x95 0x5D ends in ']' yet is one character of a section name.
    WriteIni("[\x95\x5D]\r\n\xB0\x41=upper\r\n\xB0\x61=lower\r\n");
    EXPECT_EQ(Get("\x95\x5D", "\xB0\x41"), "upper");
    EXPECT_EQ(Get("\x95\x5D", "\xB0\x61"), "lower");
    ASSERT_TRUE(WritePrivateProfileString("\x95\x5D", "\xB0\x61", "\xC8\xB7", file()));
    EXPECT_EQ(ReadIni(), "[\x95\x5D]\r\n\xB0\x41=upper\r\n\xB0\x61=\xC8\xB7\r\n");
}

TEST_F(ProfileTest, ValuesAreTrimmedAndUnquoted) {
    WriteIni(
        "[s]\n"
        "  spaced =   a b  \t\n"
        "dq=\"  quoted  \"\n"
        "sq='x'\n"
        "half=\"open\n"
        "mixed=\"a'\n"
        "empty=\n"
        "noequals\n");
    EXPECT_EQ(Get("s", "spaced"), "a b");
    EXPECT_EQ(Get("s", "dq"), "  quoted  ");
    EXPECT_EQ(Get("s", "sq"), "x");
    EXPECT_EQ(Get("s", "half"), "\"open");
    EXPECT_EQ(Get("s", "mixed"), "\"a'");
    EXPECT_EQ(Get("s", "empty"), "");
    EXPECT_EQ(Get("s", "noequals"), "dflt");
    EXPECT_EQ(Get("s", ""), "dflt");
}

TEST_F(ProfileTest, FirstSectionAndFirstKeyWin) {
    WriteIni("[a]\r\nk=1\r\nk=2\r\n[b]\r\nk=3\r\n[A]\r\nk=4\r\nonly=5\r\n");
    EXPECT_EQ(Get("a", "k"), "1");
    EXPECT_EQ(Get("b", "k"), "3");
    EXPECT_EQ(Get("a", "only"), "dflt");  // the second [A] is not read
}

TEST_F(ProfileTest, CommentsAreNotKeys) {
    WriteIni("; top\r\n[s]\r\n;k=1\r\n  ; k=2\r\nk=3 ; not a comment\r\n");
    EXPECT_EQ(Get("s", "k"), "3 ; not a comment");
    EXPECT_EQ(Get("s", ";k"), "dflt");
}

TEST_F(ProfileTest, NothingIsCached) {
    WriteIni("[s]\nk=1\n");
    EXPECT_EQ(Get("s", "k"), "1");
    WriteIni("[s]\nk=2\n");
    EXPECT_EQ(Get("s", "k"), "2");
}

struct IntCase {
    const char* text;
    UINT expected;
};

TEST_F(ProfileTest, IntegersParseAsWin32Does) {
    const IntCase cases[] = {
        {"12", 12},     {"-5", UINT(-5)}, {"+3", 3},    {"0x1F", 31},
        {"0X1f", 31},   {"0o17", 15},     {"0b101", 5}, {"12abc", 12},
        {"abc", 0},     {"-", 0},         {"007", 7},   {"4294967297", 1},
        {"\"42\"", 42}, {"0x", 0},        {"1 2", 1},   {"99999999999", 1215752191},
    };
    for (const auto& c : cases) {
        WriteIni(std::string("[s]\nk=") + c.text + "\n");
        EXPECT_EQ(GetPrivateProfileInt("s", "k", 77, file()), c.expected) << c.text;
    }
    WriteIni("[s]\nempty=\n");
    EXPECT_EQ(GetPrivateProfileInt("s", "empty", 77, file()), 77u);
    EXPECT_EQ(GetPrivateProfileInt("s", "missing", -1, file()), UINT(-1));
}

TEST_F(ProfileTest, WriteCreatesAFileWithCrlf) {
    ASSERT_TRUE(WritePrivateProfileString("GAMESET", "Sound", "1", file()));
    EXPECT_EQ(ReadIni(), "[GAMESET]\r\nSound=1\r\n");
    ASSERT_TRUE(WritePrivateProfileString("Card", "Made", "0", file()));
    EXPECT_EQ(ReadIni(), "[GAMESET]\r\nSound=1\r\n\r\n[Card]\r\nMade=0\r\n");
}

TEST_F(ProfileTest, WriteReplacesOnlyTheKeysLine) {
    const std::string before =
        "; written by hand\r\n[GAMESET]\r\n; sound\r\nSOUND = 0 "
        "\r\nMusic=1\r\n\r\n[X]\r\nSound=9\r\n";
    WriteIni(before);
    ASSERT_TRUE(WritePrivateProfileString("gameset", "sound", "1", file()));
    EXPECT_EQ(ReadIni(),
              "; written by hand\r\n[GAMESET]\r\n; sound\r\nsound=1\r\nMusic=1\r\n\r\n[X]\r\n"
              "Sound=9\r\n");
    EXPECT_EQ(Get("GAMESET", "Sound"), "1");
    EXPECT_EQ(Get("X", "Sound"), "9");
}

TEST_F(ProfileTest, NewKeyGoesAtTheEndOfItsSectionBeforeBlankLines) {
    WriteIni("[a]\r\nk=1\r\n\r\n[b]\r\nk=2\r\n");
    ASSERT_TRUE(WritePrivateProfileString("a", "n", "x", file()));
    EXPECT_EQ(ReadIni(), "[a]\r\nk=1\r\nn=x\r\n\r\n[b]\r\nk=2\r\n");
    ASSERT_TRUE(WritePrivateProfileString("b", "n", "y", file()));
    EXPECT_EQ(ReadIni(), "[a]\r\nk=1\r\nn=x\r\n\r\n[b]\r\nk=2\r\nn=y\r\n");
}

TEST_F(ProfileTest, WriteKeepsLfFilesLf) {
    WriteIni("[a]\nk=1");  // no line end at the end
    ASSERT_TRUE(WritePrivateProfileString("a", "n", "2", file()));
    EXPECT_EQ(ReadIni(), "[a]\nk=1\nn=2\n");
    ASSERT_TRUE(WritePrivateProfileString("b", "m", "3", file()));
    EXPECT_EQ(ReadIni(), "[a]\nk=1\nn=2\n\n[b]\nm=3\n");
}

TEST_F(ProfileTest, NullValueDeletesTheKeyAndNullKeyTheSection) {
    WriteIni("[a]\r\nk=1\r\nj=2\r\n[b]\r\nk=3\r\n");
    ASSERT_TRUE(WritePrivateProfileString("A", "K", nullptr, file()));
    EXPECT_EQ(ReadIni(), "[a]\r\nj=2\r\n[b]\r\nk=3\r\n");
    ASSERT_TRUE(WritePrivateProfileString("a", nullptr, nullptr, file()));
    EXPECT_EQ(ReadIni(), "[b]\r\nk=3\r\n");
    ASSERT_TRUE(WritePrivateProfileString("none", "k", nullptr, file()));
    ASSERT_TRUE(WritePrivateProfileString("b", "none", nullptr, file()));
    EXPECT_EQ(ReadIni(), "[b]\r\nk=3\r\n");
    EXPECT_FALSE(WritePrivateProfileString(nullptr, "k", "v", file()));
}

TEST_F(ProfileTest, AHugeFileIsNeitherReadNorRewritten) {
    WriteIni("[s]\r\nk=1\r\n");
    std::filesystem::resize_file(file(), (16 << 20) + 1);  // sparse: cheap
    EXPECT_EQ(Get("s", "k"), "dflt");
    EXPECT_FALSE(WritePrivateProfileString("s", "k", "2", file()));
    EXPECT_EQ(std::filesystem::file_size(file()), uintmax_t(16 << 20) + 1);
}

TEST_F(ProfileTest, EmptyKeyNameAnswersTheTrimmedDefault) {
    WriteIni("[s]\r\n=1\r\n");
    EXPECT_EQ(Get("s", "", "d  "), "d");
    EXPECT_EQ(Get(nullptr, "k"), "");
    EXPECT_EQ(Get("s", nullptr), "");
}

TEST_F(ProfileTest, WriteFailsWhenTheFolderIsMissing) {
    EXPECT_FALSE(WritePrivateProfileString("s", "k", "v", dir_ / "no/such/dir/x.ini"));
}

TEST_F(ProfileTest, FileNamesAreClientPaths) {
    std::filesystem::create_directories(dir_ / "Skin");
    dir_.Write("Skin/Skin.ini", "[Main]\r\nColor=5\r\n");
    EXPECT_EQ(GetPrivateProfileInt("main", "color", 0, dir_.path() + "skin\\SKIN.INI"), 5u);
    setenv("QEVO_SYSTEM_DIR", dir_.path().c_str(), 1);
    ASSERT_TRUE(WritePrivateProfileString("SYSTEM", "Type", "2", "MIRB.ini"));
    EXPECT_EQ(dir_.Read("MIRB.ini"), "[SYSTEM]\r\nType=2\r\n");
    EXPECT_EQ(GetPrivateProfileInt("SYSTEM", "Type", 0, "mirb.ini"), 2u);
    unsetenv("QEVO_SYSTEM_DIR");
}

TEST(ProfileTextTest, AWrittenValueIsReadBackAndOtherKeysKeepTheirs) {
    // Random files of sections, keys, comments and blank lines; after each
    // edit, the edited key answers the new value and every other key its old.
    std::mt19937 rng(12345);
    const char* names[] = {"a", "B", "k", "Key", "\xB0\x41", "x y"};
    auto pick = [&](int n) { return int(rng() % unsigned(n)); };
    for (int round = 0; round < 300; ++round) {
        std::string text;
        const char* eol = pick(2) ? "\r\n" : "\n";
        for (int i = 0, lines = pick(12); i < lines; ++i) {
            switch (pick(4)) {
                case 0:
                    text += std::string("[") + names[pick(6)] + "]";
                    break;
                case 1:
                    text += std::string(names[pick(6)]) + "=" + std::to_string(pick(100));
                    break;
                case 2:
                    text += "; note";
                    break;
                default:
                    break;
            }
            text += eol;
        }
        if (pick(3) == 0 && !text.empty()) text.resize(text.size() - 1);  // unterminated end
        const std::string section = names[pick(6)], key = names[pick(6)];
        const std::string value = "v" + std::to_string(round);
        const std::string other = names[pick(6)];
        const auto before = ProfileLookup(text, section, other);
        const auto edited = ProfileEdit(text, section, key.c_str(), value.c_str());
        ASSERT_TRUE(edited);
        EXPECT_EQ(ProfileLookup(*edited, section, key), value) << text;
        if (!GbkEqualsIgnoreCase(other, key)) {
            EXPECT_EQ(ProfileLookup(*edited, section, other), before) << text;
        }
    }
}

}  // namespace
}  // namespace platform
