#include "tools/gameserver/envelope.h"

#include <gtest/gtest.h>

#include "platform/bytes.h"

namespace gameserver {
namespace {

std::vector<uint32_t> Words(const Bytes& b, size_t count, size_t at = 0) {
    std::vector<uint32_t> out;
    for (size_t i = 0; i < count; ++i)
        out.push_back(platform::LoadLE32(&b[at + 4 * i]));
    return out;
}

Key TestKey() {
    return {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
}

Bytes Filled(size_t n) {
    Bytes out(n);
    for (size_t i = 0; i < n; ++i)
        out[i] = uint8_t(i * 13 + 5);
    return out;
}

TEST(AesTest, Fips197Example) {
    Key key;
    for (int i = 0; i < 16; ++i)
        key[size_t(i)] = uint8_t(i);
    Bytes plain;
    for (int i = 0; i < 16; ++i)
        plain.push_back(uint8_t(i * 0x11));
    const Bytes expected = {0x69, 0xc4, 0xe0, 0xd8, 0x6a, 0x7b, 0x04, 0x30,
                            0xd8, 0xcd, 0xb7, 0x80, 0x70, 0xb4, 0xc5, 0x5a};
    EXPECT_EQ(AesEcb(plain, key, true), expected);
    EXPECT_EQ(AesEcb(expected, key, false), plain);
}

TEST(SealTest, BothEnvelopesStoredAroundThirtyBytes) {
    Bytes body = Filled(30);
    Bytes sealed = Seal(body, TestKey(), 0, 0);
    ASSERT_EQ(sealed.size(), 70u);
    EXPECT_EQ(Words(sealed, 5), (std::vector<uint32_t>{0, 50, 0, 0, 50}));
    EXPECT_EQ(Words(sealed, 5, 20), (std::vector<uint32_t>{0, 30, 0, 0, 30}));
    EXPECT_EQ(Bytes(sealed.begin() + 40, sealed.end()), body);
    std::string error;
    EXPECT_EQ(Open(sealed, TestKey(), error), body);
}

TEST(SealTest, CipherPadsToWholeBlocksPlusOneWhenAligned) {
    // A 28-byte body inside a stored compression envelope is 48 bytes.
    Bytes body = Filled(28);
    Bytes sealed = Seal(body, TestKey(), kCipherOn, 0);
    EXPECT_EQ(Words(sealed, 5), (std::vector<uint32_t>{0x100, 48, 0, 0, 64}));
    ASSERT_EQ(sealed.size(), 20u + 64);
    std::string error;
    EXPECT_EQ(Open(sealed, TestKey(), error), body) << error;
}

TEST(SealTest, RoundTripsEverySizeAndMode) {
    for (uint32_t cipher : {0u, kCipherOn}) {
        for (uint32_t compress : {0u, kCompressOn}) {
            for (size_t n : {size_t(1), size_t(15), size_t(16), size_t(17), size_t(40000)}) {
                Bytes body = Filled(n);
                std::string error;
                auto back = Open(Seal(body, TestKey(), cipher, compress), TestKey(), error);
                ASSERT_TRUE(back) << error;
                EXPECT_EQ(*back, body) << cipher << " " << compress << " " << n;
            }
        }
    }
}

TEST(SealTest, CompressedFormKeptEvenWhenItDoesNotShrink) {
    Bytes body = {0x5a};
    Bytes sealed = Seal(body, TestKey(), 0, kCompressOn);
    EXPECT_EQ(platform::LoadLE32(&sealed[20]), kCompressOn);
    EXPECT_EQ(platform::LoadLE32(&sealed[24]), 1u);
}

TEST(OpenTest, RefusesBrokenEnvelopes) {
    Key key = TestKey();
    Bytes good = Seal(Filled(100), key, kCipherOn, kCompressOn);
    auto mutate = [&](size_t offset, uint32_t value) {
        Bytes bad = good;
        platform::StoreLE32(&bad[offset], value);
        return bad;
    };
    struct Case {
        const char* name;
        Bytes bytes;
    } cases[] = {
        {"cut head", Bytes(good.begin(), good.begin() + 10)},
        {"size word one more", mutate(16, platform::LoadLE32(&good[16]) + 1)},
        {"plain size above payload", mutate(4, 4096)},
        {"cipher without 0x100", mutate(0, 0x1)},
        {"payload not whole blocks",
         [&] {
             Bytes bad = good;
             bad.pop_back();
             platform::StoreLE32(&bad[16], uint32_t(bad.size() - 20));
             return bad;
         }()},
        {"wrong key",
         [&] {
             Key other = key;
             other[0] ^= 1;
             return Seal(Filled(100), other, kCipherOn, kCompressOn);
         }()},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(Open(c.bytes, key, error)) << c.name;
        EXPECT_FALSE(error.empty()) << c.name;
    }
}

TEST(OpenTest, CompressedSizeWordOneMoreThanTheBytesLeftIsRefused) {
    Bytes sealed = Seal(Filled(64), TestKey(), 0, kCompressOn);
    platform::StoreLE32(&sealed[36], platform::LoadLE32(&sealed[36]) + 1);
    std::string error;
    EXPECT_FALSE(Open(sealed, TestKey(), error));
}

TEST(BodyTest, RoundTripsAndChecksItsLengthWord) {
    Body body{201001, Filled(7)};
    Bytes bytes = EncodeBody(body);
    ASSERT_EQ(bytes.size(), 35u);
    EXPECT_EQ(Words(bytes, 7), (std::vector<uint32_t>{0, 201001, 0, 0, 0, 0, 7}));
    std::string error;
    auto back = DecodeBody(bytes, error);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->code, 201001u);
    EXPECT_EQ(back->data, body.data);
    bytes.pop_back();
    EXPECT_FALSE(DecodeBody(bytes, error));
}

}  // namespace
}  // namespace gameserver
