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

using Bytes = std::vector<uint8_t>;
using testing::MakePlayer;
using testing::MakeState;
using testing::RandomBytes;
using testing::Words;

std::string TextAt(const Bytes& bytes, size_t offset) {
    return std::string(reinterpret_cast<const char*>(&bytes[offset]));
}

Bytes RoomBytes(const RoomRecord& r) {
    Bytes out;
    r.EncodeTo(out);
    return out;
}

// `words` holds offset, word, offset, word, ...
void ExpectAt(const Bytes& bytes, size_t size, std::initializer_list<uint32_t> words,
              std::initializer_list<std::pair<size_t, std::string>> texts) {
    ASSERT_EQ(bytes.size(), size);
    for (auto w = words.begin(); w != words.end(); w += 2)
        EXPECT_EQ(platform::LoadLE32(&bytes[w[0]]), w[1]) << "@" << w[0];
    for (const auto& [offset, text] : texts)
        EXPECT_EQ(TextAt(bytes, offset), text) << "@" << offset;
}

// Each record against the offsets the hall writes its words and texts at.
TEST(HallRecordLayout, FieldsSitAtTheirOffsets) {
    const PlayerRecord player{0x01020304, 0x1000, "alice", "小白", 18, -20, 21,
                              "title",    -26,    3,       1,      40, 41,  42};
    ExpectAt(player.Encode(), kPlayerRecordSize,
             {0, 0x01020304, 4, 0x1000, 72, 18,  80, uint32_t(-20), 84, 21, 104, uint32_t(-26), 144,
              3, 148,        1, 160,    40, 164, 41, 168,           42},
             {{20, "alice"}, {52, "小白"}, {88, "title"}});
    PlayerRecord longName = player;  // a text is cut to its field
    longName.userName = std::string(40, 'x');
    EXPECT_EQ(TextAt(longName.Encode(), 20), std::string(31, 'x'));
    const RoomRecord room{3, 0x4004, "zone", "ads", "notes", "room", 70, 73, 74, {76, 77, 78, 79}};
    ExpectAt(RoomBytes(room), kRoomRecordSize,
             {12, 3, 16, 0x4004, 280, 70, 292, 73, 296, 74, 304, 76, 316, 79},
             {{20, "zone"}, {84, "ads"}, {148, "notes"}, {212, "room"}});
    // The table state: the head (with the counts), the seated, the lookers.
    ExpectAt(MakeState(2, 3).Encode(), HallTableState::SizeFor(2, 3),
             {452, 2, 456, 3, 620, 101, 940, 102, 1260, 201, 1900, 203}, {});
    EXPECT_EQ(HallTableState::SizeFor(2, 3), 620u + 320 * 5);

    // The short records are their words in order; the report ends in zeros.
    const PlayerLeftRecord left{0x9000, 77, 12, -1};
    EXPECT_EQ(left.Encode(), Words({0x9000, 77, 12, 0xFFFFFFFF}));
    EXPECT_EQ(PlayerLeftRecord::Decode(std::span<const uint8_t, 16>(left.Encode().data(), 16)),
              left);
    const HallReport report{0x1234, 1, 2, 3, 4, 5, 6, 7, 8};
    Bytes reportBytes = Words({0x1234, 1, 2, 3, 4, 5, 6, 7, 8});
    reportBytes.resize(kHallReportSize);
    EXPECT_EQ(report.Encode(), reportBytes);
    EXPECT_EQ(HallReport::Decode(reportBytes), report);
    for (size_t n : {0u, 187u, 189u, 192u})
        EXPECT_FALSE(HallReport::Decode(Bytes(n))) << n;
}

TEST(HallRecordsRoundTrip, ArbitraryBytesEncodeBackUnchanged) {
    for (uint32_t seed = 1; seed <= 20; ++seed) {
        const auto player = RandomBytes(kPlayerRecordSize, seed);
        const auto room = RandomBytes(kRoomRecordSize, seed);
        const auto table = RandomBytes(kTableRecordSize, seed);
        Bytes out;
        PlayerRecord::Decode(std::span<const uint8_t, kPlayerRecordSize>(player)).EncodeTo(out);
        RoomRecord::Decode(std::span<const uint8_t, kRoomRecordSize>(room)).EncodeTo(out);
        TableRecord::Decode(std::span<const uint8_t, kTableRecordSize>(table)).EncodeTo(out);
        Bytes all = player;
        all.insert(all.end(), room.begin(), room.end());
        all.insert(all.end(), table.begin(), table.end());
        EXPECT_EQ(out, all) << seed;
    }
}

