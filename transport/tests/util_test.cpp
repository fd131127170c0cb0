// The transport's small helpers: the Base64 coder, integer, text, path and
// random helpers, the version bit set, and the daily log.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "platform/daily_log.h"
#include "platform/text.h"
#include "tools/proxypeer/proxy_peer.h"
#include "transport/base64.h"
#include "transport/log.h"
#include "transport/tests/temp_program_dir.h"
#include "transport/util.h"

namespace transport {
namespace {

using proxypeer::ToBytes;

// RFC 4648's vectors; the text form breaks lines after 72 characters, never
// at the very end; random bytes of every length come back.
TEST(Base64Test, Rfc4648VectorsLineBreaksAndRoundTrips) {
    const std::pair<const char*, const char*> cases[] = {{"", ""},
                                                         {"f", "Zg=="},
                                                         {"fo", "Zm8="},
                                                         {"foo", "Zm9v"},
                                                         {"foob", "Zm9vYg=="},
                                                         {"fooba", "Zm9vYmE="},
                                                         {"foobar", "Zm9vYmFy"}};
    CBase64Coder coder;
    std::string text;
    std::vector<uint8_t> array, back;
    for (auto [plain, encoded] : cases) {
        EXPECT_TRUE(coder.EncodeToString(ToBytes(plain), text));
        EXPECT_TRUE(coder.EncodeToArray(ToBytes(plain), array));
        EXPECT_EQ(text, encoded);
        EXPECT_EQ(array, ToBytes(encoded));
        EXPECT_TRUE(coder.DecodeBytes(ToBytes(encoded), back));
        EXPECT_EQ(back, ToBytes(plain));
    }
    coder.EncodeToString(std::vector<uint8_t>(54, 'x'), text);
    EXPECT_EQ(text.size(), 72u);
    coder.EncodeToString(std::vector<uint8_t>(108, 'x'), text);
    EXPECT_EQ(text.substr(72, 2), "\r\n");
    EXPECT_EQ(text.size(), 146u);
    coder.EncodeToArray(std::vector<uint8_t>(55, 'x'), array);
    EXPECT_EQ(array.size(), 76u);
    std::mt19937 rng(99);
    for (size_t n = 0; n < 300; n += 1 + n / 10) {
        std::vector<uint8_t> data(n);
        for (auto& b : data)
            b = uint8_t(rng());
        coder.EncodeToString(data, text);
        EXPECT_TRUE(coder.Decode(text, back));
        EXPECT_EQ(back, data) << n;
    }
}

TEST(Base64Test, DecoderSkipsBlanksStopsAtPaddingAndRefusesTheRest) {
    const std::pair<std::string, const char*> taken[] = {
        {"TW Fu\r\n", "Man"},
        {"\tTWFu\nTWE=\r\n", "ManMa"},
        {"TQ==TWFu", "M"},
        {"TWFu=", "Man"},
        {"TWFuT=", "Man"},  // '=' as the second symbol
        {"TQ=", "M"},       // a third-symbol '=' stands for both
        {"=", ""},
        {"+/+/", "\xFB\xFF\xBF"},
    };
    // The URL alphabet is not ours; a zero byte is no symbol; groups may not be cut.
    const std::string refused[] = {
        "-_-_", "TW*u", "*WFu", "TWF*",  "TWFuTW*u", "TWFu\x80WFu", std::string("T\0Fu", 4),
        "T",    "TW",   "TWF",  "TWFuT", "TWFuTWF"};
    CBase64Coder coder;
    for (const auto& [text, plain] : taken) {
        std::vector<uint8_t> out;
        EXPECT_TRUE(coder.Decode(text, out)) << text;
        EXPECT_EQ(out, ToBytes(plain)) << text;
    }
    for (const std::string& text : refused) {
        std::vector<uint8_t> out = {9, 9};
        EXPECT_FALSE(coder.Decode(text, out)) << text;
        EXPECT_TRUE(out.empty()) << text;
    }
}

TEST(UtilTest, IntegerAndTextHelpers) {
    for (auto [n, log] : {std::pair{-5, 0}, {1, 0}, {2, 1}, {1023, 9}, {1024, 10}, {INT_MAX, 30}})
        EXPECT_EQ(IntLog2(n), log) << n;
    for (auto [n, power] : {std::pair{-3, 1}, {0, 1}, {10, 1024}, {31, INT_MIN}, {32, 0}})
        EXPECT_EQ(PowerOfTwo(n), power) << n;
    char dst[8] = "zzzzzzz";
    CopyStringN(nullptr, "abc", -1);
    CopyStringN(dst, nullptr, -1);
    CopyStringN(dst, "abc", 2);
    EXPECT_STREQ(dst, "abzzzzz");
    CopyStringN(dst, "xy", 6);  // strncpy pads with NULs
    EXPECT_EQ(std::string(dst, 7), std::string("xy\0\0\0\0z", 7));
    CopyStringN(dst, "abc", -1);
    EXPECT_STREQ(dst, "abc");
    const uint8_t bytes[] = {0x00, 0x0f, 0xab, 0xff};
    std::string out = "id:";
    BytesToHex(bytes, 4, out);
    BytesToHex(bytes, -1, out);
    EXPECT_EQ(out, "id:000fabff");
    EXPECT_EQ(MakeEntryKey("127.0.0.1", 9000), "127.0.0.1:9000");
    EXPECT_EQ(MakeEntryKey(nullptr, -1), ":-1");
    const int32_t first = NextConnectionSerial();
    EXPECT_GE(first, 1);
    EXPECT_EQ(NextConnectionSerial(), first + 1);
}

TEST(UtilTest, GetPathPartsSplitsLikeSplitpath) {
    const std::tuple<const char*, int, const char*> cases[] = {
        {"/opt/game/client.exe", kPathDirectory | kPathDrive, "/opt/game/"},
        {"/opt/game/client.exe", kPathFileName, "client"},
        {"/opt/game/client.exe", kPathExtension, ".exe"},
        {"/opt/game/client.exe", 15, "/opt/game/client.exe"},
        {"/opt/game/client.tar.gz", kPathFileName, "client.tar"},
        {"/opt/g.d/client", kPathExtension, ""},
        {"C:\\Game\\mj.exe", kPathDrive, "C:"},
        {"C:\\Game\\mj.exe", kPathDirectory, "\\Game\\"},
        {"skins\\blue\\skin.ini", kPathDirectory | kPathFileName, "skins\\blue\\skin"},
        {"plain", kPathDirectory, ""},
        {"", 15, ""},
        // 0x81 0x5C is one double-byte character whose trail byte is a backslash.
        {"a/\x81\x5C.txt", kPathFileName, "\x81\x5C"},
        {"a/\x81\x5C.txt", kPathDirectory, "a/"},
    };
    for (auto [path, flags, parts] : cases) {
        std::string out;
        GetPathParts(path, flags, out);
        EXPECT_EQ(out, parts) << path << " " << flags;
    }
    testing::TempProgramDir dir;
    std::string folder;
    GetModuleDir(folder);
    EXPECT_EQ(folder, dir.path());
    std::ofstream(dir / "face1.bmp") << "x";
    EXPECT_TRUE(PathExists(dir / "face1.bmp", false));
    EXPECT_FALSE(PathExists(dir / "face1.bmp", true));
    EXPECT_TRUE(PathExists(dir.path(), true));
    EXPECT_FALSE(PathExists(dir.path(), false));
    EXPECT_FALSE(PathExists(dir / "face2.bmp", false));
}

TEST(UtilTest, RandomBytesAndIds) {
    for (size_t n : {0u, 1u, 15u, 16u, 17u, 100u}) {
        std::vector<uint8_t> a(n + 1, 0xCC), b(n + 1, 0xCC);
        EXPECT_TRUE(RandomBytes(a.data(), n));
        EXPECT_TRUE(RandomBytes(b.data(), n));
        EXPECT_EQ(a[n], 0xCC) << "nothing written past the end";
        EXPECT_TRUE(n < 8 || a != b) << n;
    }
    std::string id, other, kept = "already";
    EXPECT_TRUE(FillRandomId(id));
    EXPECT_TRUE(FillRandomId(other));
    EXPECT_FALSE(FillRandomId(kept));
    EXPECT_EQ(kept, "already");
    EXPECT_EQ(id.size(), 30u);
    EXPECT_EQ(id.find_first_not_of("0123456789abcdef"), std::string::npos);
    EXPECT_NE(id, other);
    char field[32] = {}, small[8] = {};
    EXPECT_TRUE(FillRandomId(field, sizeof field));
    EXPECT_FALSE(FillRandomId(field, sizeof field));
    EXPECT_TRUE(FillRandomId(small, sizeof small));
    EXPECT_EQ(std::strlen(field), 30u);
    EXPECT_EQ(std::strlen(small), 7u);
    EXPECT_FALSE(FillRandomId(nullptr, 10));
}

TEST(UtilTest, OsVersionFlags) {
    // Major, minor, build, platform, extended, product type; the registry's product text.
    const std::tuple<platform::OsVersionRecord, const char*, uint32_t> cases[] = {
        {{3, 11, 0, 0}, "", kOsWin32s},
        {{4, 0, 0, 1}, "", kOsWin95},
        {{4, 10, 0, 1}, "", kOsWin98},
        {{4, 90, 0, 1}, "", kOsWinMe},
        {{4, 0, 0, 2}, "WINNT", kOsNt4 | kOsNtProductText},
        {{4, 0, 0, 2}, "servernt", kOsNt4 | kOsServer},
        {{5, 0, 0, 2, true, 1}, "", kOsWin2000 | kOsWorkstation},
        {{5, 1, 0, 2, true, 1}, "WINNT", kOsWinXp | kOsWorkstation},
        {{5, 2, 0, 2, true, 3}, "", kOsServer},
        {{6, 0, 0, 2, true, 2}, "", kOsVista | kOsDomainController},
        {{6, 1, 0, 2, true, 1}, "", kOsWin7 | kOsWorkstation},
        {{10, 0, 0, 2, true, 1}, "", kOsNewerNt | kOsWorkstation},
    };
    for (const auto& [v, registry, flags] : cases)
        EXPECT_EQ(OsVersionFlagsOf(v, registry), flags)
            << v.platformId << " " << v.majorVersion << "." << v.minorVersion;
    uint32_t flags = 0;
    ASSERT_TRUE(GetOSVersionFlags(&flags));  // this machine
    EXPECT_EQ(flags, kOsWin7 | kOsWorkstation);
    EXPECT_FALSE(GetOSVersionFlags(nullptr));
}

// Each test starts from the defaults and puts them back.
class LogTest : public ::testing::Test {
  protected:
    LogTest() : time_({2026, 12, 5, 9, 3, 7}), scope_(time_) { LogOpen("KYXLog", 0x80008); }
    ~LogTest() override { LogOpen("KYXLog", 0x80008); }

