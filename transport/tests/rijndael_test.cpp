// AES on both code paths, the processor's instructions (where present) and
// the tables, against the published vectors and OpenSSL (via the game
// server's codec, which is written apart).
#include "transport/rijndael.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <vector>

#include "tools/gameserver/envelope.h"
#include "tools/proxypeer/proxy_peer.h"
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

TEST_P(RijndaelPathTest, PartialBlocksArePaddedWithZerosAndRefusedOnTheWayBack) {
    const Bytes key(16, 9);
    CRijndael aes(GetParam());
    ASSERT_TRUE(aes.SetKey(key.data(), 128));
    Bytes out(16), back(16);
    uint32_t n = 0;
    ASSERT_TRUE(aes.EncryptBuffer(reinterpret_cast<const uint8_t*>("abc"), 3, out.data(), &n));
    EXPECT_EQ(n, 16u);
    ASSERT_TRUE(aes.DecryptBuffer(out.data(), 16, back.data(), &n));
    EXPECT_EQ(back, proxypeer::Cat({proxypeer::ToBytes("abc"), Bytes(13, 0)}));
    Bytes untouched(64, 0xEE);
    n = 123;
    EXPECT_FALSE(aes.DecryptBuffer(untouched.data(), 33, untouched.data(), &n));
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(untouched, Bytes(64, 0xEE));
    EXPECT_FALSE(aes.DecryptBuffer(untouched.data(), 15, nullptr, &n));
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

TEST(EncryptorBaseTest, FlagsChooseTheDirectionAndASizeQueryWritesNothing) {
    const Bytes key(16, 3), in = FromHex(
                                "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f20"
                                "2122232425262728292a2b2c2d2e2f");
    Bytes cipher(64, 0xAA), plain(80);
    CEncryptorBase encryptor;
    uint32_t n = 0;
    for (uint32_t flags : {0x1u, 0x100u}) {
        EXPECT_FALSE(
            encryptor.EncryptBuffer(key.data(), 128, in.data(), 48, cipher.data(), &n, flags));
        EXPECT_EQ(cipher, Bytes(64, 0xAA));
    }
    EXPECT_FALSE(encryptor.EncryptBuffer(key.data(), 100, in.data(), 48, cipher.data(), &n, 0x101));
    ASSERT_TRUE(encryptor.EncryptBuffer(key.data(), 128, in.data(), 48, nullptr, &n, 0x101));
    EXPECT_EQ(n, 64u);
    ASSERT_TRUE(encryptor.EncryptBuffer(key.data(), 128, in.data(), 48, cipher.data(), &n, 0x101));
    EXPECT_EQ(Bytes(cipher.begin(), cipher.begin() + 48), gameserver::AesEcb(in, key, true));
    ASSERT_TRUE(
        encryptor.EncryptBuffer(key.data(), 128, cipher.data(), 64, plain.data(), &n, 0x102));
    EXPECT_EQ(n, 80u);
    EXPECT_EQ(Bytes(plain.begin(), plain.begin() + 48), in);
}

}  // namespace
}  // namespace transport
