#include "transport/crc32.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>
#include <vector>

#include "transport/crc32_clmul.h"

namespace transport {
namespace {

TEST(Crc32Test, CheckValueOfTheNineDigits) {
    CCrc32 crc;
    EXPECT_EQ(crc.Compute("123456789", 9), 0xCBF43926u);
}

TEST(Crc32Test, KnownAnswers) {
    struct Case {
        std::string text;
        uint32_t crc;
    };
    const Case cases[] = {
        {"a", 0xE8B7BE43u},
        {"abc", 0x352441C2u},
        {"The quick brown fox jumps over the lazy dog", 0x414FA339u},
        {std::string(32, '\0'), 0x190A55ADu},
    };
    CCrc32 crc;
    for (const Case& c : cases)
        EXPECT_EQ(crc.Compute(c.text.data(), uint32_t(c.text.size())), c.crc);
}

TEST(Crc32Test, NullOrEmptyGivesZero) {
    CCrc32 crc;
    EXPECT_EQ(crc.Compute(nullptr, 10), 0u);
    EXPECT_EQ(crc.Compute("abc", 0), 0u);
}

TEST(Crc32Test, TableFollowsTheReflectedConstruction) {
    CCrc32 crc;
    EXPECT_EQ(crc.Table()[0], 0u);
    EXPECT_EQ(crc.Table()[1], 0x77073096u);
    EXPECT_EQ(crc.Table()[255], 0x2D02EF8Du);
    EXPECT_EQ(CCrc32::Reflect(0x1, 8), 0x80u);
    EXPECT_EQ(CCrc32::Reflect(0x04C11DB7, 32), 0xEDB88320u);
}

// The checks against zlib run on both code paths: carry-less multiplication
// (where present) and the tables.
class Crc32PathTest : public ::testing::TestWithParam<CodePath> {};

INSTANTIATE_TEST_SUITE_P(Paths, Crc32PathTest, ::testing::Values(CodePath::kAuto, CodePath::kTable),
                         [](const auto& info) {
                             return info.param == CodePath::kTable ? "Table" : "Hardware";
                         });

TEST_P(Crc32PathTest, AgreesWithZlibOnRandomBuffersOfEveryAlignment) {
    std::mt19937 rng(1234);
    CCrc32 crc(GetParam());
    EXPECT_EQ(crc.UsesHardware(), GetParam() == CodePath::kAuto && crc32_clmul::Available());
    for (int round = 0; round < 300; ++round) {
        // Every length up to 200 (around the folding stride), then random ones.
        std::vector<uint8_t> data(round < 200 ? size_t(round) + 1 : rng() % 5000 + 1);
        for (auto& b : data)
            b = uint8_t(rng());
        size_t offset = round < 200 ? 0 : rng() % data.size();
        const uint8_t* p = data.data() + offset;
        uInt n = uInt(data.size() - offset);
        EXPECT_EQ(crc.Compute(p, n), uint32_t(crc32(0, p, n))) << data.size() << " " << offset;
    }
    std::vector<uint8_t> large((1 << 20) + 13);
    for (auto& b : large)
        b = uint8_t(rng());
    EXPECT_EQ(crc.Compute(large.data(), uint32_t(large.size())),
              uint32_t(crc32(0, large.data(), uInt(large.size()))));
}

TEST_P(Crc32PathTest, UpdateInPiecesEqualsOneUpdate) {
    std::vector<uint8_t> data(1000);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = uint8_t(i * 7 + 3);
    CCrc32 crc(GetParam());
    uint32_t running = 0xFFFFFFFF;
    crc.Update(data.data(), 3, running);
    crc.Update(data.data() + 3, 500, running);
    crc.Update(data.data() + 503, 497, running);
    EXPECT_EQ(~running, crc.Compute(data.data(), 1000));
}

}  // namespace
}  // namespace transport