    static constexpr const char* kStamp = "2026/12/05  09:03:07  ";
    testing::TempProgramDir dir_;
    platform::ManualLocalTime time_;
    platform::ScopedLocalTime scope_;
};

TEST_F(LogTest, LinesGoToTheDailyFileOfTheNameAndFlagsGiven) {
    LogPrintf("packet length error! len = %ld", 5000L);
    LogWrite("100% done");  // taken as it is
    LogWrite(nullptr);
    LogPrintf("%s", "错误的记分");  // written as UTF-8
    time_.Set({2026, 12, 6, 0, 0, 0});
    LogPrintf("next day");
    EXPECT_EQ(dir_.Read("KYXLog20261205.log"), std::string(kStamp) +
                                                   "packet length error! len = 5000\r\n" + kStamp +
                                                   "100% done\r\n" + kStamp + "\r\n" + kStamp +
                                                   platform::GbkToUtf8("错误的记分") + "\r\n");
    const std::string stamp = "2026/12/06  00:00:00  ";
    EXPECT_EQ(dir_.Read("KYXLog20261206.log"), stamp + "next day\r\n");
    LogOpen("Game", 0xA001D);
    LogPrintf("%s %d", "x", 1);
    LogOpen(nullptr, 0x80000);  // without the line-end bit
    LogPrintf("kept");
    LogOpen(nullptr, 0);
    LogPrintf("!");
    EXPECT_EQ(dir_.Read("Game20261206.log"), stamp + "x 1\r\n" + stamp + "kept" + stamp + "!");
    LogOpen("Other", 0x8);  // without the file bit
    LogPrintf("nowhere");
    EXPECT_FALSE(std::filesystem::exists(dir_ / "Other20261206.log"));
}

TEST_F(LogTest, OverlongMessagesAreCutAtACharacterBoundary) {
    LogPrintf("%s", std::string(10000, 'a').c_str());
    EXPECT_EQ(dir_.Read("KYXLog20261205.log"),
              kStamp + std::string(kLogMessageSize - 1, 'a') + "\r\n");
    // Double-byte characters only: a cut at 4095 bytes falls inside one.
    LogOpen("Wide", 0);
    std::string message;
    while (message.size() < 6000)
        message += "\xB4\xED";
    LogPrintf("%s", message.c_str());
    const std::string text = dir_.Read("Wide20261205.log");
    const std::string body = text.substr(22, text.size() - 24);
    EXPECT_EQ(body.size(), 2047u * 3);  // whole characters, three UTF-8 bytes each
    EXPECT_EQ(body.find("\xEF\xBF\xBD"), std::string::npos) << "no replacement character";
}

}  // namespace
}  // namespace transport
