// CByteBuffer, the packet header and chunk stream, and the notice records.
#include <gtest/gtest.h>

#include <cstring>
#include <numeric>
#include <string>
#include <vector>

#include "platform/bytes.h"
#include "transport/byte_buffer.h"
#include "transport/notice.h"
#include "transport/packet.h"

namespace transport {
namespace {

std::string Held(const CByteBuffer& b) {
    return std::string(reinterpret_cast<const char*>(b.Data()), b.Size());
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
    EXPECT_EQ(Held(r), "abc");
}

TEST(ByteBufferTest, BytesKeepTheirOrderThroughEveryOperation) {
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
    std::vector<uint8_t> body(1020);
    std::iota(body.begin(), body.end(), uint8_t(0));
    b.Append(body.data(), 1020);
    b.Prepend("HEAD:", 5);
    EXPECT_EQ(b.Capacity(), 2048u);
    EXPECT_EQ(Held(b), "HEAD:" + std::string(body.begin(), body.end()));
    // Copies are deep; moves take the storage.
    CByteBuffer copy(b);
    copy.Append("!", 1);
    EXPECT_EQ(Held(copy), Held(b) + "!");
    CByteBuffer moved(std::move(copy));
    b = moved;
    EXPECT_EQ(Held(b), Held(moved));
    copy = std::move(moved);
    EXPECT_EQ(Held(copy), Held(b));
}

TEST(ByteBufferTest, SizesBeyondTheLimitAreRefusedAndChangeNothing) {
    CByteBuffer b;
    b.Append("ab", 2);
    std::vector<char> dst(b.Capacity() + 1);
    EXPECT_EQ(b.Read(dst.data(), b.Capacity() + 1), 0u);
    EXPECT_EQ(b.Consume(b.Capacity() + 1), 0u);
    EXPECT_EQ(b.Reserve(CByteBuffer::kMaxCapacity + 1), 0u);
    EXPECT_EQ(b.Reserve(0xFFFFFFFF), 0u);
    EXPECT_EQ(b.Append("x", 0xFFFFFFFF), 0u);
    EXPECT_EQ(b.Prepend("x", CByteBuffer::kMaxCapacity), 0u);
    EXPECT_EQ(Held(b), "ab");
}

// The chunk streams of whole messages meet the game server's codec on the
// receive path; here the broken ones.
TEST(PacketTest, BrokenChunkStreamsAreRefused) {
    auto stream = [](uint32_t word, size_t extra) {
        CByteBuffer b;
        uint8_t bytes[4];
        platform::StoreLE32(bytes, word);
        b.Append(bytes, 4);
        const std::vector<uint8_t> zeros(extra);
        if (extra) b.Append(zeros.data(), uint32_t(extra));
        return b;
    };
    struct Case {
        const char* name;
        CByteBuffer source;
    } cases[] = {
        {"fewer than five bytes", stream(1, 0)},
        {"chunk above the piece size", stream(4001, 4001)},
        {"negative chunk length", stream(0xFFFFFFFF, 8)},
        {"chunk longer than what is left", stream(10, 9)},
        {"trailing bytes", stream(1, 3)},
    };
    for (Case& c : cases) {
        CByteBuffer joined;
        EXPECT_EQ(ReadChunks(c.source, joined, 4000), 0) << c.name;
    }
}

TEST(NoticeTest, TicketsCountUntilABoundAndGiveBackWhenFreed) {
    using U = UnreadNotices;
    struct Case {
        const char* name;
        uint32_t records;  // tickets of `each` bytes taken first
        uint64_t each;
        uint64_t next;
        bool taken;
    } cases[] = {
        {"empty", 0, 0, 100, true},
        {"last record", U::kMaxRecords - 1, 1, 1, true},
        {"one record too many", U::kMaxRecords, 1, 1, false},
        {"bytes up to the bound", 1, U::kMaxBytes - 10, 10, true},
        {"bytes past the bound", 1, U::kMaxBytes - 10, 11, false},
    };
    for (const Case& c : cases) {
        auto unread = std::make_shared<U>();
        {
            std::vector<NoticeTicket> held;
            for (uint32_t i = 0; i < c.records; ++i)
                held.push_back(NoticeTicket::Take(unread, c.each));
            NoticeTicket next = NoticeTicket::Take(unread, c.next);
            EXPECT_EQ(bool(next), c.taken) << c.name;
            NoticeTicket moved;
            moved = std::move(next);  // the count travels with the record
            EXPECT_EQ(unread->records.load(), c.records + (c.taken ? 1 : 0)) << c.name;
        }
        EXPECT_EQ(unread->records.load(), 0u) << c.name;
        EXPECT_EQ(unread->bytes.load(), 0u) << c.name;
    }
}

}  // namespace
}  // namespace transport
