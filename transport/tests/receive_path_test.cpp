// The worker's receive path, fed bytes directly: the rules of packets, of
// the parts of a message and of replies. Packets are made by the game
// server's own codec, so the two sides check each other.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
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
        codes.push_back(notice.Code());
        notices.push_back(std::move(notice));
        return true;
    }
    bool Feed(const Bytes& bytes) {
        entry->receiveBuffer.Append(bytes.data(), uint32_t(bytes.size()));
        return ProcessReceived(*entry);
    }
    bool FeedAll(const std::vector<Bytes>& packets) {
        bool good = true;
        for (const Bytes& p : packets)
            good = good && Feed(p);
        return good;
    }
    // No reply is awaited, and none is half built.
    bool Disarmed() {
        uint32_t number = 1, parts = 1;
        GetReplyState(&number, &parts, *entry);
        return number == 0 && parts == 0;
    }

    EntryPtr entry;
    std::vector<uint32_t> codes;
    std::vector<TransportNotice> notices;
    int dropped = 0;
};

Bytes Filled(size_t n) {
    Bytes out(n);
    for (size_t i = 0; i < n; ++i)
        out[i] = uint8_t(i * 17 + 1);
    return out;
}

// The packets of one message, each whole, as the game server cuts them.
std::vector<Bytes> Packets(uint32_t kind, uint32_t number, uint32_t code, const Bytes& data,
                           bool crc = true, uint32_t compress = 0, uint32_t piece = 4000) {
    gameserver::ServerOptions options;
    options.crc = crc;
    options.compressFlags = compress;
    options.maxPiece = piece;
    return gameserver::GameServer(options).BuildPackets(kind, number, {code, data});
}

Bytes Join(const std::vector<Bytes>& packets) {
    Bytes out;
    for (const Bytes& p : packets)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

TEST(ReceivePathTest, MessagesWholeOrByteByByte) {
    // Checksummed and not, compressed and not, in one packet and in many.
    const Bytes stream =
        Join({Join(Packets(1, 1, 5, Filled(40000))),
              Join(Packets(1, 2, 6, Filled(100), false, 0x400)), Join(Packets(1, 3, 211000, {}))});
    for (bool bytewise : {false, true}) {
        ReceivingSocket s;
        if (bytewise) {
            for (uint8_t byte : stream)
                ASSERT_TRUE(s.Feed({byte}));
        } else {
            ASSERT_TRUE(s.Feed(stream));
        }
        ASSERT_EQ(s.codes, (std::vector<uint32_t>{5, 6, 211000}));
        EXPECT_EQ(Bytes(s.notices[0].Bytes().begin(), s.notices[0].Bytes().end()), Filled(40000));
        EXPECT_EQ(Bytes(s.notices[1].Bytes().begin(), s.notices[1].Bytes().end()), Filled(100));
        EXPECT_EQ(s.notices[2].data, nullptr);
        EXPECT_EQ(s.entry->receiveBuffer.Size(), 0u);
    }
}

TEST(ReceivePathTest, BadPacketsFailTheRead) {
    const Bytes good = Packets(1, 1, 7, Filled(10))[0];
    auto with = [&](size_t offset, uint32_t value) {
        Bytes b = good;
        platform::StoreLE32(&b[offset], value);
        return b;
    };
    Bytes flipped = good;
    flipped.back() ^= 0x40;
    Bytes unsealed = Packets(1, 1, 7, Filled(10), false)[0];
    platform::StoreLE32(&unsealed[gameserver::kOffsetChunkLength],
                        platform::LoadLE32(&unsealed[gameserver::kOffsetChunkLength]) - 1);
    struct Case {
        const char* name;
        Bytes bytes;
    } cases[] = {
        {"changed byte under a checksum", flipped},
        {"length 24", with(0, 24)},
        {"length 56", with(0, 56)},
        {"length above the largest piece", with(0, 4057)},
        {"negative length", with(0, 0xFFFFFFF0)},
        {"zero length", with(0, 0)},
        {"chunk length disagrees", unsealed},
        {"kind 3", gameserver::EncodePacket({3, 1, 1, 1, 1, 0}, Filled(10), true)},
        {"message number 0", gameserver::EncodePacket({1, 1, 0, 1, 1, 0}, Filled(10), true)},
        {"part 0", gameserver::EncodePacket({1, 1, 1, 0, 1, 0}, Filled(10), true)},
        {"reply nobody waits for", Join(Packets(2, 1, 10, {}))},
    };
    for (Case& c : cases) {
        ReceivingSocket s;
        EXPECT_FALSE(s.Feed(c.bytes)) << c.name;
        EXPECT_TRUE(s.codes.empty()) << c.name;
    }
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
    for (Case& c : cases) {
        ReceivingSocket s;
        c.packets.push_back(good);
        EXPECT_TRUE(s.FeedAll(c.packets)) << c.name;
        c.delivered.push_back(20);
        EXPECT_EQ(s.codes, c.delivered) << c.name;
        if (corpus) {
            std::string name = c.name;
            std::replace(name.begin(), name.end(), ' ', '_');
            const Bytes seed = Join({{0xF2}, Join(c.packets)});
            std::ofstream(std::filesystem::path(corpus) / "transport_receive" / name,
                          std::ios::binary)
                .write(reinterpret_cast<const char*>(seed.data()), std::streamsize(seed.size()));
        }
    }
    // One log line per run of bad parts, however long the run.
    const std::string log = dir.Read("KYXLog20261205.log");
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
        EXPECT_EQ(s.FeedAll(Packets(1, 1, 3, Filled(c.dataSize), false, 0, c.piece)), c.delivered)
            << c.dataSize << "/" << c.piece;
        ASSERT_EQ(s.notices.size(), c.delivered ? 1u : 0u) << c.dataSize << "/" << c.piece;
        if (c.delivered) {
            EXPECT_EQ(s.notices[0].length, c.dataSize);
        }
        EXPECT_EQ(s.entry->requestBuffer.Size(), 0u);
    }
    // A message without end stops at the cap.
    ReceivingSocket s;
    uint32_t part = 1;
    while (part < 2 * kMaxMessageSize / 4000 &&
           s.Feed(gameserver::EncodePacket({1, part, 1, part, 0, 0}, Filled(4000), false)))
        ++part;
    EXPECT_LE(part, kMaxMessageSize / 4000 + 2);
    EXPECT_EQ(s.entry->requestBuffer.Size(), 0u);
}

