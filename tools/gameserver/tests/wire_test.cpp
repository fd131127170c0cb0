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

TEST(WireTest, PacketLayoutAndChecksum) {
    const uint8_t* digits = reinterpret_cast<const uint8_t*>("123456789");
    EXPECT_EQ(SlowCrc({digits, 9}), 0xCBF43926u);
    EXPECT_EQ(Crc32({digits, 9}), 0xCBF43926u);
    const Bytes data = Filled(5);
    const Bytes p = EncodePacket({kKindReply, 9, 3, 2, 1, 1}, data, false);
    ASSERT_EQ(p.size(), 65u);
    EXPECT_EQ(platform::LoadLE32(&p[0]), 61u);  // 56 + n
    const uint32_t expected[13] = {2, 9, 0, 0, 0, 0, 3, 2, 1, 0, 1, 0, 0};
    for (size_t w = 0; w < 13; ++w)
        EXPECT_EQ(platform::LoadLE32(&p[HeaderWordOffset(w)]), expected[w]) << w;
    EXPECT_EQ(platform::LoadLE32(&p[56]), 5u);
    EXPECT_EQ(0, std::memcmp(&p[60], data.data(), 5));
    // The checksum covers the packet with its checksum words zero.
    const Bytes sealed = EncodePacket({kKindReply, 9, 3, 2, 1, 1}, data, true);
    EXPECT_EQ(platform::LoadLE32(&sealed[HeaderWordOffset(2)]), 1u);
    EXPECT_EQ(platform::LoadLE32(&sealed[HeaderWordOffset(3)]), SlowCrc(p));
    std::vector<size_t> sizes;
    for (auto& chunk : SplitMessage(Filled(9000), 4000))
        sizes.push_back(chunk.size());
    EXPECT_EQ(sizes, (std::vector<size_t>{4000, 4000, 1000}));
    EXPECT_TRUE(SplitMessage({}, 4000).empty());
}

TEST(WireTest, ReaderJudgesLengthWordsAsSoonAsTheyArrive) {
    for (auto [length, good] : {std::pair{-1, false},
                                {0, false},
                                {56, false},
                                {57, true},
                                {4056, true},
                                {4057, false},
                                {0x7fffffff, false}}) {
        PacketReader reader;
        uint8_t word[4];
        platform::StoreLE32(word, uint32_t(length));
        EXPECT_EQ(reader.Feed(word), good) << length;
        EXPECT_LE(reader.buffered(), 4u);
    }
    // Any changed byte is caught: by the checksum, or as a length.
    const Bytes good = EncodePacket({1, 4, 2, 1, 1, 1}, Filled(40), true);
    for (size_t i = 4; i < good.size(); ++i) {
        if (i >= HeaderWordOffset(2) && i < HeaderWordOffset(3)) continue;  // any non-zero flag
        Bytes bad = good;
        bad[i] ^= 0x20;
        PacketReader reader;
        EXPECT_FALSE(reader.Feed(bad)) << i;
        EXPECT_FALSE(reader.error().empty());
    }
}

TEST(WireTest, ReaderSplitsAndJoinsAcrossFeeds) {
    Bytes stream;
    for (uint32_t i = 1; i <= 3; ++i) {
        const Bytes p = EncodePacket({1, i, i, 1, 1, 0}, Filled(i == 3 ? 4000 : i * 50), i != 2);
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
            EXPECT_EQ(packet->data, Filled(i == 3 ? 4000 : i * 50));
            EXPECT_EQ(packet->hadCrc, i != 2);
        }
        EXPECT_FALSE(reader->Next());
        EXPECT_EQ(reader->buffered(), 0u);
    }
}

Packet Part(uint32_t number, uint32_t part, bool last, uint8_t fill = 0) {
    return Packet{{kKindRequest, 0, number, part, last ? 1u : 0u, 1}, false, Bytes(3, fill)};
}

TEST(WireTest, AssemblerJoinsPartsInOrderAndRefusesBrokenSequences) {
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
        MessageAssembler fresh;
        error.clear();
        for (const Packet& p : c.packets)
            EXPECT_FALSE(fresh.Take(p, error)) << c.name;
        EXPECT_FALSE(error.empty()) << c.name;
    }
}

}  // namespace
}  // namespace gameserver
