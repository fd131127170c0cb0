#include "platform/bytes.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(ByteReaderTest, ReadsLittleEndianFieldsInOrder) {
    const uint8_t data[] = {0x01, 0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 'a', 'b', 0, 'z'};
    ByteReader r(data);
    EXPECT_EQ(r.U8(), 0x01);
    EXPECT_EQ(r.U16(), 0x1234);
    EXPECT_EQ(r.U32(), 0x12345678u);
    EXPECT_EQ(r.FixedString(4), "ab");
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.remaining(), 0u);
}

TEST(ByteReaderTest, OverrunYieldsZerosAndStaysFailed) {
    const uint8_t data[] = {1, 2, 3};
    ByteReader r(data);
    EXPECT_EQ(r.U32(), 0u);
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.U8(), 0);  // a failed reader never resumes
    EXPECT_TRUE(r.Bytes(1).empty());
    EXPECT_EQ(r.position(), 0u);
}

TEST(ByteWriterTest, RoundTripsThroughReader) {
    std::vector<uint8_t> out;
    ByteWriter w(out);
    w.U8(7);
    w.I16(-2);
    w.U32(0xDEADBEEF);
    w.U64(0x0102030405060708ull);
    w.FixedString("toolong", 4);
    w.FixedString("", 2);
    ASSERT_EQ(out.size(), 1u + 2 + 4 + 8 + 4 + 2);
    EXPECT_EQ(out[15 + 3], 0);  // the field keeps its terminating NUL

    ByteReader r(out);
    EXPECT_EQ(r.U8(), 7);
    EXPECT_EQ(r.I16(), -2);
    EXPECT_EQ(r.U32(), 0xDEADBEEFu);
    EXPECT_EQ(r.U64(), 0x0102030405060708ull);
    EXPECT_EQ(r.FixedString(4), "too");
    EXPECT_EQ(r.FixedString(2), "");
    EXPECT_TRUE(r.ok());
}

}  // namespace
}  // namespace platform
