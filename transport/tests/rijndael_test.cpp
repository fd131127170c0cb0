#include "transport/rijndael.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "transport/rijndael_ni.h"
#include "transport/tests/aes_oracle.h"

namespace transport {
namespace {

std::vector<uint8_t> Hex(const std::string& hex) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(uint8_t(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

using testing::OpenSslEcb;

// Every cipher test runs on both code paths: the processor's AES instructions
// (where present) and the tables.
class RijndaelPathTest : public ::testing::TestWithParam<CodePath> {};

INSTANTIATE_TEST_SUITE_P(Paths, RijndaelPathTest,
                         ::testing::Values(CodePath::kAuto, CodePath::kTable),
                         [](const auto& info) {
                             return info.param == CodePath::kTable ? "Table" : "Hardware";
                         });

TEST_P(RijndaelPathTest, RunsTheChosenPath) {
    CRijndael aes(GetParam());
    EXPECT_EQ(aes.UsesHardware(), GetParam() == CodePath::kAuto && aes_ni::Available());
    if (GetParam() == CodePath::kAuto && !aes_ni::Available())
        std::printf("no AES instructions here: the automatic path is the table path\n");
}

TEST_P(RijndaelPathTest, Fips197ExampleVectorsBothWays) {
    struct Case {
        const char* key;
        const char* cipher;
    };
    const Case cases[] = {
        {"000102030405060708090a0b0c0d0e0f", "69c4e0d86a7b0430d8cdb78070b4c55a"},
        {"000102030405060708090a0b0c0d0e0f1011121314151617", "dda97ca4864cdfe06eaf70a0ec0d7191"},
        {"000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f",
         "8ea2b7ca516745bfeafc49904b496089"},
    };
    const auto plain = Hex("00112233445566778899aabbccddeeff");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        const auto key = Hex(c.key);
        CRijndael aes(GetParam());
        ASSERT_TRUE(aes.SetKey(key.data(), int(key.size() * 8)));
        EXPECT_EQ(aes.KeyWords(), int(key.size() / 4));
        uint8_t out[16];
        ASSERT_TRUE(aes.EncryptBlock(plain.data(), out));
        EXPECT_EQ(std::vector<uint8_t>(out, out + 16), Hex(c.cipher));
        uint8_t back[16];
        ASSERT_TRUE(aes.DecryptBlock(out, back));
        EXPECT_EQ(std::vector<uint8_t>(back, back + 16), plain);
    }
}

TEST_P(RijndaelPathTest, AgreesWithOpenSslOnRandomBuffers) {
    std::mt19937 rng(42);
    for (size_t keyBytes : {16u, 24u, 32u}) {
        for (int round = 0; round < 20; ++round) {
            // Lengths around the eight-block stride of the hardware path.
            std::vector<uint8_t> key(keyBytes), data(16 * (rng() % 64 + 1));
            for (auto& b : key)
                b = uint8_t(rng());
            for (auto& b : data)
                b = uint8_t(rng());
            CRijndael aes(GetParam());
            ASSERT_TRUE(aes.SetKey(key.data(), int(keyBytes * 8)));
            uint32_t outLength = 0;
            std::vector<uint8_t> out(data.size() + 16);
            ASSERT_TRUE(
                aes.EncryptBuffer(data.data(), uint32_t(data.size()), out.data(), &outLength));
            EXPECT_EQ(outLength, data.size() + 16);
            out.resize(data.size());  // the extra block is ours alone
            EXPECT_EQ(out, OpenSslEcb(key, data, true));
            std::vector<uint8_t> back(data.size() + 16);
            ASSERT_TRUE(
                aes.DecryptBuffer(out.data(), uint32_t(out.size()), back.data(), &outLength));
            back.resize(data.size());
            EXPECT_EQ(back, data);
            EXPECT_EQ(OpenSslEcb(key, out, false), data);
        }
    }
}

TEST(RijndaelTest, BothPathsGiveTheSameBytesInPlaceAndOutOfPlace) {
    std::mt19937 rng(7);
    for (int bits : {128, 192, 256}) {
        std::vector<uint8_t> key(size_t(bits / 8)), data(16 * 37 + 5);
        for (auto& b : key)
            b = uint8_t(rng());
        for (auto& b : data)
            b = uint8_t(rng());
        CRijndael fast, table(CodePath::kTable);
        ASSERT_TRUE(fast.SetKey(key.data(), bits));
        ASSERT_TRUE(table.SetKey(key.data(), bits));
        uint32_t n = 0;
        std::vector<uint8_t> a(data.size() + 16), b(data.size() + 16);
        ASSERT_TRUE(fast.EncryptBuffer(data.data(), uint32_t(data.size()), a.data(), &n));
        ASSERT_TRUE(table.EncryptBuffer(data.data(), uint32_t(data.size()), b.data(), &n));
        a.resize(n), b.resize(n);
        EXPECT_EQ(a, b) << bits;
        // In place: the input is the output.
        std::vector<uint8_t> inPlace = a;
        ASSERT_TRUE(fast.DecryptBuffer(inPlace.data(), n, inPlace.data(), &n));
        ASSERT_TRUE(table.DecryptBuffer(b.data(), uint32_t(b.size()), b.data(), &n));
        EXPECT_EQ(inPlace, b) << bits;
        EXPECT_EQ(std::vector<uint8_t>(b.begin(), b.begin() + long(data.size())), data);
    }
}

TEST(RijndaelTest, OutputLengths) {
    const std::pair<uint32_t, uint32_t> cases[] = {{0, 16},  {1, 16},      {15, 16},    {16, 32},
                                                   {17, 32}, {4000, 4016}, {4001, 4016}};
    CRijndael aes;
    for (auto [n, out] : cases) {
        uint32_t length = 0;
        EXPECT_TRUE(aes.EncryptBuffer(nullptr, n, nullptr, &length));
        EXPECT_EQ(length, out) << n;
    }
    uint32_t length = 0;
    EXPECT_FALSE(CRijndael::BufferLength(0xFFFFFFF0u, &length));
    EXPECT_TRUE(CRijndael::BufferLength(0xFFFFFFEFu, &length));
    EXPECT_EQ(length, 0xFFFFFFF0u);
}

TEST_P(RijndaelPathTest, PartialBlockIsZeroPaddedAndExtraBlockIsAnEmptyFinalBlock) {
    const auto key = Hex("000102030405060708090a0b0c0d0e0f");
    CRijndael aes(GetParam());
    ASSERT_TRUE(aes.SetKey(key.data(), 128));
    const std::vector<uint8_t> plain = {'a', 'b', 'c'};
    uint8_t out[16];
    uint32_t n = 0;
    ASSERT_TRUE(aes.EncryptBuffer(plain.data(), 3, out, &n));
    EXPECT_EQ(n, 16u);
    uint8_t back[16];
    ASSERT_TRUE(aes.DecryptBuffer(out, 16, back, &n));
    EXPECT_EQ(std::vector<uint8_t>(back, back + 16),
              std::vector<uint8_t>({'a', 'b', 'c', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));

    std::vector<uint8_t> block(16, 7), whole(32);
    ASSERT_TRUE(aes.EncryptBuffer(block.data(), 16, whole.data(), &n));
    EXPECT_EQ(n, 32u);
    uint8_t zeros[16] = {}, zeroCipher[16];
    aes.EncryptBlock(zeros, zeroCipher);
    EXPECT_EQ(std::vector<uint8_t>(whole.begin() + 16, whole.end()),
              std::vector<uint8_t>(zeroCipher, zeroCipher + 16));
}

TEST(RijndaelTest, UnsupportedKeySizesAreRefused) {
    std::vector<uint8_t> key(64, 1);
    for (int bits : {0, 64, 100, 127, 129, 160, 224, 255, 257, 512, -128}) {
        CRijndael aes;
        EXPECT_FALSE(aes.SetKey(key.data(), bits)) << bits;
        EXPECT_FALSE(aes.Keyed());
        uint8_t block[16] = {}, out[16] = {};
        EXPECT_FALSE(aes.EncryptBlock(block, out));
        EXPECT_FALSE(aes.DecryptBlock(block, out));
        uint32_t n = 0;
        EXPECT_FALSE(aes.EncryptBuffer(block, 16, out, &n));
    }
    CRijndael aes;
    EXPECT_FALSE(aes.SetKey(nullptr, 128));
}

TEST(RijndaelTest, RekeyingToABadSizeForgetsTheOldKey) {
    std::vector<uint8_t> key(32, 1);
    CRijndael aes;
    ASSERT_TRUE(aes.SetKey(key.data(), 256));
    EXPECT_FALSE(aes.SetKey(key.data(), 100));
    EXPECT_FALSE(aes.Keyed());
}

TEST_P(RijndaelPathTest, DecryptRefusesPartialBlocks) {
    std::vector<uint8_t> key(16, 9), in(33, 0), out(64, 0xEE);
    CRijndael aes(GetParam());
    ASSERT_TRUE(aes.SetKey(key.data(), 128));
    uint32_t n = 123;
    EXPECT_FALSE(aes.DecryptBuffer(in.data(), 33, out.data(), &n));
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(out, std::vector<uint8_t>(64, 0xEE));
    EXPECT_FALSE(aes.DecryptBuffer(in.data(), 15, nullptr, &n));
}

TEST(EncryptorBaseTest, NeedsTheCipherBit) {
    std::vector<uint8_t> key(16, 3), in(16, 1), out(32, 0xAA);
    CEncryptorBase encryptor;
    uint32_t n = 0;
    EXPECT_FALSE(encryptor.EncryptBuffer(key.data(), 128, in.data(), 16, out.data(), &n, 0x1));
    EXPECT_EQ(out, std::vector<uint8_t>(32, 0xAA));
    EXPECT_FALSE(encryptor.EncryptBuffer(key.data(), 128, in.data(), 16, out.data(), &n, 0x100));
    EXPECT_FALSE(encryptor.EncryptBuffer(key.data(), 100, in.data(), 16, out.data(), &n, 0x101));
}

TEST(EncryptorBaseTest, SizeQueryThenRoundTrip) {
    std::vector<uint8_t> key(16), in(48);
    for (size_t i = 0; i < in.size(); ++i)
        in[i] = uint8_t(i);
    CEncryptorBase encryptor;
    uint32_t n = 0;
    ASSERT_TRUE(encryptor.EncryptBuffer(key.data(), 128, in.data(), 48, nullptr, &n, 0x101));
    EXPECT_EQ(n, 64u);
    std::vector<uint8_t> cipher(n);
    ASSERT_TRUE(encryptor.EncryptBuffer(key.data(), 128, in.data(), 48, cipher.data(), &n, 0x101));
    EXPECT_EQ(std::vector<uint8_t>(cipher.begin(), cipher.begin() + 48), OpenSslEcb(key, in, true));
    std::vector<uint8_t> plain(80);
    ASSERT_TRUE(
        encryptor.EncryptBuffer(key.data(), 128, cipher.data(), 64, plain.data(), &n, 0x102));
    EXPECT_EQ(n, 80u);
    EXPECT_EQ(std::vector<uint8_t>(plain.begin(), plain.begin() + 48), in);
}

}  // namespace
}  // namespace transport
