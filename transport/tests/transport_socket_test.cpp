// The transport socket over loopback against the scripted game server:
// requests and replies on the process clock, notices, the ends of a
// connection, sockets handed over. Then the receive path fed packets made by
// the game server's own codec: the rules of packets, parts and replies.
#include "transport/transport_socket.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <thread>

#include "platform/bytes.h"
#include "platform/clock.h"
#include "platform/daily_log.h"
#include "platform/message_queue.h"
#include "platform/thread.h"
#include "tools/gameserver/server.h"
#include "tools/loopback_server.h"
#include "tools/proxypeer/proxy_peer.h"
#include "transport/log.h"
#include "transport/socket_util.h"
#include "transport/tests/temp_program_dir.h"

namespace transport {
namespace {

using gameserver::Bytes;
using gameserver::GameServer;
using gameserver::Reply;
using std::chrono::milliseconds;

constexpr milliseconds kWait{5000};  // a safety net; events normally come at once
const gameserver::Key kKey = gameserver::DefaultKey();
const char kGreeting[] = "Hello! Mirb Station.";
const auto* const kGreetingBytes = reinterpret_cast<const uint8_t*>(kGreeting);

Bytes Filled(size_t n) {
    Bytes out(n);
    for (size_t i = 0; i < n; ++i)
        out[i] = uint8_t(i * 17 + 1);
    return out;
}

// The next notice message in this thread's queue, within `timeout` (real time).
std::unique_ptr<TransportNoticeRecords> NextNotice(milliseconds timeout = kWait) {
    auto giveUp = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        platform::Message msg;
        while (platform::PeekMessage(msg, {}, 0, 0, platform::PM_REMOVE)) {
            if (msg.message == kNoticeMessage) return msg.payload.Take<TransportNoticeRecords>();
        }
        auto left = std::chrono::ceil<milliseconds>(giveUp - std::chrono::steady_clock::now());
        if (left.count() <= 0) return nullptr;
        platform::MsgWaitForMultipleObjects({}, platform::DWORD(left.count()));
    }
}

// The codes of the notices queued now (after a Close, all there will be).
std::vector<uint32_t> QueuedNotices() {
    std::vector<uint32_t> codes;
    while (auto records = NextNotice(milliseconds(0)))
        codes.push_back(records->notice.Code());
    return codes;
}

// A blocking loopback connection to `port`.
int ConnectedFd(uint16_t port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr;
    EXPECT_TRUE(ResolveAddress("127.0.0.1", port, &addr));
    EXPECT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    return fd;
}

// Waits (real time) until the worker has seen the connection end.
bool Ends(const CTransportSocket& s) {
    const auto giveUp = std::chrono::steady_clock::now() + kWait;
    while (s.IsAlive() && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::yield();
    return !s.IsAlive();
}

class TransportSocketTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(server_.Start(), 0);
        QueuedNotices();  // makes this thread's queue, and empties it
    }

    std::unique_ptr<CTransportSocket> Connected() {
        auto s = std::make_unique<CTransportSocket>(kKey.data(), 128, 0x100, 0, 1, 4000);
        EXPECT_TRUE(s->Open("127.0.0.1", server_.port(), 5, {}, platform::GetCurrentThreadId(),
                            false, kGreetingBytes, sizeof kGreeting, 10000));
        EXPECT_EQ(server_.WaitForGreeting(kWait), gameserver::StandardGreeting());
        return s;
    }
    // Sends `id` with `data`; when a reply is wanted, waits up to `ms` for it.
    static bool Request(CTransportSocket& s, uint32_t id, const Bytes& data = {},
                        TransportNotice* reply = nullptr, int* timedOut = nullptr,
                        uint32_t ms = 5000, bool wantsReply = true) {
        TransportInfo info;
        info.wantsReply = wantsReply ? 1 : 0;
        TransportNotice n;
        n.head[1] = id;
        n.length = uint32_t(data.size());
        if (!data.empty()) {
            n.data = std::make_unique<uint8_t[]>(data.size());
            std::memcpy(n.data.get(), data.data(), data.size());
        }
        return s.SendRequest(info, n, reply, timedOut, ms, 0, 0, 1, nullptr, 0);
    }

