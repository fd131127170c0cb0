// AES and CRC-32 on both code paths, the processor's instructions (where
// present) and the tables, against published vectors and independent code:
// OpenSSL (via the game server's codec, which is written apart) and zlib.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "tools/gameserver/envelope.h"
#include "tools/proxypeer/proxy_peer.h"
#include "transport/crc32.h"
#include "transport/crc32_clmul.h"
#include "transport/rijndael.h"
#include "transport/rijndael_ni.h"

namespace transport {
namespace {

using Bytes = std::vector<uint8_t>;
using proxypeer::FromHex;

Bytes Random(size_t n, std::mt19937& rng) {
    Bytes out(n);
    for (auto& b : out)
        b = uint8_t(rng());
    return out;
}

class RijndaelPathTest : public ::testing::TestWithParam<CodePath> {};

INSTANTIATE_TEST_SUITE_P(Paths, RijndaelPathTest,
                         ::testing::Values(CodePath::kAuto, CodePath::kTable),
                         [](const auto& info) {
                             return info.param == CodePath::kTable ? "Table" : "Hardware";
                         });

TEST_P(RijndaelPathTest, Fips197ExampleVectorsBothWays) {
    CRijndael chosen(GetParam());
    EXPECT_EQ(chosen.UsesHardware(), GetParam() == CodePath::kAuto && aes_ni::Available());
    if (GetParam() == CodePath::kAuto && !aes_ni::Available())
        std::printf("no AES instructions here: the automatic path is the table path\n");
    const std::pair<const char*, const char*> cases[] = {
        {"000102030405060708090a0b0c0d0e0f", "69c4e0d86a7b0430d8cdb78070b4c55a"},
        {"000102030405060708090a0b0c0d0e0f1011121314151617", "dda97ca4864cdfe06eaf70a0ec0d7191"},
        {"000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f",
         "8ea2b7ca516745bfeafc49904b496089"},
    };
    const Bytes plain = FromHex("00112233445566778899aabbccddeeff");
    for (auto [keyHex, cipherHex] : cases) {
        const Bytes key = FromHex(keyHex);
        CRijndael aes(GetParam());
        ASSERT_TRUE(aes.SetKey(key.data(), int(key.size() * 8)));
        EXPECT_EQ(aes.KeyWords(), int(key.size() / 4));
        Bytes out(16), back(16);
        ASSERT_TRUE(aes.EncryptBlock(plain.data(), out.data()));
        EXPECT_EQ(out, FromHex(cipherHex));
        ASSERT_TRUE(aes.DecryptBlock(out.data(), back.data()));
        EXPECT_EQ(back, plain);
    }
}

// Buffers of 1 to 64 blocks (around the eight-block stride of the
// instructions), then the extra block: the cipher of a block of zeros.
TEST_P(RijndaelPathTest, BuffersAgreeWithOpenSslInPlaceAndOut) {
    std::mt19937 rng(42);
    for (size_t keyBytes : {16u, 24u, 32u}) {
        for (int round = 0; round < 20; ++round) {
            const Bytes key = Random(keyBytes, rng), data = Random(16 * (rng() % 64 + 1), rng);
            CRijndael aes(GetParam());
            ASSERT_TRUE(aes.SetKey(key.data(), int(keyBytes * 8)));
            uint32_t n = 0;
            Bytes out(data.size() + 16);
            ASSERT_TRUE(aes.EncryptBuffer(data.data(), uint32_t(data.size()), out.data(), &n));
            EXPECT_EQ(n, data.size() + 16);
            EXPECT_EQ(out, gameserver::AesEcb(proxypeer::Cat({data, Bytes(16, 0)}), key, true));
            // Deciphered in place.
            ASSERT_TRUE(aes.DecryptBuffer(out.data(), n, out.data(), &n));
            EXPECT_EQ(Bytes(out.begin(), out.end() - 16), data);
        }
    }
}

TEST(RijndaelTest, OutputLengthsAndRefusedKeys) {
    const std::pair<uint32_t, uint32_t> lengths[] = {{0, 16},  {1, 16},      {15, 16},    {16, 32},
                                                     {17, 32}, {4000, 4016}, {4001, 4016}};
    CRijndael unkeyed;
    for (auto [n, out] : lengths) {
        uint32_t length = 0;
        EXPECT_TRUE(unkeyed.EncryptBuffer(nullptr, n, nullptr, &length));
        EXPECT_EQ(length, out) << n;
    }
    uint32_t length = 0;
    EXPECT_FALSE(CRijndael::BufferLength(0xFFFFFFF0u, &length));
    EXPECT_TRUE(CRijndael::BufferLength(0xFFFFFFEFu, &length));
    EXPECT_EQ(length, 0xFFFFFFF0u);
    const Bytes key(64, 1);
    for (int bits : {0, 64, 100, 127, 129, 160, 224, 255, 257, 512, -128}) {
        CRijndael aes;
        ASSERT_TRUE(aes.SetKey(key.data(), 256));
        EXPECT_FALSE(aes.SetKey(key.data(), bits)) << bits;  // the old key is forgotten too
        EXPECT_FALSE(aes.Keyed());
        uint8_t block[16] = {}, out[16] = {};
        EXPECT_FALSE(aes.EncryptBlock(block, out));
        EXPECT_FALSE(aes.DecryptBlock(block, out));
        EXPECT_FALSE(aes.EncryptBuffer(block, 16, out, &length));
    }
    EXPECT_FALSE(CRijndael().SetKey(nullptr, 128));
}

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
