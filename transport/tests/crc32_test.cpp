// CRC-32 on both code paths, carry-less multiplication (where present) and
// the tables, against published check values and zlib.
#include "transport/crc32.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>
#include <vector>

#include "transport/crc32_clmul.h"

namespace transport {
namespace {

class Crc32PathTest : public ::testing::TestWithParam<CodePath> {};

INSTANTIATE_TEST_SUITE_P(Paths, Crc32PathTest, ::testing::Values(CodePath::kAuto, CodePath::kTable),
                         [](const auto& info) {
                             return info.param == CodePath::kTable ? "Table" : "Hardware";
                         });

TEST_P(Crc32PathTest, KnownAnswers) {
    const std::pair<std::string, uint32_t> cases[] = {
        {"123456789", 0xCBF43926u},
        {"a", 0xE8B7BE43u},
        {"The quick brown fox jumps over the lazy dog", 0x414FA339u},
        {std::string(32, '\0'), 0x190A55ADu},
        {"", 0},
    };
    CCrc32 crc(GetParam());
    EXPECT_EQ(crc.UsesHardware(), GetParam() == CodePath::kAuto && crc32_clmul::Available());
    for (const auto& [text, value] : cases)
        EXPECT_EQ(crc.Compute(text.data(), uint32_t(text.size())), value) << text;
    EXPECT_EQ(crc.Compute(nullptr, 10), 0u);
    EXPECT_EQ(crc.Table()[1], 0x77073096u);
    EXPECT_EQ(crc.Table()[255], 0x2D02EF8Du);
    EXPECT_EQ(CCrc32::Reflect(0x04C11DB7, 32), 0xEDB88320u);
}

TEST_P(Crc32PathTest, AgreesWithZlibAtEveryLengthAndAlignmentAndInPieces) {
    std::mt19937 rng(1234);
    CCrc32 crc(GetParam());
    std::vector<uint8_t> data((1 << 20) + 13);
    for (auto& b : data)
        b = uint8_t(rng());
    // Every length up to 200 (around the folding stride), then random ones.
    for (int round = 0; round < 301; ++round) {
        const size_t offset = round < 200 ? 0 : rng() % 64;
        const size_t n = round < 200   ? size_t(round) + 1
                         : round < 300 ? rng() % 5000 + 1
                                       : data.size() - 64;
        const uint8_t* p = data.data() + offset;
        EXPECT_EQ(crc.Compute(p, uint32_t(n)), uint32_t(crc32(0, p, uInt(n))))
            << n << " " << offset;
    }
    uint32_t running = 0xFFFFFFFF;
    crc.Update(data.data(), 3, running);
    crc.Update(data.data() + 3, 500, running);
    crc.Update(data.data() + 503, 497, running);
    EXPECT_EQ(~running, crc.Compute(data.data(), 1000));
}

}  // namespace
}  // namespace transport