    GameServer server_;
};

TEST_F(TransportSocketTest, RequestsAndRepliesOnTheProcessClock) {
    struct Case {
        uint32_t id;
        size_t sent;
        bool wantsReply;
        uint32_t result;
        size_t replied;
        bool goesOut = true;
    } cases[] = {
        {201001, 0, true, 0, 28},
        {7, 50000, true, 10, 40000},
        {5, 0, true, 210030, 0},  // no data: a null block
        {201210, 128, false, 0, 0},
        // Nothing leaves that the peer must refuse: sealed, this passes its limit.
        {2, kMaxMessageSize - 40, false, 0, 0, false},
        {1, kMaxMessageSize - 100, false, 0, 0},
    };
    auto s = Connected();
    EXPECT_GT(s->GetSerial(), 0);
    for (const Case& c : cases) {
        server_.SetReply(c.id, Reply::With(c.result, Filled(c.replied)));
        TransportNotice reply;
        reply.data = std::make_unique<uint8_t[]>(1);
        reply.length = 1;
        int timedOut = -1;
        ASSERT_EQ(Request(*s, c.id, Filled(c.sent), &reply, &timedOut, 5000, c.wantsReply),
                  c.goesOut);
        EXPECT_EQ(timedOut, 0);
        if (!c.goesOut) continue;
        auto request = server_.WaitForRequest(kWait);
        ASSERT_TRUE(request);
        EXPECT_EQ(request->id, c.id);
        EXPECT_EQ(request->data, Filled(c.sent));
        EXPECT_EQ(request->wantsReply, c.wantsReply ? 1u : 0u);
        EXPECT_TRUE(request->hadCrc);
        if (!c.wantsReply) continue;
        EXPECT_EQ(reply.Code(), c.result);
        EXPECT_EQ(Bytes(reply.Bytes().begin(), reply.Bytes().end()), Filled(c.replied));
        EXPECT_EQ(reply.data == nullptr, c.replied == 0);
    }
    // A request times out on the process clock, measured from before it was
    // sent; its late reply lands while the next request waits, and is not
    // taken for that request's answer.
    server_.SetReply(3, Reply::Held(111));
    server_.SetReply(4, Reply::After(milliseconds(30), 333));
    {
        platform::ManualClock clock;
        platform::ScopedClock scoped(clock);
        int timedOut = 0;
        auto first = std::async(std::launch::async,
                                [&] { return Request(*s, 3, {}, nullptr, &timedOut, 1000); });
        ASSERT_TRUE(server_.WaitForRequest(kWait));
        clock.AdvanceMillis(999);
        EXPECT_EQ(first.wait_for(milliseconds(20)), std::future_status::timeout);
        clock.AdvanceMillis(1);
        ASSERT_FALSE(first.get());
        EXPECT_EQ(timedOut, 1);
    }
    auto second = std::async(std::launch::async, [&] {
        TransportNotice r;
        return Request(*s, 4, {}, &r) ? r.Code() : 0u;
    });
    ASSERT_TRUE(server_.WaitForRequest(kWait));
    server_.ReleaseHeld();
    EXPECT_EQ(second.get(), 333u);
    EXPECT_TRUE(server_.Errors().empty());
}