TEST(ReceivePathTest, UndecodableMessageIsDroppedButTheStreamGoesOn) {
    ReceivingSocket s;
    Bytes body = gameserver::EncodeBody({3, Filled(8)});
    body.pop_back();  // the body's length word now disagrees with its bytes
    const Bytes sealed = gameserver::Seal(body, kKey, 0x100, 0);
    ASSERT_TRUE(s.Feed(gameserver::EncodePacket({1, 1, 1, 1, 1, 0}, sealed, true)));
    ASSERT_TRUE(s.Feed(Join(Packets(1, 2, 4, Filled(8)))));
    EXPECT_EQ(s.dropped, 1);
    EXPECT_EQ(s.codes, std::vector<uint32_t>{4});
}

TEST(ReceivePathTest, RepliesAreStoredOnlyForTheAwaitedNumber) {
    auto three = Packets(2, 5, 1, Filled(9000));
    struct Case {
        const char* name;
        std::vector<Bytes> packets;
        bool good;
        uint32_t code;  // of the stored reply
        uint32_t length;
    } cases[] = {
        {"late number ignored, then the awaited one",
         {Join(Packets(2, 4, 11, {})), three[0], three[1], three[2]},
         true,
         1,
         9000},
        {"repeated part", {three[0], three[0], three[1], three[2]}, true, 1, 9000},
        {"no data", Packets(2, 5, 0, {}), true, 0, 0},
        {"part 3 after part 1", {three[0], three[2]}, false, 0, 0},
        {"newer number", Packets(2, 6, 1, Filled(10)), false, 0, 0},
    };
    for (const Case& c : cases) {
        ReceivingSocket s;
        s.ResetReplyState(5, *s.entry);
        EXPECT_EQ(s.FeedAll(c.packets), c.good) << c.name;
        EXPECT_EQ(s.entry->storedReplyNumber, c.good ? 5u : 0u) << c.name;
        EXPECT_EQ(s.entry->storedReply.Code(), c.code) << c.name;
        EXPECT_EQ(s.entry->storedReply.length, c.length) << c.name;
        EXPECT_EQ(s.entry->storedReply.data == nullptr, c.length == 0) << c.name;
        EXPECT_TRUE(s.Disarmed()) << c.name;  // delivered or dropped
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

}  // namespace
}  // namespace transport
