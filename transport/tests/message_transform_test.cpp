#include "transport/message_transform.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>
#include <vector>

#include "platform/bytes.h"
#include "transport/packet.h"
#include "transport/tests/aes_oracle.h"

namespace transport {
namespace {

using Bytes = std::vector<uint8_t>;

const uint8_t kKey[16] = {0x10, 0x21, 0x32, 0x43, 0x54, 0x65, 0x76, 0x87,
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
    w.U32(0);
    w.U32(0);
    w.U32(payload);
    return out;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes Pattern(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes out(n);
    for (auto& b : out)
        b = uint8_t(rng() % 7 == 0 ? rng() : 'a' + rng() % 4);
    return out;
}

Bytes OpenSslEcb128(const Bytes& in) {
    return testing::OpenSslEcb(Bytes(std::begin(kKey), std::end(kKey)), in);
}

// A raw zlib stream of `plain`, sync-flushed, as a sender would make it.
Bytes Deflated(const Bytes& plain) {
    z_stream s{};
    deflateInit(&s, Z_DEFAULT_COMPRESSION);
    Bytes out(deflateBound(&s, uLong(plain.size())) + 64);
    s.next_in = const_cast<Bytef*>(plain.data());
    s.avail_in = uInt(plain.size());
    s.next_out = out.data();
    s.avail_out = uInt(out.size());
    deflate(&s, Z_SYNC_FLUSH);
    out.resize(out.size() - s.avail_out);
    deflateEnd(&s);
    return out;
}

TEST(MessageTransformTest, StoredEnvelopesAroundAThirtyByteBody) {
    const Bytes body = Pattern(30, 1);
    CMessageTransform transform(nullptr, 0, 0, 0);
    CByteBuffer b = Buffer(body);
    ASSERT_TRUE(transform.Apply(b, kTransformOut));
    EXPECT_EQ(Held(b), Concat({Head(0, 50, 50), Head(0, 30, 30), body}));
    EXPECT_EQ(b.Size(), 70u);
    ASSERT_TRUE(transform.Apply(b, kTransformIn));
    EXPECT_EQ(Held(b), body);
}

TEST(MessageTransformTest, CipherEnvelopeOfFortyEightBytes) {
    const Bytes inner = Pattern(48, 2);
    CMessageTransform transform(kKey, 128, kCipherOn, 0);
    CByteBuffer b = Buffer(inner);
    ASSERT_TRUE(transform.Encrypt(b, 1));
    ASSERT_EQ(b.Size(), 20u + 64u);
    EXPECT_EQ(Bytes(b.Data(), b.Data(20)), Head(0x100, 48, 64));
    // The blocks are plain AES-ECB; the extra block is an enciphered zero block.
    EXPECT_EQ(Bytes(b.Data(20), b.Data(68)), OpenSslEcb128(inner));
    EXPECT_EQ(Bytes(b.Data(68), b.Data(84)), OpenSslEcb128(Bytes(16, 0)));
    ASSERT_TRUE(transform.Encrypt(b, 2));
    EXPECT_EQ(Held(b), inner);
}

TEST(MessageTransformTest, GameConnectionLayering) {
    // Cipher on, compression off: a stored envelope inside an AES envelope.
    const Bytes body = Pattern(30, 3);
    CMessageTransform transform(kKey, 128, 0x100, 0);
    CByteBuffer b = Buffer(body);
    ASSERT_TRUE(transform.Apply(b, kTransformOut));
    const Bytes inner = Concat({Head(0, 30, 30), body});
    EXPECT_EQ(Held(b), Concat({Head(0x100, 50, 64), OpenSslEcb128(Concat({inner, Bytes(14, 0)}))}));
    ASSERT_TRUE(transform.Apply(b, kTransformIn));
    EXPECT_EQ(Held(b), body);
}

TEST(MessageTransformTest, IncompressibleDataStillTravelsCompressed) {
    std::mt19937 rng(7);
    Bytes noise(1000);
    for (auto& x : noise)
        x = uint8_t(rng());
    CMessageTransform transform(nullptr, 0, 0, kCompressOn);
    CByteBuffer b = Buffer(noise);
    ASSERT_TRUE(transform.Compress(b, 1));
    platform::ByteReader r(b.Bytes());
    EXPECT_EQ(r.U32(), kCompressOn);
    EXPECT_EQ(r.U32(), 1000u);
    r.Skip(8);
    EXPECT_EQ(r.U32(), b.Size() - 20);
    EXPECT_GT(b.Size() - 20, 1000u);
    ASSERT_TRUE(transform.Compress(b, 2));
    EXPECT_EQ(Held(b), noise);
}

TEST(MessageTransformTest, CompressedStreamIsSyncFlushedNotFinished) {
    const Bytes body = Pattern(5000, 4);
    CMessageTransform transform(nullptr, 0, 0, kCompressOn);
    CByteBuffer b = Buffer(body);
    ASSERT_TRUE(transform.Compress(b, 1));
    const Bytes payload(b.Data(20), b.Data() + b.Size());
    ASSERT_GE(payload.size(), 4u);
    EXPECT_EQ(Bytes(payload.end() - 4, payload.end()), Bytes({0x00, 0x00, 0xFF, 0xFF}));
    // zlib itself reads it back.
    Bytes out(body.size());
    z_stream s{};
    inflateInit(&s);
    s.next_in = const_cast<Bytef*>(payload.data());
    s.avail_in = uInt(payload.size());
    s.next_out = out.data();
    s.avail_out = uInt(out.size());
    EXPECT_EQ(inflate(&s, Z_SYNC_FLUSH), Z_OK);
    inflateEnd(&s);
    EXPECT_EQ(out, body);
}

struct Mode {
    const char* name;
    uint32_t cipher;
    uint32_t compression;
};

void PrintTo(const Mode& m, std::ostream* os) {
    *os << m.name;
}

class RoundTripTest : public ::testing::TestWithParam<std::tuple<Mode, size_t>> {};

TEST_P(RoundTripTest, ApplyOutThenInGivesTheBodyBack) {
    const auto& [mode, size] = GetParam();
    const Bytes body = Pattern(size, uint32_t(size));
    CMessageTransform sender(kKey, 128, mode.cipher, mode.compression);
    CMessageTransform receiver(kKey, 128, 0, 0);  // the heads decide
    CByteBuffer b = Buffer(body);
    ASSERT_TRUE(sender.Apply(b, kTransformOut));
    EXPECT_EQ(platform::LoadLE32(b.Data()), mode.cipher);
    ASSERT_TRUE(receiver.Apply(b, kTransformIn));
    EXPECT_EQ(Held(b), body);
}

INSTANTIATE_TEST_SUITE_P(
    EveryModeAndSize, RoundTripTest,
    ::testing::Combine(::testing::Values(Mode{"stored", 0, 0}, Mode{"zlib", 0, kCompressOn},
                                         Mode{"aes", kCipherOn, 0},
                                         Mode{"zlibaes", kCipherOn, kCompressOn}),
                       ::testing::Values(0, 1, 15, 16, 17, 4000, 4001, 1 << 20)),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).name) + "_" +
               std::to_string(std::get<1>(info.param));
    });

