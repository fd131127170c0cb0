// The worker's receive path, fed bytes directly; packets are made by the
// game server's own codec, so the two sides check each other.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/bytes.h"
#include "platform/daily_log.h"
#include "tools/gameserver/envelope.h"
#include "tools/gameserver/server.h"
#include "tools/gameserver/wire.h"
#include "transport/log.h"
#include "transport/tests/temp_program_dir.h"
#include "transport/transport_socket.h"

namespace transport {
namespace {

using gameserver::Bytes;

const gameserver::Key kKey = gameserver::DefaultKey();

// Catches finished requests instead of posting them.
class ReceivingSocket : public CTransportSocket {
  public:
    ReceivingSocket() : CTransportSocket(kKey.data(), 128, 0x100, 0, 1, 4000) {
        AddEntry(nullptr, 0);
        entry = FirstEntry(nullptr);
    }
    bool OnRequest(const uint8_t* message, uint32_t size) override {
        TransportInfo info;
        TransportNotice notice;
        if (!DecodeMessage(message, size, &info, &notice, kKey.data(), 128, 0x100, 0, 4000)) {
            ++dropped;
            return false;
        }
        infos.push_back(info);
        notices.push_back(std::move(notice));
        return true;
    }
    bool Feed(const Bytes& bytes) {
        entry->receiveBuffer.Append(bytes.data(), uint32_t(bytes.size()));
        return ProcessReceived(*entry);
    }

