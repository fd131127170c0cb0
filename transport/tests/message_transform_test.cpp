// The envelopes against the game server's codec, which is written apart
// (zlib and OpenSSL called directly): the same bytes both ways in every mode,
// then every incoming envelope that must be refused.
#include "transport/message_transform.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>
#include <vector>

#include "platform/bytes.h"
#include "tools/gameserver/envelope.h"
#include "tools/proxypeer/proxy_peer.h"

namespace transport {
namespace {

using Bytes = std::vector<uint8_t>;
using proxypeer::Cat;

const gameserver::Key kKey = {0x10, 0x21, 0x32, 0x43, 0x54, 0x65, 0x76, 0x87,
                              0x98, 0xA9, 0xBA, 0xCB, 0xDC, 0xED, 0xFE, 0x0F};

Bytes Held(const CByteBuffer& b) {
    return Bytes(b.Data(), b.Data() + b.Size());
}

CByteBuffer Buffer(const Bytes& bytes) {
    CByteBuffer b;
    b.Append(bytes.data(), uint32_t(bytes.size()));
    return b;
}

Bytes Head(uint32_t flags, uint32_t plain, uint32_t payload) {
    Bytes out;
    platform::ByteWriter w(out);
    w.U32(flags);
    w.U32(plain);
    w.Zeros(8);
    w.U32(payload);
    return out;
}

// Text-like bytes that compress, with some noise.
Bytes Pattern(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes out(n);
    for (auto& b : out)
        b = uint8_t(rng() % 7 == 0 ? rng() : 'a' + rng() % 4);
    return out;
}

struct Mode {
    const char* name;
    uint32_t cipher;
    uint32_t compression;
};

class EnvelopeTest : public ::testing::TestWithParam<std::tuple<Mode, size_t>> {};

// The server reads what the transform sends and the other way round; without
// compression the bytes are the same (zlib may cut its blocks otherwise).
TEST_P(EnvelopeTest, TheServersCodecReadsItAndIsRead) {
    const auto& [mode, size] = GetParam();
    const Bytes body = Pattern(size, uint32_t(size));
    const Bytes theirs = gameserver::Seal(body, kKey, mode.cipher, mode.compression);
    CMessageTransform sender(kKey.data(), 128, mode.cipher, mode.compression);
    CByteBuffer b = Buffer(body);
    ASSERT_TRUE(sender.Apply(b, kTransformOut));
    EXPECT_EQ(platform::LoadLE32(b.Data()), mode.cipher);
    std::string error;
    EXPECT_EQ(gameserver::Open(Held(b), kKey, error), body) << error;
    if (mode.compression == 0) {
        EXPECT_EQ(Held(b), theirs);
    }
    b = Buffer(theirs);
    ASSERT_TRUE(CMessageTransform(kKey.data(), 128, 0, 0).Apply(b, kTransformIn));  // heads decide
    EXPECT_EQ(Held(b), body);
}

INSTANTIATE_TEST_SUITE_P(
    EveryModeAndSize, EnvelopeTest,
    ::testing::Combine(::testing::Values(Mode{"stored", 0, 0}, Mode{"zlib", 0, kCompressOn},
                                         Mode{"aes", kCipherOn, 0},
                                         Mode{"zlibaes", kCipherOn, kCompressOn},
                                         // Direction bits in the flags never turn it around.
                                         Mode{"bits", kCipherOn | 0x1, kCompressOn | 0x2},
                                         Mode{"otherbits", kCipherOn | 0x2, kCompressOn | 0x1}),
                       ::testing::Values(1, 15, 16, 17, 4000, 1 << 20)),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).name) + "_" +
               std::to_string(std::get<1>(info.param));
    });