TEST(MessageTransformTest, AKeptTransformGivesWhatFreshOnesGiveAlsoAfterRefusals) {
    // The transform keeps its zlib streams between messages; a refused
    // incoming envelope in between must not leak into the next message.
    CMessageTransform kept(kKey, 128, kCipherOn, kCompressOn);
    const Bytes garbled = Concat({Head(kCompressOn, 64, 64), Pattern(64, 20)});
    const Bytes bomb = Concat({Head(kCompressOn, 100, 0), Deflated(Bytes(5000, 0))});
    const size_t sizes[] = {0, 1, 700, 40000, 100000, 33, 4096};
    for (int round = 0; round < 3; ++round) {
        for (size_t size : sizes) {
            SCOPED_TRACE(size);
            const Bytes body = Pattern(size, uint32_t(size + round));
            CByteBuffer ours = Buffer(body), fresh = Buffer(body);
            ASSERT_TRUE(kept.Apply(ours, kTransformOut));
            CMessageTransform once(kKey, 128, kCipherOn, kCompressOn);
            ASSERT_TRUE(once.Apply(fresh, kTransformOut));
            EXPECT_EQ(Held(ours), Held(fresh));
            ASSERT_TRUE(kept.Apply(ours, kTransformIn));
            EXPECT_EQ(Held(ours), body);

            CByteBuffer bad = Buffer(garbled);
            EXPECT_FALSE(kept.Compress(bad, 2));
            Bytes wire = bomb;
            platform::StoreLE32(wire.data() + 16, uint32_t(wire.size() - 20));
            bad = Buffer(wire);
            EXPECT_FALSE(kept.Compress(bad, 2));
        }
    }
    // A copy has streams of its own.
    CMessageTransform copy = kept;
    CByteBuffer b = Buffer(Pattern(500, 21));
    ASSERT_TRUE(copy.Apply(b, kTransformOut));
    ASSERT_TRUE(kept.Apply(b, kTransformIn));
    EXPECT_EQ(Held(b), Pattern(500, 21));
}

