#include "transport/packet.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/bytes.h"

namespace transport {
namespace {

CByteBuffer BufferOf(size_t n, uint8_t seed = 3) {
    CByteBuffer b;
    for (size_t i = 0; i < n; ++i) {
        uint8_t byte = uint8_t(seed + i * 11);
        b.Append(&byte, 1);
    }
    return b;
}

std::vector<uint32_t> ChunkSizes(const CByteBuffer& chunks) {
    std::vector<uint32_t> sizes;
    for (uint32_t at = 0; at + 4 <= chunks.Size();) {
        uint32_t n = platform::LoadLE32(chunks.Data(at));
        sizes.push_back(n);
        at += 4 + n;
    }
    return sizes;
}

TEST(PacketHeaderTest, WordsInOrderRoundTrip) {
    PacketHeader h{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};
    uint8_t bytes[kPacketHeaderSize];
    h.Encode(bytes);
    for (uint32_t w = 0; w < 13; ++w)
        EXPECT_EQ(platform::LoadLE32(bytes + 4 * w), w + 1);
    PacketHeader back = PacketHeader::Decode(bytes);
    EXPECT_EQ(back.messageNumber, 7u);
    EXPECT_EQ(back.wantsReply, 11u);
    EXPECT_EQ(back.reserved12, 13u);
}

TEST(PacketLengthTest, AcceptsOnlyWhatCanHoldAHeaderAndAChunk) {
    struct Case {
        int32_t length;
        uint32_t piece;
        bool valid;
    } cases[] = {
        {-5, 4000, false},  {0, 4000, false},    {24, 4000, false},  {25, 4000, false},
        {56, 4000, false},  {57, 4000, true},    {4056, 4000, true}, {4057, 4000, false},
        {1056, 1000, true}, {1057, 1000, false}, {4056, 9000, true}, {4057, 9000, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsPacketLengthValid(c.length, c.piece), c.valid) << c.length << "/" << c.piece;
}

TEST(SplitChunksTest, CutsAtThePieceSizeAndEmptiesTheSource) {
    struct Case {
        size_t size;
        std::vector<uint32_t> chunks;
    } cases[] = {{0, {}},
                 {1, {1}},
                 {4000, {4000}},
                 {4001, {4000, 1}},
                 {12000, {4000, 4000, 4000}},
                 {12001, {4000, 4000, 4000, 1}}};
    for (const Case& c : cases) {
        CByteBuffer source = BufferOf(c.size), chunks;
        EXPECT_EQ(SplitChunks(source, chunks, 4000), int(c.chunks.size())) << c.size;
        EXPECT_EQ(source.Size(), 0u);
        EXPECT_EQ(ChunkSizes(chunks), c.chunks) << c.size;
    }
}

TEST(ReadChunksTest, JoinsWhatSplitChunksCut) {
    for (size_t n : {size_t(1), size_t(3999), size_t(4000), size_t(4001), size_t(40000)}) {
        CByteBuffer source = BufferOf(n), chunks, joined;
        SplitChunks(source, chunks, 4000);
        int count = int(ChunkSizes(chunks).size());
        EXPECT_EQ(ReadChunks(chunks, joined, 4000), count);
        CByteBuffer expected = BufferOf(n);
        ASSERT_EQ(joined.Size(), expected.Size());
        EXPECT_TRUE(
            std::equal(joined.Bytes().begin(), joined.Bytes().end(), expected.Bytes().begin()));
    }
}

TEST(ReadChunksTest, RefusesBrokenStreams) {
    auto stream = [](std::vector<uint32_t> words, size_t extra) {
        CByteBuffer b;
        for (uint32_t w : words) {
            uint8_t bytes[4];
            platform::StoreLE32(bytes, w);
            b.Append(bytes, 4);
        }
        for (size_t i = 0; i < extra; ++i) {
            uint8_t z = 0;
            b.Append(&z, 1);
        }
        return b;
    };
    struct Case {
        const char* name;
        CByteBuffer source;
    } cases[] = {
        {"fewer than five bytes", stream({1}, 0)},
        {"chunk above the piece size", stream({4001}, 4001)},
        {"negative chunk length", stream({0xFFFFFFFF}, 8)},
        {"chunk longer than what is left", stream({10}, 9)},
        {"trailing bytes", stream({1}, 3)},
    };
    for (Case& c : cases) {
        CByteBuffer joined;
        EXPECT_EQ(ReadChunks(c.source, joined, 4000), 0) << c.name;
    }
}

}  // namespace
}  // namespace transport