TEST(EnvelopeTest, AKeptTransformGivesWhatFreshOnesGiveAlsoAfterRefusals) {
    // The transform keeps its zlib streams between messages; a refused
    // incoming envelope in between must not leak into the next message.
    CMessageTransform kept(kKey.data(), 128, kCipherOn, kCompressOn);
    const Bytes garbled = Cat({Head(kCompressOn, 64, 64), Pattern(64, 20)});
    const Bytes bombBody = gameserver::DeflateSync(Bytes(5000, 0));
    const Bytes bomb = Cat({Head(kCompressOn, 100, uint32_t(bombBody.size())), bombBody});
    for (int round = 0; round < 3; ++round) {
        for (size_t size : {0, 1, 700, 40000, 100000, 33, 4096}) {
            SCOPED_TRACE(size);
            const Bytes body = Pattern(size, uint32_t(size + round));
            CByteBuffer ours = Buffer(body), fresh = Buffer(body);
            ASSERT_TRUE(kept.Apply(ours, kTransformOut));
            ASSERT_TRUE(CMessageTransform(kKey.data(), 128, kCipherOn, kCompressOn)
                            .Apply(fresh, kTransformOut));
            EXPECT_EQ(Held(ours), Held(fresh));
            ASSERT_TRUE(kept.Apply(ours, kTransformIn));
            EXPECT_EQ(Held(ours), body);
            for (const Bytes& wire : {garbled, bomb}) {
                CByteBuffer bad = Buffer(wire);
                EXPECT_FALSE(kept.Compress(bad, 2));
            }
        }
    }
    // A copy has streams of its own.
    CMessageTransform copy = kept;
    CByteBuffer b = Buffer(Pattern(500, 21));
    ASSERT_TRUE(copy.Apply(b, kTransformOut));
    ASSERT_TRUE(kept.Apply(b, kTransformIn));
    EXPECT_EQ(Held(b), Pattern(500, 21));
}

TEST(EnvelopeTest, ParametersModesAndKeys) {
    CMessageTransform transform;
    CByteBuffer b = Buffer({1, 2, 3});
    EXPECT_FALSE(transform.Apply(b, 0));
    EXPECT_FALSE(transform.Apply(b, 3));
    EXPECT_FALSE(transform.Compress(b, 3));
    EXPECT_FALSE(transform.Encrypt(b, 0));
    EXPECT_EQ(Held(b), Bytes({1, 2, 3}));
    EXPECT_FALSE(transform.TransformFile("/nonexistent/in", "/nonexistent/out", 4096, 1));
    EXPECT_TRUE(transform.SetParams(kKey.data(), 128, kCipherOn, kCompressOn));
    ASSERT_TRUE(transform.Apply(b, kTransformOut));
    EXPECT_EQ(Held(b), gameserver::Seal(Bytes{1, 2, 3}, kKey, kCipherOn, kCompressOn));
    // A cipher without a usable key fails on the way out; so does the compressor
    // asked for nothing, or for neither direction.
    for (int bits : {0, 64, 100, 128}) {
        CMessageTransform keyless(bits == 128 ? nullptr : kKey.data(), bits, kCipherOn, 0);
        CByteBuffer c = Buffer(Pattern(10, 6));
        EXPECT_FALSE(keyless.Apply(c, kTransformOut)) << bits;
    }
    CCompressorBase compressor;
    const Bytes data = Pattern(100, 18);
    Bytes out;
    EXPECT_FALSE(compressor.CompressBuffer(data.data(), 100, out, 0x1));
    EXPECT_FALSE(compressor.CompressBuffer(data.data(), 100, out, kCompressOn));
    EXPECT_FALSE(compressor.CompressBuffer(data.data(), 0, out, kCompressOn | 1));
}