TEST_F(TransportSocketTest, AnEndedConnectionFailsWaitingAndLaterRequestsAtOnce) {
    enum End { kFin, kReset, kBadPacket, kClosedHere };
    // The server's reply, how the connection ends, the notices queued.
    const std::tuple<const char*, Reply, End, std::vector<uint32_t>> cases[] = {
        {"peer close", Reply::Silent(), kFin, {5, kNoticeClosed}},  // data before it arrives
        {"reset", Reply::Silent(), kReset, {kNoticeError}},
        {"bad packet", Reply::Silent(), kBadPacket, {kNoticeError}},
        {"reply, then close", Reply::Held(90), kFin, {5, kNoticeClosed}},
        // Closed here, from another thread than the waiting one: no notice.
        {"closed here", Reply::Silent(), kClosedHere, {}},
    };
    for (const auto& [name, serverReply, end, notices] : cases) {
        server_.SetReply(9, serverReply);
        auto s = Connected();
        platform::ManualClock clock;  // stands still: no wait below can end by time
        platform::ScopedClock scoped(clock);
        int timedOut = 0;
        auto waiting = std::async(std::launch::async, [&] {
            TransportNotice reply;
            return Request(*s, 9, {}, &reply, &timedOut, 30000) ? reply.Code() : 0u;
        });
        ASSERT_TRUE(server_.WaitForRequest(kWait)) << name;
        if (end == kFin) {
            server_.ReleaseHeld();
            server_.Notify(5, {});
            server_.Fin();
        }
        if (end == kReset) server_.Reset();
        if (end == kBadPacket)
            server_.SendRaw({gameserver::EncodePacket({3, 1, 1, 1, 1, 0}, Filled(1), true)});
        if (end == kClosedHere) s->Close();
        const bool ended = waiting.wait_for(kWait) == std::future_status::ready;
        if (!ended) clock.AdvanceMillis(30000);
        ASSERT_TRUE(ended) << name;
        const bool replied = serverReply.hold;
        EXPECT_EQ(waiting.get(), replied ? 90u : 0u) << name;
        EXPECT_EQ(timedOut, replied ? 0 : 1) << name;
        ASSERT_TRUE(Ends(*s)) << name;
        EXPECT_FALSE(Request(*s, 9, {}, nullptr, &timedOut, 30000)) << name;
        EXPECT_EQ(timedOut, 0) << name;  // refused before sending: nothing to wait for
        s->Close();
        s->Close();
        EXPECT_EQ(s->GetSerial(), 0) << name;  // a queued notice of the old connection is stale
        EXPECT_EQ(QueuedNotices(), notices) << name;
        ASSERT_TRUE(server_.WaitForClientGone(kWait)) << name;
    }
}

TEST_F(TransportSocketTest, NotifyTargetThatStopsTakingNoticesEndsTheConnection) {
    auto s = Connected();
    std::vector<Bytes> flood;
    for (uint32_t i = 0; i <= UnreadNotices::kMaxRecords; ++i) {
        auto p = server_.BuildPackets(1, server_.NextMessageNumber(), {500, Filled(8)});
        flood.insert(flood.end(), p.begin(), p.end());
    }
    ASSERT_TRUE(server_.SendRaw(flood, gameserver::WriteMode::kCoalesced));
    ASSERT_TRUE(Ends(*s));
    s->Close();
    const std::vector<uint32_t> codes = QueuedNotices();
    // The one past the bound was freed; the end was told.
    ASSERT_EQ(codes.size(), UnreadNotices::kMaxRecords + 1);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), 500u), UnreadNotices::kMaxRecords);
    EXPECT_EQ(codes.back(), kNoticeError);
}

