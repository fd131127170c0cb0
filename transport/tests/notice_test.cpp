#include "transport/notice.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

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

TEST(NoticeTicketTest, CountsUntilABoundAndGivesBackWhenFreed) {
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
            EXPECT_EQ(unread->records.load(), c.records + (c.taken ? 1 : 0)) << c.name;
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
