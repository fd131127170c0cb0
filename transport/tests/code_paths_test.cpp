// AES and CRC-32 on both code paths, the processor's instructions (where
// present) and the tables, against published vectors and independent code:
// OpenSSL (via the game server's codec, which is written apart) and zlib;
// then the CRC worker thread.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "platform/message_queue.h"
#include "platform/window.h"
#include "tools/gameserver/envelope.h"
#include "tools/proxypeer/proxy_peer.h"
#include "transport/crc32.h"
#include "transport/crc32_clmul.h"
#include "transport/crc32_thread.h"
#include "transport/rijndael.h"
#include "transport/rijndael_ni.h"

namespace transport {
namespace {

using Bytes = std::vector<uint8_t>;
using platform::Message;
using proxypeer::FromHex;

Bytes Random(size_t n, std::mt19937& rng) {
    Bytes out(n);
    for (auto& b : out)
        b = uint8_t(rng());
    return out;
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
    const Bytes data = Random((1 << 20) + 13, rng);
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

    std::mt19937 rng(7);
    const Bytes original = Random(3 * kCrcStep + 5, rng);
    Bytes data = original;
    auto worker = ComputeCrcInThread(data.data(), uint32_t(data.size()), bar.Handle());
    ASSERT_NE(worker, nullptr);
    data.assign(data.size(), 0);  // the worker checksums its own copy

    Message msg;
    while (parent.seen.empty() && platform::GetMessage(msg) > 0)
        platform::DispatchMessage(msg);
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
