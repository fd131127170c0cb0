// The layers beneath a message: CByteBuffer, the chunk stream and the notice
// records; the envelopes against the game server's codec, which is written
// apart (zlib and OpenSSL called directly), the same bytes both ways in every
// mode, then every incoming envelope that must be refused; AES and CRC-32 on
// both code paths (the processor's instructions where present, and the
// tables) against published vectors, OpenSSL and zlib; the CRC worker thread.
#include "transport/message_transform.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "platform/bytes.h"
#include "platform/message_queue.h"
#include "platform/window.h"
#include "tools/gameserver/envelope.h"
#include "tools/proxypeer/proxy_peer.h"
#include "transport/crc32.h"
#include "transport/crc32_clmul.h"
#include "transport/crc32_thread.h"
#include "transport/notice.h"
#include "transport/packet.h"
#include "transport/rijndael.h"
#include "transport/rijndael_ni.h"

namespace transport {
namespace {

using Bytes = std::vector<uint8_t>;
using platform::Message;
using proxypeer::Cat;
using proxypeer::FromHex;
using proxypeer::ToBytes;

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

// Text-like bytes that compress, with some noise: data, keys and payloads.
Bytes Pattern(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes out(n);
    for (auto& b : out)
        b = uint8_t(rng() % 7 == 0 ? rng() : 'a' + rng() % 4);
    return out;
}

TEST(ByteBufferTest, GrowsInWholeBlocksAndNeverShrinks) {
    const std::pair<uint32_t, uint32_t> cases[] = {
        {1, 1024}, {1024, 1024}, {1025, 2048}, {4000, 4096}, {4097, 5120}};
    for (auto [n, capacity] : cases) {
        CByteBuffer b;
        std::vector<uint8_t> data(n, 1);
        EXPECT_EQ(b.Append(data.data(), n), n);
        EXPECT_EQ(b.Capacity(), capacity) << n;
        b.Consume(n);
        b.Clear();
        EXPECT_EQ(b.Capacity(), capacity) << n;
    }
    CByteBuffer fresh;
    EXPECT_EQ(fresh.Capacity(), 0u);
    EXPECT_EQ(fresh.Data(), nullptr);
    fresh.Clear();
    EXPECT_EQ(fresh.Capacity(), 1024u);
    EXPECT_NE(fresh.Data(), nullptr);
    // Reserve reports growth only; ReserveBeyondSize needs both conditions.
    CByteBuffer r;
    EXPECT_EQ(r.Reserve(1), 1024u);
    EXPECT_EQ(r.Reserve(1024), 0u);
    r.Append("abc", 3);
    EXPECT_EQ(r.ReserveBeyondSize(3), 0u);
    EXPECT_EQ(r.ReserveBeyondSize(1000), 0u);
    EXPECT_EQ(r.ReserveBeyondSize(1500), 2048u);
    EXPECT_EQ(Held(r), ToBytes("abc"));
}

TEST(ByteBufferTest, BytesKeepTheirOrderAndSizesBeyondTheLimitChangeNothing) {
    CByteBuffer b;
    char dst[10] = {};
    EXPECT_EQ(b.Read(dst, 1), 0u);  // no storage yet
    EXPECT_EQ(b.Read(dst, 0), 0u);
    EXPECT_EQ(b.Consume(1), 0u);
    b.Append("cd", 2);
    b.Prepend("ab", 2);
    b.Append("efgh", 4);
    EXPECT_EQ(b.Read(dst, 3), 3u);
    EXPECT_EQ(std::string(dst, 3), "abc");
    EXPECT_EQ(b.Consume(2), 2u);
    EXPECT_EQ(b.Read(dst, 10), 3u);  // what there is
    EXPECT_EQ(std::string(dst, 3), "fgh");
    // Prepending across growth moves the contents.
    const Bytes body = Pattern(1020, 3);
    b.Append(body.data(), 1020);
    b.Prepend("HEAD:", 5);
    EXPECT_EQ(b.Capacity(), 2048u);
    EXPECT_EQ(Held(b), Cat({ToBytes("HEAD:"), body}));
    // Copies are deep; moves take the storage.
    CByteBuffer copy(b);
    copy.Append("!", 1);
    EXPECT_EQ(Held(copy), Cat({Held(b), ToBytes("!")}));
    CByteBuffer moved(std::move(copy));
    b = moved;
    EXPECT_EQ(Held(b), Held(moved));
    copy = std::move(moved);
    EXPECT_EQ(Held(copy), Held(b));
    // Sizes beyond the limit are refused and change nothing.
    std::vector<char> all(b.Capacity() + 1);
    EXPECT_EQ(b.Read(all.data(), b.Capacity() + 1), 0u);
    EXPECT_EQ(b.Consume(b.Capacity() + 1), 0u);
    EXPECT_EQ(b.Reserve(CByteBuffer::kMaxCapacity + 1), 0u);
    EXPECT_EQ(b.Reserve(0xFFFFFFFF), 0u);
    EXPECT_EQ(b.Append("x", 0xFFFFFFFF), 0u);
    EXPECT_EQ(b.Prepend("x", CByteBuffer::kMaxCapacity), 0u);
    EXPECT_EQ(Held(b), Held(copy));
}

// The chunk streams of whole messages meet the game server's codec on the
// receive path; here the broken ones.
TEST(PacketTest, BrokenChunkStreamsAreRefused) {
    auto stream = [](uint32_t word, size_t extra) {
        Bytes b;
        platform::ByteWriter(b).U32(word);
        b.resize(4 + extra);
        return Buffer(b);
    };
    std::pair<const char*, CByteBuffer> cases[] = {
        {"fewer than five bytes", stream(1, 0)},
        {"chunk above the piece size", stream(4001, 4001)},
        {"negative chunk length", stream(0xFFFFFFFF, 8)},
        {"chunk longer than what is left", stream(10, 9)},
        {"trailing bytes", stream(1, 3)},
    };
    for (auto& [name, source] : cases) {
        CByteBuffer joined;
        EXPECT_EQ(ReadChunks(source, joined, 4000), 0) << name;
    }
}

// The bound on records meets a notify target that stops taking notices in
// the socket tests; here the bound on bytes.
TEST(NoticeTest, TicketsCountBytesUntilABoundAndGiveThemBackWhenFreed) {
    auto unread = std::make_shared<UnreadNotices>();
    {
        const NoticeTicket most = NoticeTicket::Take(unread, UnreadNotices::kMaxBytes - 10);
        EXPECT_FALSE(NoticeTicket::Take(unread, 11));
        NoticeTicket moved;
        moved = NoticeTicket::Take(unread, 10);  // the count travels with the record
        EXPECT_TRUE(moved);
        EXPECT_EQ(unread->records.load(), 2u);
    }
    EXPECT_EQ(unread->records.load(), 0u);
    EXPECT_EQ(unread->bytes.load(), 0u);
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
    for (size_t size : {0, 1, 700, 100000, 33, 700}) {
        const Bytes body = Pattern(size, uint32_t(size));
        CByteBuffer ours = Buffer(body), fresh = Buffer(body), bad = Buffer(garbled);
        ASSERT_TRUE(kept.Apply(ours, kTransformOut));
        ASSERT_TRUE(CMessageTransform(kKey.data(), 128, kCipherOn, kCompressOn)
                        .Apply(fresh, kTransformOut));
        EXPECT_EQ(Held(ours), Held(fresh)) << size;
        ASSERT_TRUE(kept.Apply(ours, kTransformIn));
        EXPECT_EQ(Held(ours), body) << size;
        EXPECT_FALSE(kept.Compress(bad, 2));
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
    Bytes finished(compressBound(500));
    uLongf finishedSize = uLongf(finished.size());
    ASSERT_EQ(compress(finished.data(), &finishedSize, body.data(), 500), Z_OK);
    finished.resize(finishedSize);
    const Bytes cipher = Pattern(64, 16);
    const Bytes zeros = gameserver::DeflateSync(Bytes(10u << 20, 0));  // 10 MB in about 10 KB
    const Bytes tooMuch = gameserver::DeflateSync(Bytes(kMaxPlainSize + 1, 0));
    auto zipped = [](uint32_t plain, const Bytes& z) {
        return Cat({Head(kCompressOn, plain, uint32_t(z.size())), z});
    };
    // The step taken: 0 both envelopes, 1 compression only, 2 cipher only.
    const std::tuple<const char*, int, Bytes> cases[] = {
        {"nothing", 1, Bytes()},
        {"short head", 2, Bytes(19, 0)},
        {"stored size word above the bytes left", 1, Cat({Head(0, 10, 11), Bytes(10, 1)})},
        {"stored size word below the bytes left", 2, Cat({Head(0, 10, 9), Bytes(10, 1)})},
        {"stored plain size disagrees", 1, Cat({Head(0, 11, 10), Bytes(10, 1)})},
        {"zlib size word one more", 1, Cat({Head(kCompressOn, 500, uint32_t(z.size()) + 1), z})},
        {"plain size one less", 1, zipped(499, z)},
        {"plain size one more", 1, zipped(501, z)},
        {"plain size zero", 1, zipped(0, z)},
        {"not a zlib stream", 1, zipped(64, Pattern(64, 14))},
        {"trailing bytes behind a finished stream", 1, zipped(500, Cat({finished, Bytes(1, 0)}))},
        {"inflates past its head", 1, zipped(1000, zeros)},
        {"claims ten megabytes", 1, zipped(10u << 20, zeros)},
        {"more than one message", 1, zipped(kMaxPlainSize + 1, tooMuch)},
        {"cipher size word one more", 2, Cat({Head(0x100, 48, 65), cipher})},
        {"cipher plain size above the payload", 2, Cat({Head(0x100, 65, 64), cipher})},
        {"payload not whole blocks", 2, Cat({Head(0x100, 40, 63), Pattern(63, 16)})},
        {"no cipher bit", 2, Cat({Head(0x200, 48, 64), cipher})},
        {"empty cipher payload", 2, Head(0x100, 0, 0)},
        {"wrong key", 0, gameserver::Seal(body, gameserver::Key{1}, kCipherOn, 0)},
    };
    for (const auto& [name, step, wire] : cases) {
        CMessageTransform t(kKey.data(), 128, 0, 0);
        CByteBuffer b = Buffer(wire);
        const bool taken = step == 0   ? t.Apply(b, kTransformIn)
                           : step == 1 ? t.Compress(b, 2)
                                       : t.Encrypt(b, 2);
        EXPECT_FALSE(taken) << name;
    }
    // Exactly one message's worth inflates, and a finished stream does too.
    CByteBuffer b = Buffer(zipped(kMaxPlainSize, gameserver::DeflateSync(Bytes(kMaxPlainSize, 0))));
    EXPECT_TRUE(CMessageTransform().Compress(b, 2));
    b = Buffer(zipped(500, finished));
    ASSERT_TRUE(CMessageTransform().Compress(b, 2));
    EXPECT_EQ(Held(b), body);
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

class CodePathTest : public ::testing::TestWithParam<CodePath> {};

INSTANTIATE_TEST_SUITE_P(Paths, CodePathTest, ::testing::Values(CodePath::kAuto, CodePath::kTable),
                         [](const auto& info) {
                             return info.param == CodePath::kTable ? "Table" : "Hardware";
                         });

TEST_P(CodePathTest, RijndaelFips197ExampleVectorsBothWays) {
    CRijndael aes(GetParam());  // keyed anew for each case
    EXPECT_EQ(aes.UsesHardware(), GetParam() == CodePath::kAuto && aes_ni::Available());
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
TEST_P(CodePathTest, RijndaelBuffersAgreeWithOpenSslInPlaceAndOut) {
    std::mt19937 rng(42);
    for (size_t keyBytes : {16u, 24u, 32u}) {
        for (int round = 0; round < 20; ++round) {
            const Bytes key = Pattern(keyBytes, rng()),
                        data = Pattern(16 * (rng() % 64 + 1), rng());
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

TEST_P(CodePathTest, Crc32KnownAnswersThenZlibAtEveryLengthAndAlignmentAndInPieces) {
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
    std::mt19937 rng(1234);
    const Bytes data = Pattern((1 << 20) + 13, rng());
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

// The worker checksums its own copy off the calling thread.
class Recorder : public platform::Window {
  public:
    std::vector<Message> seen;

  protected:
    platform::LRESULT WindowProc(Message& msg) override {
        seen.push_back(Message{msg.hwnd, msg.message, msg.wParam, msg.lParam, msg.time, {}});
        return 0;
    }
};

TEST(Crc32ThreadTest, ReportsProgressThenTheChecksumToTheParent) {
    Recorder parent, bar;
    ASSERT_TRUE(parent.Create());
    ASSERT_TRUE(bar.Create(parent.Handle()));
    parent.seen.clear();  // creation messages
    bar.seen.clear();

    const Bytes original = Pattern(3 * kCrcStep + 5, 7);
    Bytes data = original;
    auto worker = ComputeCrcInThread(data.data(), uint32_t(data.size()), bar.Handle());
    ASSERT_NE(worker, nullptr);
    data.assign(data.size(), 0);  // the worker checksums its own copy

    ASSERT_TRUE(proxypeer::PumpUntil([&] { return !parent.seen.empty(); }));
    worker->Join();

    ASSERT_EQ(parent.seen.size(), 1u);
    EXPECT_EQ(parent.seen[0].message, kCrcDoneMessage);
    EXPECT_EQ(parent.seen[0].wParam, worker->Id());
    EXPECT_EQ(uint32_t(parent.seen[0].lParam),
              CCrc32().Compute(original.data(), uint32_t(original.size())));

    // Position 0, the range, then the share done before each step.
    std::string progress;
    for (auto& m : bar.seen)
        progress += (m.message == PBM_SETRANGE32 ? " range " : " pos ") + std::to_string(m.wParam);
    EXPECT_EQ(progress, " pos 0 range 0 pos 0 pos 33 pos 66 pos 99");

    // Refused without data or a window.
    const uint8_t byte = 1;
    EXPECT_EQ(ComputeCrcInThread(nullptr, 10, bar.Handle()), nullptr);
    EXPECT_EQ(ComputeCrcInThread(&byte, 0, bar.Handle()), nullptr);
    EXPECT_EQ(ComputeCrcInThread(&byte, 1, platform::HWND{}), nullptr);
    platform::HWND gone = bar.Handle();
    bar.Destroy();
    EXPECT_EQ(ComputeCrcInThread(&byte, 1, gone), nullptr);
}

}  // namespace
}  // namespace transport
