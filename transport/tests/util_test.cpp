#include "transport/util.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "transport/tests/temp_program_dir.h"

namespace transport {
namespace {

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
    struct Case {
        const char* path;
        int flags;
        const char* out;
    } cases[] = {
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
    for (const Case& c : cases) {
        std::string out;
        GetPathParts(c.path, c.flags, out);
        EXPECT_EQ(out, c.out) << c.path << " " << c.flags;
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
    struct Case {
        platform::OsVersionRecord v;  // major, minor, build, platform, extended, product type
        const char* registry;
        uint32_t flags;
    } cases[] = {
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
    for (const Case& c : cases)
        EXPECT_EQ(OsVersionFlagsOf(c.v, c.registry), c.flags)
            << c.v.platformId << " " << c.v.majorVersion << "." << c.v.minorVersion;
    uint32_t flags = 0;
    ASSERT_TRUE(GetOSVersionFlags(&flags));  // this machine
    EXPECT_EQ(flags, kOsWin7 | kOsWorkstation);
    EXPECT_FALSE(GetOSVersionFlags(nullptr));
}

}  // namespace
}  // namespace transport
