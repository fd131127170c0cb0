// The server's envelopes; the client's transform is held to them in every
// mode by the transport tests.
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

const Key kKey = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

Bytes Filled(size_t n) {
    Bytes out(n);
    for (size_t i = 0; i < n; ++i)
        out[i] = uint8_t(i * 13 + 5);
    return out;
}

TEST(EnvelopeTest, HeadsAndPadding) {
    std::string error;
    // A body is [0][code][4 zero words][n][data].
    const Body body{201001, Filled(7)};
    const Bytes encoded = EncodeBody(body);
    EXPECT_EQ(Words(encoded, 7), (std::vector<uint32_t>{0, 201001, 0, 0, 0, 0, 7}));
    EXPECT_EQ(DecodeBody(encoded, error)->data, body.data);
    EXPECT_FALSE(DecodeBody(Bytes(encoded.begin(), encoded.end() - 1), error));
    // Both envelopes stored around 30 bytes.
    Bytes sealed = Seal(Filled(30), kKey, 0, 0);
    ASSERT_EQ(sealed.size(), 70u);
    EXPECT_EQ(Words(sealed, 10), (std::vector<uint32_t>{0, 50, 0, 0, 50, 0, 30, 0, 0, 30}));
    EXPECT_EQ(Open(sealed, kKey, error), Filled(30));
    // 28 bytes in a stored compression envelope are 48: whole blocks get one more.
    sealed = Seal(Filled(28), kKey, kCipherOn, 0);
    EXPECT_EQ(Words(sealed, 5), (std::vector<uint32_t>{0x100, 48, 0, 0, 64}));
    EXPECT_EQ(sealed.size(), 20u + 64);
    EXPECT_EQ(Open(sealed, kKey, error), Filled(28)) << error;
    // The compressed form is kept even when it does not shrink.
    sealed = Seal(Bytes{0x5a}, kKey, 0, kCompressOn);
    EXPECT_EQ(Words(sealed, 2, 20), (std::vector<uint32_t>{kCompressOn, 1}));
    EXPECT_EQ(Open(sealed, kKey, error), Bytes{0x5a});
}

TEST(EnvelopeTest, OpenRefusesBrokenEnvelopes) {
    const Bytes good = Seal(Filled(100), kKey, kCipherOn, kCompressOn);
    auto with = [](Bytes b, size_t offset, uint32_t value) {
        platform::StoreLE32(&b[offset], value);
        return b;
    };
    Bytes notWhole = good;
    notWhole.pop_back();
    Key other = kKey;
    other[0] ^= 1;
    Bytes compressed = Seal(Filled(64), kKey, 0, kCompressOn);
    struct Case {
        const char* name;
        Bytes bytes;
    } cases[] = {
        {"cut head", Bytes(good.begin(), good.begin() + 10)},
        {"size word one more", with(good, 16, platform::LoadLE32(&good[16]) + 1)},
        {"plain size above payload", with(good, 4, 4096)},
        {"cipher without 0x100", with(good, 0, 0x1)},
        {"payload not whole blocks", with(notWhole, 16, uint32_t(notWhole.size() - 20))},
        {"wrong key", Seal(Filled(100), other, kCipherOn, kCompressOn)},
        {"compressed size word one more",
         with(compressed, 36, platform::LoadLE32(&compressed[36]) + 1)},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(Open(c.bytes, kKey, error)) << c.name;
        EXPECT_FALSE(error.empty()) << c.name;
    }
}

}  // namespace
}  // namespace gameserver
