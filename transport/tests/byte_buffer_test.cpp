#include "transport/byte_buffer.h"

#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

namespace transport {
namespace {

std::string Held(const CByteBuffer& b) {
    return std::string(reinterpret_cast<const char*>(b.Data()), b.Size());
}

TEST(ByteBufferTest, NewBufferHoldsNothingAndHasNoStorage) {
    CByteBuffer b;
    EXPECT_EQ(b.Size(), 0u);
    EXPECT_EQ(b.Capacity(), 0u);
    EXPECT_EQ(b.Data(), nullptr);
}

TEST(ByteBufferTest, ClearOnNewBufferAllocatesOneBlock) {
    CByteBuffer b;
    b.Clear();
    EXPECT_EQ(b.Capacity(), 1024u);
    EXPECT_EQ(b.Size(), 0u);
    EXPECT_NE(b.Data(), nullptr);
}

TEST(ByteBufferTest, ClearKeepsLargerCapacity) {
    CByteBuffer b;
    std::vector<uint8_t> data(3000, 7);
    b.Append(data.data(), 3000);
    b.Clear();
    EXPECT_EQ(b.Size(), 0u);
    EXPECT_EQ(b.Capacity(), 3072u);
}

TEST(ByteBufferTest, AppendGrowsInWholeBlocks) {
    struct Case {
        uint32_t n;
        uint32_t capacity;
    };
    for (const Case& c :
         {Case{1, 1024}, Case{1024, 1024}, Case{1025, 2048}, Case{4000, 4096}, Case{4097, 5120}}) {
        CByteBuffer b;
        std::vector<uint8_t> data(c.n, 1);
        EXPECT_EQ(b.Append(data.data(), c.n), c.n);
        EXPECT_EQ(b.Capacity(), c.capacity) << c.n;
        EXPECT_EQ(b.Size(), c.n);
    }
}

TEST(ByteBufferTest, AppendAndPrependKeepOrder) {
    CByteBuffer b;
    b.Append("cd", 2);
    b.Prepend("ab", 2);
    b.Append("ef", 2);
    EXPECT_EQ(Held(b), "abcdef");
}

TEST(ByteBufferTest, PrependAcrossGrowthMovesContents) {
    CByteBuffer b;
    std::vector<uint8_t> body(1020);
    std::iota(body.begin(), body.end(), uint8_t(0));
    b.Append(body.data(), 1020);
    b.Prepend("HEAD:", 5);
    ASSERT_EQ(b.Size(), 1025u);
    EXPECT_EQ(b.Capacity(), 2048u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.Data()), 5), "HEAD:");
    EXPECT_TRUE(std::equal(body.begin(), body.end(), b.Data(5)));
}

TEST(ByteBufferTest, ReadMoreThanHeldTakesWhatThereIs) {
    CByteBuffer b;
    b.Append("wxyz", 4);
    char dst[10] = {};
    EXPECT_EQ(b.Read(dst, 10), 4u);
    EXPECT_EQ(std::string(dst, 4), "wxyz");
    EXPECT_EQ(b.Size(), 0u);
}

TEST(ByteBufferTest, ReadAboveCapacityIsRefusedAndKeepsEverything) {
    CByteBuffer b;
    b.Append("wxyz", 4);
    std::vector<char> dst(b.Capacity() + 1);
    EXPECT_EQ(b.Read(dst.data(), b.Capacity() + 1), 0u);
    EXPECT_EQ(Held(b), "wxyz");
    EXPECT_EQ(b.Consume(b.Capacity() + 1), 0u);
    EXPECT_EQ(Held(b), "wxyz");
}

TEST(ByteBufferTest, ReadAndConsumeMoveTheRestDown) {
    CByteBuffer b;
    b.Append("abcdefgh", 8);
    char dst[3];
    EXPECT_EQ(b.Read(dst, 3), 3u);
    EXPECT_EQ(std::string(dst, 3), "abc");
    EXPECT_EQ(b.Consume(2), 2u);
    EXPECT_EQ(Held(b), "fgh");
}

TEST(ByteBufferTest, ReadOnEmptyBufferWithoutStorage) {
    CByteBuffer b;
    char dst[1];
    EXPECT_EQ(b.Read(dst, 0), 0u);
    EXPECT_EQ(b.Read(dst, 1), 0u);
    EXPECT_EQ(b.Consume(1), 0u);
}

TEST(ByteBufferTest, ReserveReportsOnlyGrowth) {
    CByteBuffer b;
    EXPECT_EQ(b.Reserve(1), 1024u);
    EXPECT_EQ(b.Reserve(1024), 0u);
    EXPECT_EQ(b.Reserve(1025), 2048u);
    EXPECT_EQ(b.Capacity(), 2048u);
}

TEST(ByteBufferTest, ReserveBeyondSizeNeedsBothConditions) {
    CByteBuffer b;
    b.Append("abc", 3);
    EXPECT_EQ(b.ReserveBeyondSize(3), 0u);     // not beyond the size
    EXPECT_EQ(b.ReserveBeyondSize(1000), 0u);  // rounds to the capacity
    EXPECT_EQ(b.ReserveBeyondSize(1500), 2048u);
    EXPECT_EQ(Held(b), "abc");
}

TEST(ByteBufferTest, NeverShrinks) {
    CByteBuffer b;
    std::vector<uint8_t> data(5000);
    b.Append(data.data(), 5000);
    b.Consume(5000);
    b.Clear();
    EXPECT_EQ(b.Capacity(), 5120u);
}

TEST(ByteBufferTest, SizesBeyondTheLimitAreRefused) {
    CByteBuffer b;
    b.Append("ab", 2);
    EXPECT_EQ(b.Reserve(CByteBuffer::kMaxCapacity + 1), 0u);
    EXPECT_EQ(b.Reserve(0xFFFFFFFF), 0u);
    EXPECT_EQ(b.Append("x", 0xFFFFFFFF), 0u);
    EXPECT_EQ(b.Prepend("x", CByteBuffer::kMaxCapacity), 0u);
    EXPECT_EQ(Held(b), "ab");
}

TEST(ByteBufferTest, CopiesAreDeepAndMovesTakeTheStorage) {
    CByteBuffer a;
    a.Append("hello", 5);
    CByteBuffer copy(a);
    copy.Append("!", 1);
    EXPECT_EQ(Held(a), "hello");
    EXPECT_EQ(Held(copy), "hello!");
    CByteBuffer moved(std::move(copy));
    EXPECT_EQ(Held(moved), "hello!");
    a = moved;
    EXPECT_EQ(Held(a), "hello!");
}

}  // namespace
}  // namespace transport
