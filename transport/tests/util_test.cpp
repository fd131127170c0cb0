#include "transport/util.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>
#include <vector>

#include "transport/tests/temp_program_dir.h"

namespace transport {
namespace {

TEST(UtilTest, IntLog2AndPowerOfTwo) {
    const std::pair<int, int> logs[] = {{-5, 0},   {0, 0},     {1, 0},       {2, 1},
                                        {1023, 9}, {1024, 10}, {INT_MAX, 30}};
    for (auto [n, log] : logs)
        EXPECT_EQ(IntLog2(n), log) << n;
    const std::pair<int, int> powers[] = {{-3, 1},       {0, 1},        {1, 2},  {10, 1024},
                                          {30, 1 << 30}, {31, INT_MIN}, {32, 0}, {1000, 0}};
    for (auto [n, power] : powers)
        EXPECT_EQ(PowerOfTwo(n), power) << n;
}

TEST(UtilTest, CopyStringNAndBytesToHex) {
    char dst[8] = "zzzzzzz";
    CopyStringN(nullptr, "abc", -1);
    CopyStringN(dst, nullptr, -1);
    CopyStringN(dst, "abc", 2);
    EXPECT_STREQ(dst, "abzzzzz");
    CopyStringN(dst, "abc", -1);
    EXPECT_STREQ(dst, "abc");
    CopyStringN(dst, "xy", 6);  // strncpy pads with NULs
    EXPECT_EQ(std::string(dst, 7), std::string("xy\0\0\0\0z", 7));
    const uint8_t bytes[] = {0x00, 0x0f, 0xab, 0xff};
    std::string out = "id:";
    BytesToHex(bytes, 4, out);
    BytesToHex(bytes, 0, out);
    BytesToHex(bytes, -1, out);
    EXPECT_EQ(out, "id:000fabff");
}

TEST(UtilTest, GetPathPartsSplitsLikeSplitpath) {
    struct Case {
        const char* path;
        int flags;
        const char* out;
    };
    const Case cases[] = {
        {"/opt/game/client.exe", kPathDirectory, "/opt/game/"},
        {"/opt/game/client.exe", kPathDirectory | kPathDrive, "/opt/game/"},
        {"/opt/game/client.exe", kPathFileName, "client"},
        {"/opt/game/client.exe", kPathExtension, ".exe"},
        {"/opt/game/client.exe", 15, "/opt/game/client.exe"},
        {"/opt/game/client.tar.gz", kPathFileName, "client.tar"},
        {"/opt/g.d/client", kPathExtension, ""},
        {"/opt/g.d/client", kPathFileName, "client"},
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
}

TEST(UtilTest, ProgramFolderAndPathKinds) {
    testing::TempProgramDir dir;
    std::string folder;
    GetModuleDir(folder);
    EXPECT_EQ(folder, dir.path());
    std::ofstream(dir.path() + "face1.bmp") << "x";
    EXPECT_TRUE(PathExists(dir.path() + "face1.bmp", false));
    EXPECT_FALSE(PathExists(dir.path() + "face1.bmp", true));
    EXPECT_TRUE(PathExists(dir.path(), true));
    EXPECT_FALSE(PathExists(dir.path(), false));
    EXPECT_FALSE(PathExists(dir.path() + "face2.bmp", false));
    EXPECT_FALSE(PathExists("", false));
}

TEST(UtilTest, RandomBytesAndIds) {
    for (size_t n : {0u, 1u, 15u, 16u, 17u, 100u}) {
        std::vector<uint8_t> a(n + 1, 0xCC), b(n + 1, 0xCC);
        EXPECT_TRUE(RandomBytes(a.data(), n));
        EXPECT_TRUE(RandomBytes(b.data(), n));
        EXPECT_EQ(a[n], 0xCC) << "nothing written past the end";
        if (n >= 8) {
            EXPECT_NE(a, b);
        }
    }
    std::string id, other, kept = "already";
    EXPECT_TRUE(FillRandomId(id));
    EXPECT_TRUE(FillRandomId(other));
    EXPECT_FALSE(FillRandomId(kept));
    EXPECT_EQ(kept, "already");
    ASSERT_EQ(id.size(), 30u);
    EXPECT_EQ(id.find_first_not_of("0123456789abcdef"), std::string::npos);
    EXPECT_NE(id, other);
    char field[32] = {}, small[8] = {};
    EXPECT_TRUE(FillRandomId(field, sizeof field));
    EXPECT_EQ(std::strlen(field), 30u);
    EXPECT_FALSE(FillRandomId(field, sizeof field));
    EXPECT_TRUE(FillRandomId(small, sizeof small));
    EXPECT_EQ(std::strlen(small), 7u);
    EXPECT_FALSE(FillRandomId(nullptr, 10));
}

TEST(UtilTest, OsVersionFlagsOfRecords) {
    using platform::OsVersionRecord;
    struct Case {
        OsVersionRecord v;
        const char* registry;
        uint32_t flags;
    };
    auto rec = [](uint32_t platformId, uint32_t major, uint32_t minor, bool extended = false,
                  uint8_t type = 0) {
        OsVersionRecord r;
        r.platformId = platformId;
        r.majorVersion = major;
        r.minorVersion = minor;
        r.extended = extended;
        r.productType = type;
        return r;
    };
    const Case cases[] = {
        {rec(0, 3, 11), "", kOsWin32s},
        {rec(1, 4, 0), "", kOsWin95},
        {rec(1, 4, 10), "", kOsWin98},
        {rec(1, 4, 90), "", kOsWinMe},
        {rec(2, 4, 0), "WINNT", kOsNt4 | kOsNtProductText},
        {rec(2, 4, 0), "servernt", kOsNt4 | kOsServer},
        {rec(2, 5, 0, true, 1), "", kOsWin2000 | kOsWorkstation},
        {rec(2, 5, 1, true, 1), "WINNT", kOsWinXp | kOsWorkstation},
        {rec(2, 5, 2, true, 3), "", kOsServer},
        {rec(2, 6, 0, true, 2), "", kOsVista | kOsDomainController},
        {rec(2, 6, 1, true, 1), "", kOsWin7 | kOsWorkstation},
        {rec(2, 10, 0, true, 1), "", kOsNewerNt | kOsWorkstation},
    };
    for (const Case& c : cases)
        EXPECT_EQ(OsVersionFlagsOf(c.v, c.registry), c.flags)
            << c.v.platformId << " " << c.v.majorVersion << "." << c.v.minorVersion;
}

TEST(UtilTest, ThisMachineIsAnNtWorkstation) {
    uint32_t flags = 0;
    ASSERT_TRUE(GetOSVersionFlags(&flags));
    EXPECT_EQ(flags, kOsWin7 | kOsWorkstation);
    EXPECT_FALSE(GetOSVersionFlags(nullptr));
}

TEST(UtilTest, ConnectionSerialsAreUniqueAcrossThreadsAndKeysNameHostAndPort) {
    const int32_t first = NextConnectionSerial();
    EXPECT_GE(first, 1);
    EXPECT_EQ(NextConnectionSerial(), first + 1);
    std::vector<std::vector<int32_t>> taken(4);
    std::vector<std::thread> threads;
    for (auto& list : taken)
        threads.emplace_back([&list] {
            for (int i = 0; i < 1000; ++i)
                list.push_back(NextConnectionSerial());
        });
    std::set<int32_t> all;
    for (size_t i = 0; i < threads.size(); ++i) {
        threads[i].join();
        all.insert(taken[i].begin(), taken[i].end());
    }
    EXPECT_EQ(all.size(), 4000u);
    EXPECT_EQ(MakeEntryKey("127.0.0.1", 9000), "127.0.0.1:9000");
    EXPECT_EQ(MakeEntryKey(nullptr, 80), ":80");
    EXPECT_EQ(MakeEntryKey("", -1), ":-1");
}

}  // namespace
}  // namespace transport