TEST(MessageTransformTest, OtherModesFail) {
    CMessageTransform transform;
    CByteBuffer b = Buffer({1, 2, 3});
    EXPECT_FALSE(transform.Apply(b, 0));
    EXPECT_FALSE(transform.Apply(b, 3));
    EXPECT_FALSE(transform.Compress(b, 3));
    EXPECT_FALSE(transform.Encrypt(b, 0));
    EXPECT_EQ(Held(b), Bytes({1, 2, 3}));
}

TEST(MessageTransformTest, SetParamsReplacesAllFour) {
    CMessageTransform transform;
    EXPECT_TRUE(transform.SetParams(kKey, 128, kCipherOn, kCompressOn));
    CByteBuffer b = Buffer(Pattern(100, 5));
    ASSERT_TRUE(transform.Apply(b, kTransformOut));
    EXPECT_EQ(platform::LoadLE32(b.Data()), kCipherOn);
    ASSERT_TRUE(transform.Encrypt(b, 2));
    EXPECT_EQ(platform::LoadLE32(b.Data()), kCompressOn);
}

TEST(MessageTransformTest, CipherWithoutAUsableKeyFailsOnTheWayOut) {
    for (int bits : {0, 64, 100}) {
        CMessageTransform transform(kKey, bits, kCipherOn, 0);
        CByteBuffer b = Buffer(Pattern(10, 6));
        EXPECT_FALSE(transform.Apply(b, kTransformOut)) << bits;
    }
    CMessageTransform noKey(nullptr, 128, kCipherOn, 0);
    CByteBuffer b = Buffer(Pattern(10, 6));
    EXPECT_FALSE(noKey.Apply(b, kTransformOut));
}

TEST(MessageTransformTest, DirectionBitsInTheFlagWordsDoNotTurnTheTransformAround) {
    CMessageTransform sender(kKey, 128, kCipherOn | 0x2, kCompressOn | 0x2);
    const Bytes body = Pattern(300, 8);
    CByteBuffer b = Buffer(body);
    ASSERT_TRUE(sender.Apply(b, kTransformOut));
    CMessageTransform receiver(kKey, 128, 0, 0);
    ASSERT_TRUE(receiver.Apply(b, kTransformIn));
    EXPECT_EQ(Held(b), body);

    // A head that carries the encipher bit is still deciphered.
    CMessageTransform odd(kKey, 128, kCipherOn | 0x1, kCompressOn | 0x1);
    b = Buffer(body);
    ASSERT_TRUE(odd.Apply(b, kTransformOut));
    ASSERT_TRUE(receiver.Apply(b, kTransformIn));
    EXPECT_EQ(Held(b), body);
}

// Incoming envelopes that must be refused.

TEST(EnvelopeRefusalTest, EveryTruncationIsRefused) {
    CMessageTransform sender(kKey, 128, kCipherOn, kCompressOn);
    CByteBuffer wrapped = Buffer(Pattern(200, 9));
    ASSERT_TRUE(sender.Apply(wrapped, kTransformOut));
    const Bytes whole = Held(wrapped);
    for (size_t n = 0; n < whole.size(); ++n) {
        CByteBuffer b = Buffer(Bytes(whole.begin(), whole.begin() + long(n)));
        EXPECT_FALSE(sender.Apply(b, kTransformIn)) << n;
    }
}

