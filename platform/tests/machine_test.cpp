#include "platform/machine.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <string>

namespace platform {
namespace {

TEST(MachineTest, UuidsAreVersionFourAndDistinct) {
    std::set<std::array<uint8_t, 16>> seen;
    for (int i = 0; i < 100; ++i) {
        std::array<uint8_t, 16> id{};
        ASSERT_TRUE(CreateUuid(id));
        EXPECT_EQ(id[6] >> 4, 4);
        EXPECT_EQ(id[8] >> 6, 2);
        seen.insert(id);
    }
    EXPECT_EQ(seen.size(), 100u);
}

TEST(MachineTest, VersionRecordIsAnNtSixOneWorkstation) {
    const OsVersionRecord v = GetOsVersionRecord();
    EXPECT_EQ(v.platformId, kPlatformNt);
    EXPECT_EQ(v.majorVersion, 6u);
    EXPECT_EQ(v.minorVersion, 1u);
    EXPECT_TRUE(v.extended);
    EXPECT_EQ(v.productType, kProductWorkstation);
    EXPECT_EQ(GetProductOptionsType(), "WINNT");
}

// The same facts as the kernel's own listing gives them: Ethernet only, no
// loopback, no empty address.
TEST(MachineTest, AdapterAddressesAgreeWithSysClassNet) {
    for (const AdapterAddress& a : GetEthernetAdapterAddresses()) {
        std::ifstream typeFile("/sys/class/net/" + a.name + "/type");
        int type = 0;
        typeFile >> type;
        EXPECT_EQ(type, 1) << a.name;  // ARPHRD_ETHER
        std::ifstream addressFile("/sys/class/net/" + a.name + "/address");
        std::string text;
        addressFile >> text;
        char expected[18];
        std::snprintf(expected, sizeof expected, "%02x:%02x:%02x:%02x:%02x:%02x", a.address[0],
                      a.address[1], a.address[2], a.address[3], a.address[4], a.address[5]);
        EXPECT_EQ(text, expected) << a.name;
        EXPECT_NE(text, "00:00:00:00:00:00") << a.name;
    }
}

}  // namespace
}  // namespace platform
