#include "client/hall_records.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "client/hall_key.h"
#include "client/tests/hall_test_data.h"
#include "platform/bytes.h"
#include "tools/gameserver/envelope.h"

namespace client {
namespace {

using platform::LoadLE32;
using testing::MakePlayer;
using testing::MakeState;
using testing::RandomBytes;

std::string TextAt(const std::vector<uint8_t>& bytes, size_t offset) {
    return std::string(reinterpret_cast<const char*>(&bytes[offset]));
}

// ---- known offsets ----------------------------------------------------------

struct WordAt {
    size_t offset;
    uint32_t value;
};

TEST(PlayerRecordLayout, FieldsSitAtTheirOffsets) {
    PlayerRecord p;
    p.userId = 0x01020304;
    p.flags = 0x1000;
    p.userName = "alice";
    p.nickname = "小白";
    p.portrait = 18;
    p.silver = -20;
    p.word21 = 21;
    p.levelTitle = "title";
    p.score = -26;
    p.chair = 3;
    p.lookerFlag = 1;
    p.friendFlag = 40;
    p.unwelcomeFlag = 41;
    p.knownFlag = 42;
    const auto bytes = p.Encode();
    ASSERT_EQ(bytes.size(), kPlayerRecordSize);
    const WordAt words[] = {{0, 0x01020304}, {4, 0x1000},
                            {72, 18},        {80, uint32_t(-20)},
                            {84, 21},        {104, uint32_t(-26)},
                            {144, 3},        {148, 1},
                            {160, 40},       {164, 41},
                            {168, 42}};
    for (const auto& w : words)
        EXPECT_EQ(LoadLE32(&bytes[w.offset]), w.value) << w.offset;
    EXPECT_EQ(TextAt(bytes, 20), "alice");
    EXPECT_EQ(TextAt(bytes, 52), p.nickname);
    EXPECT_EQ(TextAt(bytes, 88), "title");
}

TEST(RoomRecordLayout, FieldsSitAtTheirOffsets) {
    RoomRecord r;
    r.noticeFileNumber = 3;
    r.options = 0x4004;
    r.zoneName = "zone";
    r.advertHost = "ads";
    r.noticeHost = "notes";
    r.roomName = "room";
    r.noticePeriod = 70;
    r.word73 = 73;
    r.word74 = 74;
    r.words76to79 = {76, 77, 78, 79};
    std::vector<uint8_t> bytes;
    r.EncodeTo(bytes);
    ASSERT_EQ(bytes.size(), kRoomRecordSize);
    const WordAt words[] = {{12, 3},   {16, 0x4004}, {280, 70}, {292, 73}, {296, 74},
                            {304, 76}, {308, 77},    {312, 78}, {316, 79}};
    for (const auto& w : words)
        EXPECT_EQ(LoadLE32(&bytes[w.offset]), w.value) << w.offset;
    EXPECT_EQ(TextAt(bytes, 20), "zone");
    EXPECT_EQ(TextAt(bytes, 84), "ads");
    EXPECT_EQ(TextAt(bytes, 148), "notes");
    EXPECT_EQ(TextAt(bytes, 212), "room");
}

TEST(HallTableStateLayout, HeadThenSeatedThenLookers) {
    const auto state = MakeState(2, 3);
    const auto bytes = state.Encode();
    ASSERT_EQ(bytes.size(), 620u + 320u * 5);
    EXPECT_EQ(HallTableState::SizeFor(2, 3), bytes.size());
    EXPECT_EQ(LoadLE32(&bytes[444 + 8]), 2u);
    EXPECT_EQ(LoadLE32(&bytes[444 + 12]), 3u);
    EXPECT_EQ(LoadLE32(&bytes[620]), 101u);
    EXPECT_EQ(LoadLE32(&bytes[620 + 320]), 102u);
    EXPECT_EQ(LoadLE32(&bytes[620 + 640]), 201u);
    EXPECT_EQ(LoadLE32(&bytes[620 + 4 * 320]), 203u);
}

TEST(PlayerLeftRecordLayout, FourWordsInOrder) {
    const PlayerLeftRecord left{0x9000, 77, 12, -1};
    const auto bytes = left.Encode();
    ASSERT_EQ(bytes.size(), kPlayerLeftRecordSize);
    EXPECT_EQ(LoadLE32(&bytes[0]), 0x9000u);
    EXPECT_EQ(LoadLE32(&bytes[4]), 77u);
    EXPECT_EQ(LoadLE32(&bytes[8]), 12u);
    EXPECT_EQ(LoadLE32(&bytes[12]), 0xFFFFFFFFu);
    EXPECT_EQ(PlayerLeftRecord::Decode(std::span<const uint8_t, 16>(bytes.data(), 16)), left);
}

TEST(HallReportLayout, NineWordsThenZeros) {
    HallReport r;
    r.code = 0x1234;
    r.userId = 1;
    r.tableNo = 2;
    r.chair = 3;
    r.serverMajor = 4;
    r.lookerFlag = 5;
    r.connectionLost = 6;
    r.gameId = 7;
    r.serverMinor = 8;
    const auto bytes = r.Encode();
    ASSERT_EQ(bytes.size(), kHallReportSize);
    const uint32_t expected[] = {0x1234, 1, 2, 3, 4, 5, 6, 7, 8};
    for (size_t i = 0; i < 9; ++i)
        EXPECT_EQ(LoadLE32(&bytes[i * 4]), expected[i]) << i;
    for (size_t i = 36; i < kHallReportSize; ++i)
        EXPECT_EQ(bytes[i], 0) << i;
    EXPECT_EQ(HallReport::Decode(bytes), r);
}

TEST(HallReport, CopyDataTypeIsFiveExactlyWhenTheConnectionWasLostInAGame) {
    HallReport r;
    EXPECT_EQ(r.CopyDataType(), 2u);
    r.connectionLost = 0x77;
    EXPECT_EQ(r.CopyDataType(), 5u);
}

TEST(HallReport, DecodeRefusesOtherSizes) {
    for (size_t n : {0u, 187u, 189u, 192u})
        EXPECT_FALSE(HallReport::Decode(std::vector<uint8_t>(n))) << n;
}

// ---- byte-exact round trips -------------------------------------------------

TEST(HallRecordsRoundTrip, ArbitraryBytesEncodeBackUnchanged) {
    for (uint32_t seed = 1; seed <= 20; ++seed) {
        const auto player = RandomBytes(kPlayerRecordSize, seed);
        std::vector<uint8_t> out;
        PlayerRecord::Decode(
            std::span<const uint8_t, kPlayerRecordSize>(player.data(), kPlayerRecordSize))
            .EncodeTo(out);
        EXPECT_EQ(out, player);

        const auto room = RandomBytes(kRoomRecordSize, seed);
        out.clear();
        RoomRecord::Decode(std::span<const uint8_t, kRoomRecordSize>(room.data(), kRoomRecordSize))
            .EncodeTo(out);
        EXPECT_EQ(out, room);

        const auto table = RandomBytes(kTableRecordSize, seed);
        out.clear();
        TableRecord::Decode(
            std::span<const uint8_t, kTableRecordSize>(table.data(), kTableRecordSize))
            .EncodeTo(out);
        EXPECT_EQ(out, table);
    }
}

TEST(HallRecordsRoundTrip, TableStateOfEveryShape) {
    for (size_t seated : {0u, 1u, 4u, 8u}) {
        for (size_t lookers : {0u, 1u, 64u}) {
            const auto state = MakeState(seated, lookers);
            const auto bytes = state.Encode();
            const auto back = HallTableState::Decode(bytes);
            ASSERT_TRUE(back) << seated << "/" << lookers;
            EXPECT_EQ(back->Encode(), bytes);
            EXPECT_EQ(back->seated.size(), seated);
            EXPECT_EQ(back->lookers.size(), lookers);
            EXPECT_EQ(back->room.zoneName, "东区");
        }
    }
}

TEST(HallRecordsRoundTrip, AChangedTextReplacesTheWholeField) {
    auto bytes = RandomBytes(kPlayerRecordSize, 99);
    std::memcpy(&bytes[20], "longname\0junk", 13);
    auto p = PlayerRecord::Decode(std::span<const uint8_t, 320>(bytes.data(), 320));
    EXPECT_EQ(p.userName, "longname");
    p.userName = "bo";
    const auto out = p.Encode();
    EXPECT_EQ(TextAt(out, 20), "bo");
    for (size_t i = 22; i < 52; ++i)
        EXPECT_EQ(out[i], 0) << i;
}

TEST(HallRecordsRoundTrip, OverlongTextIsCutToItsField) {
    PlayerRecord p;
    p.userName = std::string(40, 'x');
    const auto out = p.Encode();
    EXPECT_EQ(TextAt(out, 20), std::string(31, 'x'));
    EXPECT_EQ(out[51], 0);
}

// ---- table-state decoding of untrusted bytes --------------------------------

TEST(HallTableStateDecode, RefusesBadCountsAndShortLengths) {
    struct Case {
        const char* name;
        uint32_t seated, lookers;
        size_t length;
    };
    const Case cases[] = {
        {"head cut", 0, 0, 619},
        {"nine seated", 9, 0, HallTableState::SizeFor(9, 0)},
        {"sixty-five lookers", 0, 65, HallTableState::SizeFor(0, 65)},
        {"huge count", 0xFFFFFFFF, 0, 4096},
        {"one record short", 4, 2, HallTableState::SizeFor(4, 2) - 1},
    };
    for (const auto& c : cases) {
        auto bytes = MakeState(0, 0).Encode();
        platform::StoreLE32(&bytes[452], c.seated);
        platform::StoreLE32(&bytes[456], c.lookers);
        bytes.resize(c.length);
        std::string why;
        EXPECT_FALSE(HallTableState::Decode(bytes, &why)) << c.name;
        EXPECT_FALSE(why.empty()) << c.name;
    }
}

TEST(HallTableStateDecode, TrailingPaddingIsIgnored) {
    auto bytes = MakeState(2, 1).Encode();
    bytes.resize(bytes.size() + 12, 0);
    const auto state = HallTableState::Decode(bytes);
    ASSERT_TRUE(state);
    EXPECT_EQ(*state, *HallTableState::Decode(MakeState(2, 1).Encode()));
}

// ---- cipher ------------------------------------------------------------------

std::vector<uint8_t> OracleEncrypt(std::vector<uint8_t> plain) {
    plain.resize((plain.size() + 15) / 16 * 16, 0);
    return gameserver::AesEcb(plain, kHallRecordKey, true);
}

TEST(HallCipher, MatchesAesEcbWithTheHallKey) {
    for (size_t n : {1u, 16u, 320u, 1900u}) {
        const auto plain = RandomBytes(n, uint32_t(n));
        const auto cipher = HallDataEncrypt(plain);
        EXPECT_EQ(cipher, OracleEncrypt(plain)) << n;
        std::vector<uint8_t> back(cipher.size());
        ASSERT_TRUE(HallDataDecrypt(cipher.size(), back.data(), cipher.data()));
        back.resize(n);
        EXPECT_EQ(back, plain) << n;
    }
}

TEST(HallCipher, DecryptRefusesPartialBlocks) {
    std::vector<uint8_t> in(33, 1), out(33, 7);
    EXPECT_FALSE(HallDataDecrypt(in.size(), out.data(), in.data()));
    EXPECT_EQ(out, std::vector<uint8_t>(33, 7));
}

// ---- WM_COPYDATA -------------------------------------------------------------

using Kind = HallCopyData::Kind;

TEST(ReadHallCopyData, DecodesEachHallType) {
    const auto state = MakeState(4, 2);
    auto read = ReadHallCopyData(kCopyTableState, HallDataEncrypt(state.Encode()));
    ASSERT_EQ(read.kind, Kind::kTableState) << read.error;
    EXPECT_EQ(read.tableState.Encode(), state.Encode());

    const auto player = MakePlayer(555, 2, 1);
    read = ReadHallCopyData(kCopyLookerJoined, HallDataEncrypt(player.Encode()));
    ASSERT_EQ(read.kind, Kind::kLookerJoined);
    EXPECT_EQ(read.player.Encode(), player.Encode());

    read = ReadHallCopyData(kCopyPlayerCard, HallDataEncrypt(player.Encode()));
    ASSERT_EQ(read.kind, Kind::kPlayerCard);
    EXPECT_EQ(read.player.userId, 555u);

    const PlayerLeftRecord left{42, 101, 3, 1};
    read = ReadHallCopyData(kCopyPlayerLeft, HallDataEncrypt(left.Encode()));
    ASSERT_EQ(read.kind, Kind::kPlayerLeft);
    EXPECT_EQ(read.left, left);
}

TEST(ReadHallCopyData, OtherTypesAreNotTheHalls) {
    const auto bytes = HallDataEncrypt(MakePlayer(1, 0).Encode());
    for (uintptr_t type : {0u, 2u, 3u, 5u, 8u, 0x9105u})
        EXPECT_EQ(ReadHallCopyData(type, bytes).kind, Kind::kNotHall) << type;
}

TEST(ReadHallCopyData, RefusesWrongSizes) {
    struct Case {
        uintptr_t type;
        size_t length;
    };
    const Case cases[] = {
        {kCopyLookerJoined, 0},   {kCopyLookerJoined, 304}, {kCopyLookerJoined, 321},
        {kCopyLookerJoined, 352}, {kCopyPlayerCard, 100},   {kCopyPlayerLeft, 0},
        {kCopyPlayerLeft, 15},    {kCopyPlayerLeft, 48},    {kCopyTableState, 608},
        {kCopyTableState, 625},   {kCopyTableState, 65536},
    };
    for (const auto& c : cases) {
        const auto read = ReadHallCopyData(c.type, RandomBytes(c.length, 5));
        EXPECT_EQ(read.kind, Kind::kRefused) << c.type << " " << c.length;
        EXPECT_FALSE(read.error.empty());
    }
}

TEST(ReadHallCopyData, AcceptsTheCipherPaddingBlock) {
    auto plain = MakePlayer(9, 1).Encode();
    plain.resize(336, 0);  // one block more, as a buffer cipher may add
    EXPECT_EQ(ReadHallCopyData(kCopyLookerJoined, HallDataEncrypt(plain)).kind,
              Kind::kLookerJoined);
}

TEST(ReadHallCopyData, RefusesTableStatesThatFailDecoding) {
    auto bytes = MakeState(2, 0).Encode();
    platform::StoreLE32(&bytes[452], 3);  // claims a third seat that is not there
    const auto read = ReadHallCopyData(kCopyTableState, HallDataEncrypt(bytes));
    EXPECT_EQ(read.kind, Kind::kRefused);

    auto longer = MakeState(1, 0).Encode();
    longer.resize(longer.size() + 64, 0);  // more than the padding of its records
    EXPECT_EQ(ReadHallCopyData(kCopyTableState, HallDataEncrypt(longer)).kind, Kind::kRefused);
}

}  // namespace
}  // namespace client