TEST_F(TransportSocketTest, ConnectsThatFailLeaveTheObjectClosed) {
    sockaddr_in addr;
    ASSERT_TRUE(ResolveAddress("", 80, &addr));
    EXPECT_EQ(addr.sin_addr.s_addr, htonl(INADDR_ANY));
    EXPECT_EQ(addr.sin_port, htons(80));
    ASSERT_TRUE(ResolveAddress("localhost", 31201, &addr));
    EXPECT_EQ(addr.sin_addr.s_addr, htonl(INADDR_LOOPBACK));
    EXPECT_FALSE(ResolveAddress("qevo-nowhere.invalid", 1, &addr));
    EXPECT_EQ(GetConnectTime(-1), -1);
    EXPECT_EQ(GetConnectTime(0), -1);
    uint16_t port = proxypeer::FreePort();
    CTransportSocket s(kKey.data(), 128, 0x100, 0, 1, 4000);
    // Nobody listens: refused at once.
    EXPECT_FALSE(
        s.Open("127.0.0.1", port, 5, {}, 0, false, kGreetingBytes, sizeof kGreeting, 1000));
    EXPECT_EQ(s.GetSocket(), -1);
    EXPECT_EQ(s.GetSerial(), 0);
    // A full backlog that nobody accepts: the connect's own time-out (real time).
    const int listener = tools::ListenOnLoopback(port, 0);
    EXPECT_FALSE(IsSocketConnected(listener));
    ASSERT_TRUE(ResolveAddress("127.0.0.1", port, &addr));
    std::vector<int> fillers;
    for (int i = 0; i < 3; ++i) {
        fillers.push_back(socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0));
        connect(fillers.back(), reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    }
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(
        s.Open("127.0.0.1", port, 1, {}, 0, false, kGreetingBytes, sizeof kGreeting, 1000));
    EXPECT_GE(std::chrono::steady_clock::now() - start, milliseconds(900));
    EXPECT_EQ(s.GetSocket(), -1);
    for (int f : fillers)
        close(f);
    close(listener);
    // The same object opens again; without a notify target nothing is
    // posted, not even the end.
    ASSERT_TRUE(s.Open("127.0.0.1", server_.port(), 5, {}, 0, false, kGreetingBytes,
                       sizeof kGreeting, 10000));
    ASSERT_TRUE(server_.WaitForGreeting(kWait));  // the server speaks only once greeted
    ASSERT_TRUE(server_.Notify(1, {}));
    server_.Fin();
    ASSERT_TRUE(Ends(s));
    s.Close();
    EXPECT_TRUE(QueuedNotices().empty());
}

TEST_F(TransportSocketTest, AttachTakesOverAConnectedSocket) {
    server_.SetReply(8, Reply::With(80));
    const int fd = ConnectedFd(server_.port());
    CTransportSocket s(kKey.data(), 128, 0x100, 0, 1, 4000);
    ASSERT_TRUE(s.Attach(fd, {}, platform::GetCurrentThreadId(), false, kGreetingBytes,
                         sizeof kGreeting, 10000, nullptr, 0, 5));
    EXPECT_EQ(s.GetSocket(), fd);
    ASSERT_TRUE(server_.WaitForGreeting(kWait));
    TransportNotice reply;
    ASSERT_TRUE(Request(s, 8, {}, &reply));
    EXPECT_EQ(reply.Code(), 80u);
    s.Close();  // closes the handle it took over, once
    EXPECT_EQ(s.GetSocket(), -1);
    // Close ends a wait for the peer's first data, which this server never sends unasked.
    ASSERT_TRUE(server_.WaitForClientGone(kWait));
    const int silent = ConnectedFd(server_.port());
    ASSERT_TRUE(server_.WaitForClient(kWait));
    auto attached = std::async(std::launch::async, [&] {
        return s.Attach(silent, {}, 0, true, nullptr, 0, 60000, nullptr, 0, 5);
    });
    while (s.GetSerial() == 0)
        std::this_thread::yield();
    s.Close();
    ASSERT_EQ(attached.wait_for(kWait), std::future_status::ready);
    EXPECT_FALSE(attached.get());
    EXPECT_EQ(s.GetSocket(), -1);

    // A server that speaks first once greeted: its first data is its greeting.
    gameserver::ServerOptions options;
    options.welcome = {gameserver::Body{1, {}}};
    GameServer speaking(options);
    ASSERT_NE(speaking.Start(), 0);
    const int greeted = ConnectedFd(speaking.port());
    ASSERT_TRUE(proxypeer::SendAllBlocking(greeted, gameserver::StandardGreeting()));
    ASSERT_TRUE(speaking.WaitForGreeting(kWait));
    EXPECT_TRUE(s.Attach(greeted, {}, platform::GetCurrentThreadId(), true, nullptr, 0, 5000,
                         nullptr, 0, 5));
    ASSERT_TRUE(speaking.Notify(2, {}));
    auto notice = NextNotice();
    ASSERT_TRUE(notice);
    EXPECT_EQ(notice->notice.Code(), 2u);  // not 1: that was counted as the greeting
    EXPECT_EQ(notice->info.serial, uint32_t(s.GetSerial()));
    EXPECT_EQ(notice->info.socket, uint32_t(greeted));
}