TEST(EnvelopeRefusalTest, StoredEnvelopesWithWrongSizesAreRefused) {
    CMessageTransform t;
    const Bytes body = Pattern(10, 10);
    struct Case {
        Bytes wire;
        const char* why;
    };
    const Case cases[] = {
        {Concat({Head(0, 10, 11), body}), "size word above the bytes left"},
        {Concat({Head(0, 10, 9), body}), "size word below the bytes left"},
        {Concat({Head(0, 11, 10), body}), "plain size disagrees"},
        {Bytes(19, 0), "short head"},
        {Bytes(), "nothing"},
    };
    for (const Case& c : cases) {
        CByteBuffer b = Buffer(c.wire);
        EXPECT_FALSE(t.Compress(b, 2)) << c.why;
        b = Buffer(c.wire);
        EXPECT_FALSE(t.Encrypt(b, 2)) << c.why;
    }
}

TEST(EnvelopeRefusalTest, CompressedSizeWordOneMoreThanTheBytesLeft) {
    const Bytes body = Pattern(500, 11);
    const Bytes z = Deflated(body);
    CMessageTransform t;
    CByteBuffer good = Buffer(Concat({Head(kCompressOn, 500, uint32_t(z.size())), z}));
    ASSERT_TRUE(t.Compress(good, 2));
    EXPECT_EQ(Held(good), body);
    CByteBuffer bad = Buffer(Concat({Head(kCompressOn, 500, uint32_t(z.size() + 1)), z}));
    EXPECT_FALSE(t.Compress(bad, 2));
}

TEST(EnvelopeRefusalTest, PlainSizeMustMatchWhatInflates) {
    const Bytes body = Pattern(500, 12);
    const Bytes z = Deflated(body);
    CMessageTransform t;
    for (uint32_t plain : {499u, 501u, 1u, 0u}) {
        CByteBuffer b = Buffer(Concat({Head(kCompressOn, plain, uint32_t(z.size())), z}));
        EXPECT_FALSE(t.Compress(b, 2)) << plain;
    }
}

TEST(EnvelopeRefusalTest, NothingInflatesPastOneMessage) {
    struct Case {
        uint32_t zeros;
        uint32_t claimed;
        bool taken;
    } cases[] = {
        {10u << 20, 1000, false},       // stops where the head said
        {10u << 20, 10u << 20, false},  // 10 KB on the wire claiming 10 MB
        {kMaxMessageSize, kMaxMessageSize, true},
        {kMaxMessageSize + 1, kMaxMessageSize + 1, false},
    };
    CMessageTransform t;
    for (const Case& c : cases) {
        const Bytes z = Deflated(Bytes(c.zeros, 0));
        ASSERT_LT(z.size(), 64u << 10);
        CByteBuffer b = Buffer(Concat({Head(kCompressOn, c.claimed, uint32_t(z.size())), z}));
        EXPECT_EQ(t.Compress(b, 2), c.taken) << c.zeros << "/" << c.claimed;
    }
    // The compressor alone never gives more than it is allowed, nor more
    // than one message whatever it is allowed.
    const Bytes z = Deflated(Bytes(10u << 20, 0));
    CCompressorBase compressor;
    Bytes out;
    for (uint32_t allowed : {4096u, 10u << 20}) {
        EXPECT_FALSE(
            compressor.CompressBuffer(z.data(), uint32_t(z.size()), out, kCompressOn | 2, allowed));
        EXPECT_TRUE(out.empty());
    }
}

TEST(EnvelopeRefusalTest, GarbledCompressedPayloadIsRefused) {
    const Bytes body = Pattern(2000, 13);
    Bytes z = Deflated(body);
    CMessageTransform t;
    std::mt19937 rng(13);
    int refused = 0;
    for (int i = 0; i < 50; ++i) {
        Bytes g = z;
        g[rng() % g.size()] ^= uint8_t(1 + rng() % 255);
        CByteBuffer b = Buffer(Concat({Head(kCompressOn, 2000, uint32_t(g.size())), g}));
        bool ok = t.Compress(b, 2);
        // A flip that still inflates to 2000 bytes gives other bytes; never an overrun.
        if (!ok) ++refused;
        if (ok) {
            EXPECT_EQ(b.Size(), 2000u);
        }
    }
    EXPECT_GT(refused, 0);
    // Not a zlib stream at all.
    const Bytes junk = Pattern(64, 14);
    CByteBuffer b = Buffer(Concat({Head(kCompressOn, 64, 64), junk}));
    EXPECT_FALSE(t.Compress(b, 2));
}