    EntryPtr entry;
    std::vector<TransportInfo> infos;
    std::vector<TransportNotice> notices;
    int dropped = 0;
};

Bytes Filled(size_t n) {
    Bytes out(n);
    for (size_t i = 0; i < n; ++i)
        out[i] = uint8_t(i * 17 + 1);
    return out;
}

// The packets of one message, each whole.
std::vector<Bytes> Packets(uint32_t kind, uint32_t number, uint32_t code, const Bytes& data,
                           bool crc = true, uint32_t compress = 0, uint32_t piece = 4000) {
    Bytes sealed = gameserver::Seal(gameserver::EncodeBody({code, data}), kKey, 0x100, compress);
    auto chunks = gameserver::SplitMessage(sealed, piece);
    std::vector<Bytes> packets;
    for (size_t i = 0; i < chunks.size(); ++i)
        packets.push_back(gameserver::EncodePacket(
            {kind, uint32_t(i + 1), number, uint32_t(i + 1), i + 1 == chunks.size() ? 1u : 0u, 0},
            chunks[i], crc));
    return packets;
}

Bytes Join(const std::vector<Bytes>& packets) {
    Bytes out;
    for (const Bytes& p : packets)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

TEST(ReceivePathTest, NotificationInOnePacket) {
    ReceivingSocket s;
    ASSERT_TRUE(s.Feed(Join(Packets(1, 1, 211000, Filled(30)))));
    ASSERT_EQ(s.notices.size(), 1u);
    EXPECT_EQ(s.notices[0].Code(), 211000u);
    ASSERT_EQ(s.notices[0].length, 30u);
    EXPECT_EQ(Bytes(s.notices[0].data.get(), s.notices[0].data.get() + 30), Filled(30));
    EXPECT_EQ(s.infos[0].messageNumber, 1u);
    EXPECT_EQ(s.entry->receiveBuffer.Size(), 0u);
}

TEST(ReceivePathTest, ManyPartsByteByByteAndAllAtOnce) {
    for (bool bytewise : {false, true}) {
        ReceivingSocket s;
        Bytes stream = Join(Packets(1, 1, 5, Filled(40000)));
        Bytes second = Join(Packets(1, 2, 6, Filled(100), false, 0x400));
        stream.insert(stream.end(), second.begin(), second.end());
        if (bytewise) {
            for (uint8_t byte : stream)
                ASSERT_TRUE(s.Feed({byte}));
        } else {
            ASSERT_TRUE(s.Feed(stream));
        }
        ASSERT_EQ(s.notices.size(), 2u);
        EXPECT_EQ(s.notices[0].length, 40000u);
        EXPECT_EQ(s.notices[1].Code(), 6u);
        EXPECT_EQ(Bytes(s.notices[1].data.get(), s.notices[1].data.get() + 100), Filled(100));
    }
}

TEST(ReceivePathTest, BadPacketsFailTheRead) {
    Bytes good = Packets(1, 1, 7, Filled(10))[0];
    auto with = [&](size_t offset, uint32_t value) {
        Bytes b = good;
        platform::StoreLE32(&b[offset], value);
        return b;
    };
    Bytes flipped = good;
    flipped[good.size() - 1] ^= 0x40;
    Bytes shortPacket(28, 0);
    platform::StoreLE32(shortPacket.data(), 24);
    struct Case {
        const char* name;
        Bytes bytes;
    } cases[] = {
        {"changed byte under a checksum", flipped},
        {"length 24", shortPacket},
        {"length 56", with(0, 56)},
        {"length above the largest piece", with(0, 4057)},
        {"negative length", with(0, 0xFFFFFFF0)},
        {"zero length", with(0, 0)},
        {"chunk length disagrees", Packets(1, 1, 7, Filled(10), false)[0]},
        {"kind 3", gameserver::EncodePacket({3, 1, 1, 1, 1, 0}, Filled(10), true)},
        {"message number 0", gameserver::EncodePacket({1, 1, 0, 1, 1, 0}, Filled(10), true)},
        {"part 0", gameserver::EncodePacket({1, 1, 1, 0, 1, 0}, Filled(10), true)},
    };
    platform::StoreLE32(&cases[6].bytes[gameserver::kOffsetChunkLength],
                        platform::LoadLE32(&cases[6].bytes[gameserver::kOffsetChunkLength]) - 1);
    for (Case& c : cases) {
        ReceivingSocket s;
        EXPECT_FALSE(s.Feed(c.bytes)) << c.name;
        EXPECT_TRUE(s.notices.empty()) << c.name;
    }
}

TEST(ReceivePathTest, PacketWithoutChecksumIsTaken) {
    ReceivingSocket s;
    ASSERT_TRUE(s.Feed(Join(Packets(1, 1, 8, Filled(5), false))));
    EXPECT_EQ(s.notices.size(), 1u);
}

TEST(ReceivePathTest, PartsOutOfSequenceCostOnlyTheirMessage) {
    testing::TempProgramDir dir;
    platform::ManualLocalTime time({2026, 12, 5, 9, 0, 0});
    platform::ScopedLocalTime scope(time);
    LogOpen("KYXLog", 0x80008);
    auto three = Packets(1, 7, 7, Filled(9000));
    auto other = Packets(1, 8, 8, Filled(10));
    auto more = Packets(1, 9, 9, Filled(9000));
    struct Case {
        const char* name;
        std::vector<Bytes> packets;
        std::vector<uint32_t> delivered;  // before the good message that follows
    } cases[] = {
        {"part 2 while idle", {three[1]}, {}},
        {"gap", {three[0], three[2]}, {}},
        {"repeated middle part", {three[0], three[1], three[1], three[2]}, {}},
        {"first part again restarts", {three[0], three[0], three[1], three[2]}, {7}},
        {"new message while one is half done", {three[0], other[0]}, {8}},
        {"interleaved", {three[0], more[0], three[1], more[1], three[2], more[2]}, {}},
    };
    const Bytes good = Join(Packets(1, 20, 20, Filled(10)));
    // The rows are also seeds of the receive fuzz target (mode byte 0xF2: reads of 4021 bytes).
    const char* corpus = std::getenv("QEVO_WRITE_CORPUS");
    for (const Case& c : cases) {
        ReceivingSocket s;
        Bytes seed = {0xF2};
        for (const Bytes& p : c.packets) {
            EXPECT_TRUE(s.Feed(p)) << c.name;
            seed.insert(seed.end(), p.begin(), p.end());
        }
        EXPECT_TRUE(s.Feed(good)) << c.name;
        seed.insert(seed.end(), good.begin(), good.end());
        if (corpus) {
            std::string name = c.name;
            std::replace(name.begin(), name.end(), ' ', '_');
            auto path = std::filesystem::path(corpus) / "transport_receive" / name;
            std::ofstream(path, std::ios::binary)
                .write(reinterpret_cast<const char*>(seed.data()), std::streamsize(seed.size()));
        }
        std::vector<uint32_t> codes;
        for (const TransportNotice& n : s.notices)
            codes.push_back(n.Code());
        std::vector<uint32_t> expected = c.delivered;
        expected.push_back(20);
        EXPECT_EQ(codes, expected) << c.name;
    }
    // One log line per run of bad parts, however long the run.
    std::string log = dir.Read("KYXLog20261205.log");
    size_t lines = 0;
    for (size_t at = 0; (at = log.find("out of sequence", at)) != std::string::npos; ++at)
        ++lines;
    EXPECT_EQ(lines, std::size(cases)) << log;
}

TEST(ReceivePathTest, MessageLimitCountsDataBytesHoweverTheyAreCut) {
    struct Case {
        uint32_t dataSize;
        uint32_t piece;
        bool delivered;
    } cases[] = {
        {kMaxMessageSize - 100, 4000, true},
        {kMaxMessageSize - 40, 4000, false},  // sealed, it passes the limit
        {900000, 16, true},                   // 1.1 MB of chunk stream
        {50000, 1, true},
    };
    for (const Case& c : cases) {
        ReceivingSocket s;
        bool good = true;
        for (const Bytes& p : Packets(1, 1, 3, Filled(c.dataSize), false, 0, c.piece))
            good = good && s.Feed(p);
        EXPECT_EQ(good, c.delivered) << c.dataSize << "/" << c.piece;
        ASSERT_EQ(s.notices.size(), c.delivered ? 1u : 0u) << c.dataSize << "/" << c.piece;
        if (c.delivered) {
            EXPECT_EQ(s.notices[0].length, c.dataSize);
        }
    }
}

TEST(ReceivePathTest, UndecodableMessageIsDroppedButTheStreamGoesOn) {
    ReceivingSocket s;
    Bytes body = gameserver::EncodeBody({3, Filled(8)});
    body.pop_back();  // the body's length word now disagrees with its bytes
    Bytes sealed = gameserver::Seal(body, kKey, 0x100, 0);
    ASSERT_TRUE(s.Feed(gameserver::EncodePacket({1, 1, 1, 1, 1, 0}, sealed, true)));
    ASSERT_TRUE(s.Feed(Join(Packets(1, 2, 4, Filled(8)))));
    EXPECT_EQ(s.dropped, 1);
    ASSERT_EQ(s.notices.size(), 1u);
    EXPECT_EQ(s.notices[0].Code(), 4u);
}

TEST(ReceivePathTest, ReplyIsStoredOnlyForTheAwaitedNumber) {
    ReceivingSocket s;
    EXPECT_FALSE(s.Feed(Join(Packets(2, 1, 10, {}))));  // nothing awaited

    ReceivingSocket t;
    t.ResetReplyState(5, *t.entry);
    ASSERT_TRUE(t.Feed(Join(Packets(2, 4, 11, {}))));  // late: ignored
    EXPECT_EQ(t.entry->storedReplyNumber, 0u);
    ASSERT_TRUE(t.Feed(Join(Packets(2, 5, 12, Filled(9000)))));
    EXPECT_EQ(t.entry->storedReplyNumber, 5u);
    EXPECT_EQ(t.entry->storedReply.Code(), 12u);
    EXPECT_EQ(t.entry->storedReply.length, 9000u);
    uint32_t number = 1, parts = 1;
    t.GetReplyState(&number, &parts, *t.entry);
    EXPECT_EQ(number, 0u);
    EXPECT_EQ(parts, 0u);
}

TEST(ReceivePathTest, ZeroLengthReplyHasNullData) {
    ReceivingSocket s;
    s.ResetReplyState(1, *s.entry);
    ASSERT_TRUE(s.Feed(Join(Packets(2, 1, 0, {}))));
    EXPECT_EQ(s.entry->storedReplyNumber, 1u);
    EXPECT_EQ(s.entry->storedReply.length, 0u);
    EXPECT_EQ(s.entry->storedReply.data, nullptr);
}

TEST(ReceivePathTest, BrokenReplySequences) {
    auto three = Packets(2, 5, 1, Filled(9000));
    auto newer = Packets(2, 6, 1, Filled(10));
    struct Case {
        const char* name;
        std::vector<Bytes> packets;
        bool good;
    } cases[] = {
        {"part 3 after part 1", {three[0], three[2]}, false},
        {"newer number", {newer[0]}, false},
        {"repeated part", {three[0], three[0], three[1], three[2]}, true},
    };
    for (const Case& c : cases) {
        ReceivingSocket s;
        s.ResetReplyState(5, *s.entry);
        bool all = true;
        for (const Bytes& p : c.packets)
            all = all && s.Feed(p);
        EXPECT_EQ(all, c.good) << c.name;
        EXPECT_EQ(s.entry->storedReplyNumber, c.good ? 5u : 0u) << c.name;
        uint32_t number = 0;
        s.GetReplyState(&number, nullptr, *s.entry);
        EXPECT_EQ(number, 0u) << c.name;  // delivered or disarmed
    }
}

TEST(ReceivePathTest, GarbageForeverKeepsMemoryBounded) {
    ReceivingSocket s;
    Bytes garbage = Filled(4096);
    platform::StoreLE32(garbage.data(), 4000);  // a plausible length first
    bool failed = false;
    for (int i = 0; i < 2000 && !failed; ++i) {
        failed = !s.Feed(garbage);
        EXPECT_LE(s.entry->receiveBuffer.Size(), 2 * 4096u);
    }
    EXPECT_TRUE(failed);
}

TEST(ReceivePathTest, EndlessMessageHitsTheSizeCap) {
    ReceivingSocket s;
    Bytes chunk = Filled(4000);
    bool failed = false;
    uint32_t part = 1;
    for (; part < 2 * kMaxMessageSize / 4000 && !failed; ++part)
        failed = !s.Feed(gameserver::EncodePacket({1, part, 1, part, 0, 0}, chunk, false));
    EXPECT_TRUE(failed);
    EXPECT_LE(part, kMaxMessageSize / 4000 + 2);
    EXPECT_EQ(s.entry->requestBuffer.Size(), 0u);
}

}  // namespace
}  // namespace transport
