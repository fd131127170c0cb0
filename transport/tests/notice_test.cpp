#include "transport/notice.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/bytes.h"

namespace transport {
namespace {

TEST(TransportInfoTest, IsSixWordsInOrder) {
    TransportInfo info{7, 8, 1, 42, 0, 0};
    uint8_t bytes[TransportInfo::kSize];
    info.Encode(bytes);
    const uint32_t expected[6] = {7, 8, 1, 42, 0, 0};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(platform::LoadLE32(bytes + 4 * i), expected[i]);
    TransportInfo back = TransportInfo::Decode(bytes);
    EXPECT_EQ(back.messageNumber, 8u);
    EXPECT_EQ(back.serial, 42u);
}

TEST(CopyNoticeTest, CopiesWordsAndGivesTheTargetItsOwnData) {
    TransportNotice source;
    source.head[1] = 211000;
    source.length = 3;
    source.data = std::make_unique<uint8_t[]>(3);
    std::memcpy(source.data.get(), "abc", 3);
    TransportNotice target;
    CopyNotice(target, source);
    EXPECT_EQ(target.Code(), 211000u);
    ASSERT_EQ(target.length, 3u);
    ASSERT_NE(target.data, nullptr);
    EXPECT_NE(target.data.get(), source.data.get());
    EXPECT_EQ(0, std::memcmp(target.data.get(), "abc", 3));
}

TEST(CopyNoticeTest, ZeroLengthGivesNullData) {
    TransportNotice source, target;
    source.head[1] = 10;
    target.length = 5;
    target.data = std::make_unique<uint8_t[]>(5);
    CopyNotice(target, source);
    EXPECT_EQ(target.length, 0u);
    EXPECT_EQ(target.data, nullptr);
    EXPECT_TRUE(target.Bytes().empty());
}

TEST(FreeNoticeTest, FreesDataAndToleratesNull) {
    TransportNotice notice;
    notice.length = 2;
    notice.data = std::make_unique<uint8_t[]>(2);
    FreeNotice(&notice);
    EXPECT_EQ(notice.data, nullptr);
    FreeNotice(&notice);
    FreeNotice(nullptr);
}

}  // namespace
}  // namespace transport