TEST(EnvelopeRefusalTest, TrailingBytesBehindAFinishedStreamAreRefused) {
    const Bytes body = Pattern(100, 15);
    Bytes z(compressBound(100));
    uLongf n = uLongf(z.size());
    ASSERT_EQ(compress(z.data(), &n, body.data(), 100), Z_OK);
    z.resize(n);
    CMessageTransform t;
    CByteBuffer finished = Buffer(Concat({Head(kCompressOn, 100, uint32_t(z.size())), z}));
    ASSERT_TRUE(t.Compress(finished, 2));
    EXPECT_EQ(Held(finished), body);
    z.push_back(0);
    CByteBuffer trailing = Buffer(Concat({Head(kCompressOn, 100, uint32_t(z.size())), z}));
    EXPECT_FALSE(t.Compress(trailing, 2));
}

TEST(EnvelopeRefusalTest, CipherEnvelopeChecks) {
    CMessageTransform t(kKey, 128, 0, 0);
    const Bytes cipher = Pattern(64, 16);
    struct Case {
        Bytes wire;
        const char* why;
    };
    const Case cases[] = {
        {Concat({Head(0x100, 48, 65), cipher}), "size word one more"},
        {Concat({Head(0x100, 65, 64), cipher}), "plain size above the payload"},
        {Concat({Head(0x100, 40, 63), Bytes(cipher.begin(), cipher.end() - 1)}),
         "payload not whole blocks"},
        {Concat({Head(0x200, 48, 64), cipher}), "no cipher bit"},
        {Concat({Head(0x100, 0, 0)}), "empty payload"},
    };
    for (const Case& c : cases) {
        CByteBuffer b = Buffer(c.wire);
        EXPECT_FALSE(t.Encrypt(b, 2)) << c.why;
    }
    CMessageTransform keyless(nullptr, 0, 0, 0);
    CByteBuffer b = Buffer(Concat({Head(0x100, 48, 64), cipher}));
    EXPECT_FALSE(keyless.Encrypt(b, 2));
}

TEST(EnvelopeRefusalTest, WrongKeyGivesGarbageThatTheInnerEnvelopeRefuses) {
    CMessageTransform sender(kKey, 128, kCipherOn, 0);
    CByteBuffer b = Buffer(Pattern(100, 17));
    ASSERT_TRUE(sender.Apply(b, kTransformOut));
    uint8_t other[16] = {1};
    CMessageTransform receiver(other, 128, 0, 0);
    EXPECT_FALSE(receiver.Apply(b, kTransformIn));
}

TEST(CompressorBaseTest, FlagsChooseTheDirection) {
    CCompressorBase c;
    const Bytes data = Pattern(100, 18);
    Bytes out;
    EXPECT_FALSE(c.CompressBuffer(data.data(), 100, out, 0x1));
    EXPECT_FALSE(c.CompressBuffer(data.data(), 100, out, kCompressOn));
    EXPECT_FALSE(c.CompressBuffer(data.data(), 0, out, kCompressOn | 1));  // nothing to give
    ASSERT_TRUE(c.CompressBuffer(data.data(), 100, out, kCompressOn | 1));
    Bytes back;
    ASSERT_TRUE(c.CompressBuffer(out.data(), uint32_t(out.size()), back, kCompressOn | 2));
    EXPECT_EQ(back, data);
}

TEST(MessageTransformTest, TransformFileIsNotOffered) {
    CMessageTransform t(kKey, 128, kCipherOn, 0);
    EXPECT_FALSE(t.TransformFile("/nonexistent/in", "/nonexistent/out", 4096, 1));
}

}  // namespace
}  // namespace transport
