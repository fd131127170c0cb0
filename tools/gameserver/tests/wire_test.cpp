#include "tools/gameserver/wire.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/bytes.h"

namespace gameserver {
namespace {

// Bit-by-bit CRC-32, independent of zlib's tables.
uint32_t SlowCrc(std::span<const uint8_t> bytes) {
    uint32_t crc = 0xFFFFFFFF;
    for (uint8_t byte : bytes) {
        crc ^= byte;
        for (int i = 0; i < 8; ++i)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

Bytes Filled(size_t n, uint8_t seed = 1) {
    Bytes out(n);
    for (size_t i = 0; i < n; ++i)
        out[i] = uint8_t(seed + i * 7);
    return out;
}

uint32_t Word(const Bytes& packet, size_t offset) {
    return platform::LoadLE32(&packet[offset]);
}

TEST(Crc32Test, CheckValueOfTheNineDigits) {
    const char* digits = "123456789";
    EXPECT_EQ(Crc32({reinterpret_cast<const uint8_t*>(digits), 9}), 0xCBF43926u);
    EXPECT_EQ(SlowCrc({reinterpret_cast<const uint8_t*>(digits), 9}), 0xCBF43926u);
}

TEST(EncodePacketTest, LaysOutLengthHeaderAndChunk) {
    PacketFields f{kKindReply, 9, 3, 2, 1, 1};
    Bytes data = Filled(5);
    Bytes p = EncodePacket(f, data, false);
    ASSERT_EQ(p.size(), 65u);
    EXPECT_EQ(Word(p, 0), 61u);  // 56 + n
    const uint32_t expected[13] = {2, 9, 0, 0, 0, 0, 3, 2, 1, 0, 1, 0, 0};
    for (size_t w = 0; w < 13; ++w)
        EXPECT_EQ(Word(p, HeaderWordOffset(w)), expected[w]) << w;
    EXPECT_EQ(Word(p, 56), 5u);
    EXPECT_EQ(0, std::memcmp(&p[60], data.data(), 5));
}

TEST(EncodePacketTest, ChecksumCoversThePacketWithItsCrcWordsZero) {
    Bytes data = Filled(100);
    Bytes plain = EncodePacket({kKindRequest, 1, 1, 1, 1, 0}, data, false);
    Bytes sealed = EncodePacket({kKindRequest, 1, 1, 1, 1, 0}, data, true);
    EXPECT_EQ(Word(sealed, HeaderWordOffset(2)), 1u);
    EXPECT_EQ(Word(sealed, HeaderWordOffset(3)), SlowCrc(plain));
}

TEST(SplitMessageTest, CutsAtThePieceSize) {
    struct Case {
        size_t size;
        std::vector<size_t> chunks;
    } cases[] = {{0, {}},
                 {1, {1}},
                 {4000, {4000}},
                 {4001, {4000, 1}},
                 {8000, {4000, 4000}},
                 {9000, {4000, 4000, 1000}}};
    for (const Case& c : cases) {
        auto chunks = SplitMessage(Filled(c.size), 4000);
        std::vector<size_t> sizes;
        for (auto& chunk : chunks)
            sizes.push_back(chunk.size());
        EXPECT_EQ(sizes, c.chunks) << c.size;
    }
}

TEST(PacketReaderTest, JudgesLengthWordsAsSoonAsTheyArrive) {
    struct Case {
        int32_t length;
        bool good;
    } cases[] = {{-1, false}, {0, false},   {24, false},   {56, false},
                 {57, true},  {4056, true}, {4057, false}, {0x7fffffff, false}};
    for (const Case& c : cases) {
        PacketReader reader;
        uint8_t word[4];
        platform::StoreLE32(word, uint32_t(c.length));
        EXPECT_EQ(reader.Feed(word), c.good) << c.length;
        EXPECT_LE(reader.buffered(), 4u);
    }
}

TEST(PacketReaderTest, AcceptsMinimalAndMaximalPackets) {
    for (size_t n : {size_t(1), size_t(4000)}) {
        PacketReader reader;
        ASSERT_TRUE(reader.Feed(EncodePacket({1, 1, 1, 1, 1, 0}, Filled(n), true)));
        auto packet = reader.Next();
        ASSERT_TRUE(packet);
        EXPECT_EQ(packet->data, Filled(n));
        EXPECT_TRUE(packet->hadCrc);
    }
}

TEST(PacketReaderTest, AnyChangedByteBreaksTheChecksum) {
    Bytes good = EncodePacket({1, 4, 2, 1, 1, 1}, Filled(40), true);
    for (size_t i = 4; i < good.size(); ++i) {
        if (i >= kOffsetChunkLength && i < kOffsetChunkLength + 4) continue;  // caught as length
        if (i >= HeaderWordOffset(2) && i < HeaderWordOffset(3)) continue;    // any non-zero flag
        Bytes bad = good;
        bad[i] ^= 0x20;
        PacketReader reader;
        EXPECT_FALSE(reader.Feed(bad)) << i;
    }
}

TEST(PacketReaderTest, PacketWithoutChecksumIsTaken) {
    PacketReader reader;
    ASSERT_TRUE(reader.Feed(EncodePacket({1, 1, 1, 1, 1, 0}, Filled(3), false)));
    auto packet = reader.Next();
    ASSERT_TRUE(packet);
    EXPECT_FALSE(packet->hadCrc);
}

TEST(PacketReaderTest, ChunkLengthMustAgreeWithPacketLength) {
    Bytes p = EncodePacket({1, 1, 1, 1, 1, 0}, Filled(10), false);
    platform::StoreLE32(&p[kOffsetChunkLength], 9);
    PacketReader reader;
    EXPECT_FALSE(reader.Feed(p));
    EXPECT_NE(reader.error().find("disagrees"), std::string::npos);
}

TEST(PacketReaderTest, SplitsAndJoinsAcrossFeeds) {
    Bytes stream;
    for (uint32_t i = 1; i <= 3; ++i) {
        Bytes p = EncodePacket({1, i, i, 1, 1, 0}, Filled(i * 50), true);
        stream.insert(stream.end(), p.begin(), p.end());
    }
    PacketReader bytewise, whole;
    for (uint8_t byte : stream)
        ASSERT_TRUE(bytewise.Feed({&byte, 1}));
    ASSERT_TRUE(whole.Feed(stream));
    for (PacketReader* reader : {&bytewise, &whole}) {
        for (uint32_t i = 1; i <= 3; ++i) {
            auto packet = reader->Next();
            ASSERT_TRUE(packet);
            EXPECT_EQ(packet->fields.serial, i);
            EXPECT_EQ(packet->data.size(), i * 50);
        }
        EXPECT_FALSE(reader->Next());
        EXPECT_EQ(reader->buffered(), 0u);
    }
}

Packet Part(uint32_t number, uint32_t part, bool last, uint8_t fill = 0) {
    return Packet{{kKindRequest, 0, number, part, last ? 1u : 0u, 1}, false, Bytes(3, fill)};
}

TEST(MessageAssemblerTest, JoinsPartsInOrder) {
    MessageAssembler a;
    std::string error;
    EXPECT_FALSE(a.Take(Part(5, 1, false, 1), error));
    EXPECT_FALSE(a.Take(Part(5, 2, false, 2), error));
    auto m = a.Take(Part(5, 3, true, 3), error);
    ASSERT_TRUE(m);
    EXPECT_TRUE(error.empty());
    EXPECT_EQ(m->number, 5u);
    EXPECT_EQ(m->wantsReply, 1u);
    EXPECT_EQ(m->bytes, (Bytes{1, 1, 1, 2, 2, 2, 3, 3, 3}));
}

TEST(MessageAssemblerTest, RefusesBrokenSequences) {
    struct Case {
        const char* name;
        std::vector<Packet> packets;
    } cases[] = {
        {"part 2 first", {Part(1, 2, true)}},
        {"gap", {Part(1, 1, false), Part(1, 3, true)}},
        {"repeat", {Part(1, 1, false), Part(1, 1, false)}},
        {"other message", {Part(1, 1, false), Part(2, 1, true)}},
        {"number 0", {Part(0, 1, true)}},
    };
    for (const Case& c : cases) {
        MessageAssembler a;
        std::string error;
        for (const Packet& p : c.packets)
            EXPECT_FALSE(a.Take(p, error)) << c.name;
        EXPECT_FALSE(error.empty()) << c.name;
    }
}

}  // namespace
}  // namespace gameserver
