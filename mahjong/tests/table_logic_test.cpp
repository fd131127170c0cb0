#include "mahjong/app/table_logic.h"

#include <gtest/gtest.h>

#include "mahjong/tests/table_fixture.h"

namespace mahjong {
namespace {

using testing::SeatApp;
using testing::Words;

// A round start whose word i is 1000 + i, so every word tells where it came from.
Words NumberedRoundStart() {
    Words w(snap::kRoundStartWords);
    for (size_t i = 0; i < w.size(); ++i)
        w[i] = int32_t(1000 + i);
    return w;
}

TEST(TableLogic, RoundStartLandsInItsBlockRangesAndLeavesTheRest) {
    CTableLogic logic;
    // Before any round only -1 ends a list: the zero block holds 32 entries.
    int32_t list[32];
    EXPECT_EQ(logic.GetSeatList(list), 32);
    EXPECT_EQ(logic.GetResultHand(1, list), 32);
    // The table data written before (an enter reply) stays where the round
    // start does not write.
    std::span<uint8_t> table = logic.TableData();
    for (size_t i = 0; i < table.size(); i += 4)
        platform::StoreLE32(&table[i], 7);
    ASSERT_TRUE(logic.StoreRoundStart(NumberedRoundStart().Bytes()));
    for (int b = 0; b < snap::kBlockWords; ++b) {
        int want = 7;
        if (b < 49) want = 1000 + b;
        if (b >= 1213 && b < 1217) want = 1049 + (b - 1213);
        if (b >= 1217 && b < 1249) want = 1053 + (b - 1217);
        if (b >= 1057 && b < 1201) want = 1085 + (b - 1057);
        if (b >= 1201 && b < 1205) want = 1229 + (b - 1201);
        ASSERT_EQ(logic.Word(b), want) << "block word " << b;
    }
    EXPECT_EQ(logic.SpareWord(0), 7);
    EXPECT_EQ(logic.SpareWord(1008), 1085) << "flower lists lie at spare word 1008";
    EXPECT_EQ(logic.GetSeatValue(2), 1051);
    EXPECT_EQ(logic.GetSeatValue(4), 0);
    EXPECT_EQ(logic.GetSeatValue(-1), 0);
}

TEST(TableLogic, ShortPayloadsAreDroppedWholeAndLongOnesRead) {
    CTableLogic logic;
    Words start = NumberedRoundStart();
    ASSERT_TRUE(logic.StoreRoundStart(start.Bytes()));
    Words other(snap::kRoundStartWords - 1, 5);
    auto bytes = other.Bytes();
    EXPECT_FALSE(logic.StoreRoundStart(bytes));
    bytes.push_back(0);  // 931 bytes: still not 233 words
    bytes.push_back(0);
    EXPECT_FALSE(logic.StoreRoundStart(bytes));
    EXPECT_EQ(logic.GetBankerChair(), 1011);
    EXPECT_FALSE(logic.StoreRoundStart({}));
    other.Set(300, 9);  // longer than needed is fine
    EXPECT_TRUE(logic.StoreRoundStart(other.Bytes()));
    EXPECT_EQ(logic.GetBankerChair(), 5);
}

TEST(TableLogic, RoundResultRecordsAreCountedClampedAndCheckedAndTheRoundsTexts) {
    struct Case {
        int32_t count;
        size_t records;  // records of 172 bytes in the payload
        bool stored;
        int kept;  // records stored
    };
    const Case cases[] = {
        {0, 0, true, 0},         {2, 2, true, 2},  {4, 4, true, 4},
        {5, 5, true, 4},         {5, 4, true, 4},  {-1, 0, true, 0},
        {INT32_MIN, 0, true, 0}, {3, 2, false, 0}, {INT32_MAX, 3, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        CTableLogic logic;
        Words w(snap::kResultWords);
        w[snap::kResultRecordCount] = c.count;
        w[snap::kResultWinner] = 2;
        std::vector<uint8_t> bytes = w.Bytes();
        for (size_t r = 0; r < c.records; ++r)
            bytes.insert(bytes.end(), 172, uint8_t(r + 1));
        EXPECT_EQ(logic.StoreRoundResult(bytes), c.stored);
        EXPECT_EQ(logic.GetResultWinner(), c.stored ? 2 : 0);
        for (int r = 0; r < 4; ++r)
            EXPECT_EQ(logic.GetResultRecord(r)[171], r < c.kept ? r + 1 : 0) << r;
    }
    CTableLogic logic;
    EXPECT_FALSE(logic.StoreRoundResult(Words(snap::kResultWords - 1).Bytes()));
    EXPECT_TRUE(logic.GetResultRecord(4).empty());
    // The texts of a round's start and end.
    auto app = SeatApp(0, 4);
    CTableLogic told;
    Words start(snap::kRoundStartWords);
    start[snap::kRoundNumber] = 3;
    start[snap::kBankerChair] = 2;
    start[snap::kPointsValue] = 50;
    start[snap::kSilverValue] = 800;
    ASSERT_TRUE(told.StoreRoundStart(start.Bytes()));
    EXPECT_EQ(told.GetRunningText(), std::string("【第3局】庄：<c=255>") + testing::kNames[2] +
                                         " <>\r\n     基础银：<c=255>50<> 分\r\n");
    start[snap::kMoneyMode] = 1;
    ASSERT_TRUE(told.StoreRoundStart(start.Bytes()));
    EXPECT_EQ(told.GetRunningText(), std::string("【第3局】庄：<c=255>") + testing::kNames[2] +
                                         " <>\r\n     基础银：<c=255>800<> 两\r\n");

    Words result(snap::kResultWords);
    result[snap::kResultWon + 0] = 1;
    result[snap::kResultWon + 2] = 3;
    result[snap::kResultWon + 1] = -1;
    ASSERT_TRUE(told.StoreRoundResult(result.Bytes()));
    EXPECT_EQ(told.GetRoundText(), std::string("【第3局】胡：<c=255>") + testing::kNames[0] + "," +
                                       testing::kNames[2] + " <>\r\n");
    result[0] = snap::kResultNoWinner;
    ASSERT_TRUE(told.StoreRoundResult(result.Bytes()));
    EXPECT_EQ(told.GetRoundText(), "【第3局】流局。<>\r\n");
    EXPECT_EQ(told.GetRoundOpenText(), "");
}

}  // namespace
}  // namespace mahjong