// Incoming envelopes that must be refused, each on its own transform.
TEST(EnvelopeTest, BrokenIncomingEnvelopesAreRefused) {
    const Bytes body = Pattern(500, 11);
    const Bytes z = gameserver::DeflateSync(body);
    const uint32_t zs = uint32_t(z.size());
    Bytes finished(compressBound(500));
    uLongf finishedSize = uLongf(finished.size());
    ASSERT_EQ(compress(finished.data(), &finishedSize, body.data(), 500), Z_OK);
    finished.resize(finishedSize);
    const Bytes cipher = Pattern(64, 16);
    const Bytes zeros = gameserver::DeflateSync(Bytes(10u << 20, 0));  // 10 MB in about 10 KB
    const Bytes tooMuch = gameserver::DeflateSync(Bytes(kMaxPlainSize + 1, 0));
    const Bytes wrongKey = gameserver::Seal(body, gameserver::Key{1}, kCipherOn, 0);
    struct Case {
        const char* name;
        int step;  // 0 both envelopes, 1 compression only, 2 cipher only
        Bytes wire;
    } cases[] = {
        {"nothing", 1, Bytes()},
        {"short head", 2, Bytes(19, 0)},
        {"stored size word above the bytes left", 1, Cat({Head(0, 10, 11), Bytes(10, 1)})},
        {"stored size word below the bytes left", 2, Cat({Head(0, 10, 9), Bytes(10, 1)})},
        {"stored plain size disagrees", 1, Cat({Head(0, 11, 10), Bytes(10, 1)})},
        {"compressed size word one more", 1, Cat({Head(kCompressOn, 500, zs + 1), z})},
        {"plain size one less", 1, Cat({Head(kCompressOn, 499, zs), z})},
        {"plain size one more", 1, Cat({Head(kCompressOn, 501, zs), z})},
        {"plain size zero", 1, Cat({Head(kCompressOn, 0, zs), z})},
        {"not a zlib stream", 1, Cat({Head(kCompressOn, 64, 64), Pattern(64, 14)})},
        {"trailing bytes behind a finished stream", 1,
         Cat({Head(kCompressOn, 500, uint32_t(finished.size() + 1)), finished, Bytes(1, 0)})},
        {"inflates past its head", 1,
         Cat({Head(kCompressOn, 1000, uint32_t(zeros.size())), zeros})},
        {"claims ten megabytes", 1,
         Cat({Head(kCompressOn, 10u << 20, uint32_t(zeros.size())), zeros})},
        {"more than one message", 1,
         Cat({Head(kCompressOn, kMaxPlainSize + 1, uint32_t(tooMuch.size())), tooMuch})},
        {"cipher size word one more", 2, Cat({Head(0x100, 48, 65), cipher})},
        {"cipher plain size above the payload", 2, Cat({Head(0x100, 65, 64), cipher})},
        {"payload not whole blocks", 2,
         Cat({Head(0x100, 40, 63), Bytes(cipher.begin(), cipher.end() - 1)})},
        {"no cipher bit", 2, Cat({Head(0x200, 48, 64), cipher})},
        {"empty cipher payload", 2, Head(0x100, 0, 0)},
        {"wrong key", 0, wrongKey},
    };
    for (const Case& c : cases) {
        CMessageTransform t(kKey.data(), 128, 0, 0);
        CByteBuffer b = Buffer(c.wire);
        const bool taken = c.step == 0   ? t.Apply(b, kTransformIn)
                           : c.step == 1 ? t.Compress(b, 2)
                                         : t.Encrypt(b, 2);
        EXPECT_FALSE(taken) << c.name;
    }
    // Exactly one message's worth inflates, and a finished stream does too.
    const Bytes most = gameserver::DeflateSync(Bytes(kMaxPlainSize, 0));
    CByteBuffer b = Buffer(Cat({Head(kCompressOn, kMaxPlainSize, uint32_t(most.size())), most}));
    EXPECT_TRUE(CMessageTransform().Compress(b, 2));
    b = Buffer(Cat({Head(kCompressOn, 500, uint32_t(finished.size())), finished}));
    ASSERT_TRUE(CMessageTransform().Compress(b, 2));
    EXPECT_EQ(Held(b), body);
    // A changed byte mostly breaks the stream; where it still inflates to the
    // plain size it gives other bytes, never more of them.
    std::mt19937 rng(13);
    int refused = 0;
    for (int i = 0; i < 50; ++i) {
        Bytes g = z;
        g[rng() % zs] ^= uint8_t(1 + rng() % 255);
        b = Buffer(Cat({Head(kCompressOn, 500, zs), g}));
        if (!CMessageTransform().Compress(b, 2)) {
            ++refused;
        } else {
            EXPECT_EQ(b.Size(), 500u);
        }
    }
    EXPECT_GT(refused, 0);
    // Every cut of a whole sealed message is refused.
    const Bytes whole = gameserver::Seal(body, kKey, kCipherOn, kCompressOn);
    for (size_t n = 0; n < whole.size(); ++n) {
        CByteBuffer cut = Buffer(Bytes(whole.begin(), whole.begin() + long(n)));
        EXPECT_FALSE(CMessageTransform(kKey.data(), 128, 0, 0).Apply(cut, kTransformIn)) << n;
    }
    // The compressor alone never gives more than it is allowed.
    CCompressorBase compressor;
    Bytes out;
    for (uint32_t allowed : {4096u, 10u << 20}) {
        EXPECT_FALSE(compressor.CompressBuffer(zeros.data(), uint32_t(zeros.size()), out,
                                               kCompressOn | 2, allowed));
        EXPECT_TRUE(out.empty());
    }
}

}  // namespace
}  // namespace transport
