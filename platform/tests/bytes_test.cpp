#include "platform/bytes.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(BytesTest, WriterAndReaderAgreeOnTheLittleEndianLayoutAndOverrunsYieldZeros) {
    std::vector<uint8_t> out;
    ByteWriter w(out);
    w.U8(7);
    w.I16(-2);
    w.U32(0xDEADBEEF);
    w.U64(0x0102030405060708ull);
    w.FixedString("toolong", 4);
    w.FixedString("", 2);
    EXPECT_EQ(out, (std::vector<uint8_t>{7, 0xFE, 0xFF, 0xEF, 0xBE, 0xAD, 0xDE, 8, 7, 6, 5,
                                         4, 3,    2,    1,    't',  'o',  'o',  0, 0, 0}));
    ByteReader r(out);
    EXPECT_EQ(r.U8(), 7);
    EXPECT_EQ(r.I16(), -2);
    EXPECT_EQ(r.U32(), 0xDEADBEEFu);
    EXPECT_EQ(r.U64(), 0x0102030405060708ull);
    EXPECT_EQ(r.FixedString(4), "too");
    EXPECT_EQ(r.FixedString(2), "");
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.remaining(), 0u);
    // An overrun yields zeros and the reader stays failed.
    ByteReader short3(std::span<const uint8_t>(out.data(), 3));
    EXPECT_EQ(short3.U32(), 0u);
    EXPECT_FALSE(short3.ok());
    EXPECT_EQ(short3.U8(), 0);
    EXPECT_TRUE(short3.Bytes(1).empty());
    EXPECT_EQ(short3.position(), 0u);
}

}  // namespace
}  // namespace platform
