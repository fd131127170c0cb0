#include "platform/machine.h"

#include <gtest/gtest.h>

#include <set>

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
    OsVersionRecord v = GetOsVersionRecord();
    EXPECT_EQ(v.platformId, kPlatformNt);
    EXPECT_EQ(v.majorVersion, 6u);
    EXPECT_EQ(v.minorVersion, 1u);
    EXPECT_TRUE(v.extended);
    EXPECT_EQ(v.productType, kProductWorkstation);
    EXPECT_EQ(GetProductOptionsType(), "WINNT");
}

TEST(MachineTest, AdapterAddressesSkipLoopbackAndEmptyAddresses) {
    for (const AdapterAddress& a : GetEthernetAdapterAddresses()) {
        EXPECT_NE(a.name, "lo");
        bool allZero = true;
        for (uint8_t b : a.address)
            allZero = allZero && b == 0;
        EXPECT_FALSE(allZero) << a.name;
    }
}

}  // namespace
}  // namespace platform