TEST(HallTableStateDecode, RefusesBadCountsAndShortLengths) {
    const struct {
        const char* name;
        uint32_t seated, lookers;
        size_t length;
    } cases[] = {
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

// The server's AES from OpenSSL is the independent oracle of the hall cipher.
TEST(HallCipher, MatchesAesEcbWithTheHallKeyAndRefusesPartialBlocks) {
    for (size_t n : {1u, 16u, 320u, 1900u}) {
        const auto plain = RandomBytes(n, uint32_t(n));
        auto padded = plain;
        padded.resize((n + 15) / 16 * 16, 0);
        const auto cipher = HallDataEncrypt(plain);
        EXPECT_EQ(cipher, gameserver::AesEcb(padded, kHallRecordKey, true)) << n;
        Bytes back(cipher.size());
        ASSERT_TRUE(HallDataDecrypt(cipher.size(), back.data(), cipher.data()));
        EXPECT_EQ(back, padded) << n;
    }
    Bytes in(33, 1), out(33, 7);
    EXPECT_FALSE(HallDataDecrypt(in.size(), out.data(), in.data()));
    EXPECT_EQ(out, Bytes(33, 7));
}

using Kind = HallCopyData::Kind;

Bytes Decoded(const HallCopyData& read) {
    switch (read.kind) {
        case Kind::kTableState:
            return read.tableState.Encode();
        case Kind::kLookerJoined:
        case Kind::kPlayerCard:
            return read.player.Encode();
        case Kind::kPlayerLeft:
            return read.left.Encode();
        default:
            return {};
    }
}

TEST(ReadHallCopyData, DecodesTheHallsTypesAndRefusesWrongSizes) {
    const auto state = MakeState(4, 2).Encode();
    const auto player = MakePlayer(555, 2, 1).Encode();
    const PlayerLeftRecord left{42, 101, 3, 1};
    auto padded = player;
    padded.resize(336, 0);  // one block more, as a buffer cipher may add
    auto missingSeat = MakeState(2, 0).Encode();
    platform::StoreLE32(&missingSeat[452], 3);
    auto overlong = MakeState(1, 0).Encode();
    overlong.resize(overlong.size() + 64, 0);  // more than the padding of its records
    const auto seal = [](const Bytes& plain) { return HallDataEncrypt(plain); };
    const struct {
        const char* name;
        uintptr_t type;
        Bytes bytes;
        Kind kind;
        Bytes decoded = {};  // the record read, encoded again
    } cases[] = {
        {"table state", kCopyTableState, seal(state), Kind::kTableState, state},
        {"looker joined", kCopyLookerJoined, seal(player), Kind::kLookerJoined, player},
        {"player card", kCopyPlayerCard, seal(player), Kind::kPlayerCard, player},
        {"player left", kCopyPlayerLeft, seal(left.Encode()), Kind::kPlayerLeft, left.Encode()},
        {"padding block", kCopyLookerJoined, seal(padded), Kind::kLookerJoined, player},
        {"type 0", 0, seal(player), Kind::kNotHall},
        {"type 2", 2, seal(player), Kind::kNotHall},
        {"type 5", 5, seal(player), Kind::kNotHall},
        {"type 0x9105", 0x9105, seal(player), Kind::kNotHall},
        {"empty", kCopyLookerJoined, {}, Kind::kRefused},
        {"304 bytes", kCopyLookerJoined, RandomBytes(304, 5), Kind::kRefused},
        {"321 bytes", kCopyLookerJoined, RandomBytes(321, 5), Kind::kRefused},
        {"352 bytes", kCopyLookerJoined, RandomBytes(352, 5), Kind::kRefused},
        {"card of 100", kCopyPlayerCard, RandomBytes(100, 5), Kind::kRefused},
        {"left of 15", kCopyPlayerLeft, RandomBytes(15, 5), Kind::kRefused},
        {"left of 48", kCopyPlayerLeft, RandomBytes(48, 5), Kind::kRefused},
        {"state of 608", kCopyTableState, RandomBytes(608, 5), Kind::kRefused},
        {"state of 65536", kCopyTableState, RandomBytes(65536, 5), Kind::kRefused},
        {"state missing a seat", kCopyTableState, seal(missingSeat), Kind::kRefused},
        {"state with a tail", kCopyTableState, seal(overlong), Kind::kRefused},
    };
    for (const auto& c : cases) {
        const auto read = ReadHallCopyData(c.type, c.bytes);
        EXPECT_EQ(read.kind, c.kind) << c.name << ": " << read.error;
        EXPECT_EQ(read.error.empty(), c.kind != Kind::kRefused) << c.name;
        EXPECT_EQ(Decoded(read), c.decoded) << c.name;
    }
}

}  // namespace
}  // namespace client