TEST_F(TransportSocketTest, PeerThatStopsReadingEndsTheConnectionCleanly) {
    auto s = Connected();
    server_.StopReading(true);
    platform::ManualClock clock;
    platform::ScopedClock scoped(clock);
    auto sender = std::async(std::launch::async, [&] {  // whether a send failed
        int sent = 0;
        while (sent < 2000 && Request(*s, 1, Filled(40000), nullptr, nullptr, 1000, false))
            ++sent;
        return sent < 2000;
    });
    while (sender.wait_for(milliseconds(5)) != std::future_status::ready)
        clock.AdvanceMillis(1000);  // lets a stalled send give up
    EXPECT_TRUE(sender.get());
    server_.StopReading(false);
    if (!s->IsAlive()) {  // the stall cut a message: the connection ended with one error
        ASSERT_TRUE(server_.WaitForClientGone(kWait));
        // The worker tells the end once it reads it; the cut's shutdown may
        // be seen here first.
        auto notice = NextNotice(kWait);
        ASSERT_TRUE(notice);
        EXPECT_EQ(notice->notice.Code(), kNoticeError);
        s->Close();
        EXPECT_EQ(QueuedNotices(), std::vector<uint32_t>{});
    }
    // Either way the server never saw a torn packet or message.
    EXPECT_TRUE(server_.Errors().empty());
}

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
        if (!DecodeMessage(message, size, &info, &notice, kKey.data(), 128, 0x100, 0, 4000))
            return false;
        codes.push_back(notice.Code());
        return true;
    }
    // Stops at the first packet refused.
    bool Feed(const std::vector<Bytes>& packets) {
        for (const Bytes& p : packets) {
            entry->receiveBuffer.Append(p.data(), uint32_t(p.size()));
            if (!ProcessReceived(*entry)) return false;
        }
        return true;
    }
    // No reply is awaited, and none is half built.
    bool Disarmed() {
        uint32_t number = 1, parts = 1;
        GetReplyState(&number, &parts, *entry);
        return number == 0 && parts == 0;
    }

    EntryPtr entry;
    std::vector<uint32_t> codes;
};

// The packets of one message, each whole, as the game server cuts them.
std::vector<Bytes> Packets(uint32_t kind, uint32_t number, uint32_t code, const Bytes& data,
                           bool crc = true, uint32_t piece = 4000) {
    gameserver::ServerOptions options;
    options.crc = crc;
    options.maxPiece = piece;
    return gameserver::GameServer(options).BuildPackets(kind, number, {code, data});
}

Bytes Join(const std::vector<Bytes>& packets) {
    Bytes out;
    for (const Bytes& p : packets)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// Each row feeds packets to a fresh receive path: whether the read holds, the
// requests delivered, and for a row awaiting reply 5 the reply stored.
TEST(ReceivePathTest, PacketsAndPartsInEveryOrder) {
    testing::TempProgramDir dir;
    platform::ManualLocalTime time({2026, 12, 5, 9, 0, 0});
    platform::ScopedLocalTime scope(time);
    LogOpen("KYXLog", 0x80008);
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
    Bytes body = gameserver::EncodeBody({3, Filled(8)});
    body.pop_back();  // the body's length word now disagrees with its bytes
    const Bytes undecodable =
        gameserver::EncodePacket({1, 1, 1, 1, 1, 0}, gameserver::Seal(body, kKey, 0x100, 0), true);
    // Fields: kind, serial, message number, part, last part, wants reply.
    auto packet = [](gameserver::PacketFields fields) {
        return gameserver::EncodePacket(fields, Filled(10), true);
    };
    const auto t = Packets(1, 7, 7, Filled(9000)), o = Packets(1, 8, 8, Filled(10)),
               m = Packets(1, 9, 9, Filled(9000)), r = Packets(2, 5, 1, Filled(9000));
    const Bytes next = Join(Packets(1, 20, 20, Filled(10))), late = Join(Packets(2, 4, 11, {}));
    std::vector<Bytes> endless;  // parts of 4000 bytes, none the last
    for (uint32_t part = 1; part < 2 * kMaxMessageSize / 4000; ++part)
        endless.push_back(gameserver::EncodePacket({1, part, 1, part, 0, 0}, Filled(4000), false));
    const uint32_t kLimit = kMaxMessageSize;
    struct Case {
        const char* name;
        std::vector<Bytes> packets;
        bool good;
        std::vector<uint32_t> delivered = {};
        bool outOfSequence = false;  // one log line; also a seed of the receive fuzz target
        int stored = -1;             // awaiting reply 5: the length of the reply stored, if any
    } cases[] = {
        {"changed byte under a checksum", {flipped}, false},
        {"length 24", {with(0, 24)}, false},
        {"length 56", {with(0, 56)}, false},
        {"length above the largest piece", {with(0, 4057)}, false},
        {"negative length", {with(0, 0xFFFFFFF0)}, false},
        {"zero length", {with(0, 0)}, false},
        {"chunk length disagrees", {unsealed}, false},
        {"kind 3", {packet({3, 1, 1, 1, 1, 0})}, false},
        {"message number 0", {packet({1, 1, 0, 1, 1, 0})}, false},
        {"part 0", {packet({1, 1, 1, 0, 1, 0})}, false},
        {"reply nobody waits for", Packets(2, 1, 10, {}), false},
        {"undecodable message dropped", {undecodable, next}, true, {20}},
        // The message limit counts data bytes however they are cut.
        {"just within the limit", Packets(1, 1, 3, Filled(kLimit - 100), false), true, {3}},
        {"past the limit once sealed", Packets(1, 1, 3, Filled(kLimit - 40), false), false},
        {"1.1 MB of chunks", Packets(1, 1, 3, Filled(900000), false, 16), true, {3}},
        {"one-byte chunks", Packets(1, 1, 3, Filled(50000), false, 1), true, {3}},
        {"a message without end", endless, false},
        {"part 2 while idle", {t[1], next}, true, {20}, true},
        {"gap", {t[0], t[2], next}, true, {20}, true},
        {"repeated middle part", {t[0], t[1], t[1], t[2], next}, true, {20}, true},
        {"first part again restarts", {t[0], t[0], t[1], t[2], next}, true, {7, 20}, true},
        {"new message while one is half done", {t[0], o[0], next}, true, {8, 20}, true},
        {"interleaved", {t[0], m[0], t[1], m[1], t[2], m[2], next}, true, {20}, true},
        {"late reply ignored", {late, r[0], r[1], r[2]}, true, {}, false, 9000},
        {"repeated reply part", {r[0], r[0], r[1], r[2]}, true, {}, false, 9000},
        {"reply without data", Packets(2, 5, 0, {}), true, {}, false, 0},
        {"reply part 3 after part 1", {r[0], r[2]}, false, {}, false, -2},
        {"newer reply", Packets(2, 6, 1, Filled(10)), false, {}, false, -2},
    };
    const char* corpus = std::getenv("QEVO_WRITE_CORPUS");
    for (const Case& c : cases) {
        ReceivingSocket s;
        if (c.stored != -1) s.ResetReplyState(5, *s.entry);
        EXPECT_EQ(s.Feed(c.packets), c.good) << c.name;
        EXPECT_EQ(s.codes, c.delivered) << c.name;
        EXPECT_EQ(s.entry->requestBuffer.Size(), 0u) << c.name;
        if (c.stored != -1) {
            EXPECT_EQ(s.entry->storedReplyNumber, c.stored >= 0 ? 5u : 0u) << c.name;
            EXPECT_EQ(int(s.entry->storedReply.length), std::max(c.stored, 0)) << c.name;
            EXPECT_EQ(s.entry->storedReply.data == nullptr, c.stored <= 0) << c.name;
            EXPECT_TRUE(s.Disarmed()) << c.name;  // delivered or dropped
        }
        if (corpus && c.outOfSequence) {  // mode byte 0xF2: reads of 4021 bytes
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
    EXPECT_EQ(lines, 6u) << log;
}

}  // namespace
}  // namespace transport
