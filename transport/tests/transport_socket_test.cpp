// The transport socket over loopback against the scripted game server.
#include "transport/transport_socket.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <future>
#include <thread>

#include "platform/bytes.h"
#include "platform/clock.h"
#include "platform/message_queue.h"
#include "platform/thread.h"
#include "tools/gameserver/peer_client.h"
#include "tools/gameserver/server.h"
#include "transport/socket_util.h"

namespace transport {
namespace {

using gameserver::Bytes;
using gameserver::GameServer;
using gameserver::Reply;
using std::chrono::milliseconds;

constexpr milliseconds kWait{5000};  // a safety net; events normally come at once
const gameserver::Key kKey = gameserver::DefaultKey();
const char kGreeting[] = "Hello! Mirb Station.";

Bytes Filled(size_t n) {
    Bytes out(n);
    for (size_t i = 0; i < n; ++i)
        out[i] = uint8_t(i * 29 + 3);
    return out;
}

TransportNotice NoticeOf(uint32_t code, const Bytes& data) {
    TransportNotice n;
    n.head[1] = code;
    n.length = uint32_t(data.size());
    if (!data.empty()) {
        n.data = std::make_unique<uint8_t[]>(data.size());
        std::memcpy(n.data.get(), data.data(), data.size());
    }
    return n;
}

Bytes BytesOf(const TransportNotice& n) {
    return Bytes(n.Bytes().begin(), n.Bytes().end());
}

// The next notice message in this thread's queue, within `timeout` (real time).
std::unique_ptr<TransportNoticeRecords> NextNotice(milliseconds timeout) {
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

class TransportSocketTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(server_.Start(), 0);
        while (NextNotice(milliseconds(0))) {  // makes this thread's queue, and empties it
        }
    }

    bool Open(CTransportSocket& s, bool notify = true) {
        return s.Open("127.0.0.1", server_.port(), 5, {},
                      notify ? platform::GetCurrentThreadId() : 0, false,
                      reinterpret_cast<const uint8_t*>(kGreeting), sizeof kGreeting, 10000);
    }
    std::unique_ptr<CTransportSocket> Connected() {
        auto s = std::make_unique<CTransportSocket>(kKey.data(), 128, 0x100, 0, 1, 4000);
        EXPECT_TRUE(Open(*s));
        EXPECT_TRUE(server_.WaitForGreeting(kWait));
        return s;
    }
    bool Request(CTransportSocket& s, uint32_t id, const Bytes& data, TransportNotice* reply,
                 int* timedOut, uint32_t ms = 5000, bool wantsReply = true) {
        TransportInfo info;
        info.wantsReply = wantsReply ? 1 : 0;
        return s.SendRequest(info, NoticeOf(id, data), reply, timedOut, ms, 0, 0, 1, nullptr, 0);
    }

    GameServer server_;
};

TEST_F(TransportSocketTest, GreetingIsByteForByte) {
    CTransportSocket s(kKey.data(), 128, 0x100, 0, 1, 4000);
    ASSERT_TRUE(Open(s));
    auto greeting = server_.WaitForGreeting(kWait);
    ASSERT_TRUE(greeting);
    const Bytes expected = {21,  0,   0,   0,   'H', 'e', 'l', 'l', 'o', '!', ' ', 'M', 'i',
                            'r', 'b', ' ', 'S', 't', 'a', 't', 'i', 'o', 'n', '.', 0};
    EXPECT_EQ(*greeting, expected);
    EXPECT_TRUE(s.IsAlive());
    EXPECT_GT(s.GetSerial(), 0);
    EXPECT_NE(s.GetSocket(), -1);
}

TEST_F(TransportSocketTest, RequestAndReply) {
    server_.SetReply(201001, Reply::With(0, Filled(28)));
    auto s = Connected();
    TransportNotice reply;
    int timedOut = -1;
    ASSERT_TRUE(Request(*s, 201001, {}, &reply, &timedOut));
    EXPECT_EQ(timedOut, 0);
    EXPECT_EQ(reply.Code(), 0u);
    EXPECT_EQ(BytesOf(reply), Filled(28));
    auto request = server_.WaitForRequest(kWait);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->id, 201001u);
    EXPECT_EQ(request->wantsReply, 1u);
    EXPECT_TRUE(request->hadCrc);
}

TEST_F(TransportSocketTest, LargeMessagesBothWays) {
    server_.SetReply(7, Reply::With(10, Filled(40000)));
    auto s = Connected();
    TransportNotice reply;
    int timedOut = 0;
    ASSERT_TRUE(Request(*s, 7, Filled(50000), &reply, &timedOut));
    EXPECT_EQ(reply.Code(), 10u);
    EXPECT_EQ(BytesOf(reply), Filled(40000));
    auto request = server_.WaitForRequest(kWait);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->data, Filled(50000));
}

TEST_F(TransportSocketTest, ZeroLengthReplyHasNullData) {
    server_.SetReply(5, Reply::With(210030));
    auto s = Connected();
    TransportNotice reply;
    reply.data = std::make_unique<uint8_t[]>(1);
    reply.length = 1;
    int timedOut = 0;
    ASSERT_TRUE(Request(*s, 5, {}, &reply, &timedOut));
    EXPECT_EQ(reply.Code(), 210030u);
    EXPECT_EQ(reply.length, 0u);
    EXPECT_EQ(reply.data, nullptr);
}

TEST_F(TransportSocketTest, RequestWithoutWantsReplyReturnsOnceSent) {
    server_.SetDefaultReply(Reply::With(1));
    auto s = Connected();
    int timedOut = -1;
    ASSERT_TRUE(Request(*s, 201210, Filled(128), nullptr, &timedOut, 5000, false));
    EXPECT_EQ(timedOut, 0);
    auto request = server_.WaitForRequest(kWait);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->wantsReply, 0u);
    EXPECT_EQ(request->data, Filled(128));
}

TEST_F(TransportSocketTest, TimeOutFollowsTheProcessClock) {
    server_.SetReply(9, Reply::Silent());
    auto s = Connected();
    platform::ManualClock clock;
    platform::ScopedClock scoped(clock);
    int timedOut = 0;
    auto result = std::async(std::launch::async, [&] {
        TransportNotice reply;
        return Request(*s, 9, {}, &reply, &timedOut, 1000);
    });
    ASSERT_TRUE(server_.WaitForRequest(kWait));  // the deadline is set before sending
    clock.AdvanceMillis(999);
    EXPECT_EQ(result.wait_for(milliseconds(50)), std::future_status::timeout);
    clock.AdvanceMillis(1);
    ASSERT_EQ(result.wait_for(kWait), std::future_status::ready);
    EXPECT_FALSE(result.get());
    EXPECT_EQ(timedOut, 1);
}

TEST_F(TransportSocketTest, LateReplyIsNeverTheNextRequestsAnswer) {
    server_.SetReply(1, Reply::Held(111));
    server_.SetReply(2, Reply::With(222));
    auto s = Connected();
    {
        platform::ManualClock clock;
        platform::ScopedClock scoped(clock);
        int timedOut = 0;
        auto first = std::async(std::launch::async, [&] {
            TransportNotice reply;
            return Request(*s, 1, {}, &reply, &timedOut, 1000);
        });
        ASSERT_TRUE(server_.WaitForRequest(kWait));
        clock.AdvanceMillis(1000);
        ASSERT_FALSE(first.get());
        EXPECT_EQ(timedOut, 1);
    }
    // The late reply arrives and is taken in before the next request goes out.
    server_.ReleaseHeld();
    ASSERT_TRUE(server_.Notify(3, {}));
    auto marker = NextNotice(kWait);
    ASSERT_TRUE(marker);
    EXPECT_EQ(marker->notice.Code(), 3u);
    TransportNotice reply;
    int timedOut = 0;
    ASSERT_TRUE(Request(*s, 2, {}, &reply, &timedOut));
    EXPECT_EQ(reply.Code(), 222u);

    // And a late reply that crosses the next request on the wire.
    server_.SetReply(1, Reply::Held(111));
    {
        platform::ManualClock clock;
        platform::ScopedClock scoped(clock);
        auto first = std::async(std::launch::async, [&] {
            TransportNotice r;
            int t = 0;
            return Request(*s, 1, {}, &r, &t, 1000);
        });
        ASSERT_TRUE(server_.WaitForRequest(kWait));
        ASSERT_TRUE(server_.WaitForRequest(kWait));  // request 2 of the first round
        clock.AdvanceMillis(1000);
        ASSERT_FALSE(first.get());
    }
    server_.SetReply(2, Reply::After(milliseconds(30), 333));
    auto second = std::async(std::launch::async, [&] {
        TransportNotice r;
        int t = 0;
        bool ok = Request(*s, 2, {}, &r, &t);
        return ok ? r.Code() : 0u;
    });
    ASSERT_TRUE(server_.WaitForRequest(kWait));
    server_.ReleaseHeld();  // the old answer lands while the new request waits
    EXPECT_EQ(second.get(), 333u);
}

TEST_F(TransportSocketTest, NotificationsArriveInOrderAndAreOwnedByTheReceiver) {
    auto s = Connected();
    for (uint32_t i = 0; i < 20; ++i)
        ASSERT_TRUE(server_.Notify(300 + i, Filled(i * 500)));
    for (uint32_t i = 0; i < 20; ++i) {
        auto records = NextNotice(kWait);
        ASSERT_TRUE(records) << i;
        EXPECT_EQ(records->notice.Code(), 300 + i);
        EXPECT_EQ(BytesOf(records->notice), Filled(i * 500));
        EXPECT_EQ(records->info.serial, uint32_t(s->GetSerial()));
        EXPECT_EQ(records->info.socket, uint32_t(s->GetSocket()));
    }
}

TEST_F(TransportSocketTest, PacketsArriveInAnyWriteMode) {
    auto s = Connected();
    using gameserver::WriteMode;
    for (WriteMode mode : {WriteMode::kPerPacket, WriteMode::kCoalesced, WriteMode::kBytewise}) {
        uint32_t number = server_.NextMessageNumber();
        auto packets = server_.BuildPackets(1, number, {77, Filled(9000)});
        auto more = server_.BuildPackets(1, server_.NextMessageNumber(), {78, {}});
        packets.insert(packets.end(), more.begin(), more.end());
        ASSERT_TRUE(server_.SendRaw(packets, mode));
        for (uint32_t code : {77u, 78u}) {
            auto records = NextNotice(kWait);
            ASSERT_TRUE(records);
            EXPECT_EQ(records->notice.Code(), code);
        }
    }
}

TEST_F(TransportSocketTest, PeerCloseGivesExactlyOneClosedNotice) {
    auto s = Connected();
    ASSERT_TRUE(server_.Notify(5, {}));  // data before the close still arrives
    server_.Fin();
    auto first = NextNotice(kWait);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->notice.Code(), 5u);
    auto closed = NextNotice(kWait);
    ASSERT_TRUE(closed);
    EXPECT_EQ(closed->notice.Code(), kNoticeClosed);
    EXPECT_EQ(closed->notice.data, nullptr);
    EXPECT_EQ(NextNotice(milliseconds(100)), nullptr);
}

TEST_F(TransportSocketTest, ResetGivesExactlyOneErrorNotice) {
    auto s = Connected();
    server_.Reset();
    auto notice = NextNotice(kWait);
    ASSERT_TRUE(notice);
    EXPECT_EQ(notice->notice.Code(), kNoticeError);
    EXPECT_EQ(NextNotice(milliseconds(100)), nullptr);
    EXPECT_FALSE(s->IsAlive());
    TransportNotice reply;
    int timedOut = 0;
    EXPECT_FALSE(Request(*s, 1, {}, &reply, &timedOut));
}

TEST_F(TransportSocketTest, BadPacketsGiveExactlyOneErrorNotice) {
    struct Case {
        const char* name;
        std::function<std::vector<Bytes>(GameServer&)> make;
    } cases[] = {
        {"bad checksum",
         [](GameServer& g) {
             auto p = g.BuildPackets(1, g.NextMessageNumber(), {1, Filled(10)});
             p[0].back() ^= 1;
             return p;
         }},
        {"length below the limit",
         [](GameServer&) {
             Bytes b(8, 0);
             b[0] = 24;
             return std::vector<Bytes>{b};
         }},
        {"length above the limit",
         [](GameServer&) {
             Bytes b(8, 0);
             platform::StoreLE32(b.data(), 0x7FFFFFFF);
             return std::vector<Bytes>{b};
         }},
        {"chunk length disagrees",
         [](GameServer&) {
             Bytes b = gameserver::EncodePacket({1, 1, 1, 1, 1, 0}, Filled(10), false);
             platform::StoreLE32(&b[gameserver::kOffsetChunkLength], 9);
             return std::vector<Bytes>{b};
         }},
        {"reply nobody waits for",
         [](GameServer& g) {
             return g.BuildPackets(2, 1, {1, {}});
         }},
    };
    for (const Case& c : cases) {
        auto s = Connected();
        ASSERT_TRUE(server_.SendRaw(c.make(server_))) << c.name;
        auto notice = NextNotice(kWait);
        ASSERT_TRUE(notice) << c.name;
        EXPECT_EQ(notice->notice.Code(), kNoticeError) << c.name;
        EXPECT_EQ(NextNotice(milliseconds(50)), nullptr) << c.name;
        EXPECT_FALSE(s->IsAlive()) << c.name;  // the worker reads no more
        s->Close();
        ASSERT_TRUE(server_.WaitForClientGone(kWait)) << c.name;
    }
}

TEST_F(TransportSocketTest, PartsOutOfSequenceLeaveTheConnectionReading) {
    server_.SetReply(4, Reply::With(40));
    auto s = Connected();
    std::function<void(std::vector<Bytes>&)> tamper[] = {
        [](std::vector<Bytes>& p) { p.erase(p.begin() + 1); },
        [](std::vector<Bytes>& p) { p.insert(p.begin() + 1, p[1]); },
        [](std::vector<Bytes>& p) { std::swap(p[1], p[2]); },
    };
    for (auto& t : tamper) {
        auto p = server_.BuildPackets(1, server_.NextMessageNumber(), {1, Filled(9000)});
        t(p);
        ASSERT_TRUE(server_.SendRaw(p));
    }
    ASSERT_TRUE(server_.Notify(2, {}));
    auto notice = NextNotice(kWait);
    ASSERT_TRUE(notice);
    EXPECT_EQ(notice->notice.Code(), 2u);  // the broken messages went, and no error notice
    TransportNotice reply;
    int timedOut = 0;
    ASSERT_TRUE(Request(*s, 4, {}, &reply, &timedOut));
    EXPECT_EQ(reply.Code(), 40u);
    EXPECT_TRUE(s->IsAlive());
}

TEST_F(TransportSocketTest, AnEndedConnectionFailsWaitingAndLaterRequestsAtOnce) {
    struct Case {
        const char* name;
        Reply reply;
        std::function<void(GameServer&)> end;
        uint32_t notice;
    } cases[] = {
        {"peer close", Reply::Silent(), [](GameServer& g) { g.Fin(); }, kNoticeClosed},
        {"reset", Reply::Silent(), [](GameServer& g) { g.Reset(); }, kNoticeError},
        {"bad packet", Reply::Silent(),
         [](GameServer& g) {
             g.SendRaw({gameserver::EncodePacket({3, 1, 1, 1, 1, 0}, Filled(1), true)});
         },
         kNoticeError},
        {"reply, then close", Reply::Held(90),
         [](GameServer& g) {
             g.ReleaseHeld();
             g.Fin();
         },
         kNoticeClosed},
    };
    for (const Case& c : cases) {
        server_.SetReply(9, c.reply);
        auto s = Connected();
        platform::ManualClock clock;  // stands still: no wait below can end by time
        platform::ScopedClock scoped(clock);
        int timedOut = 0;
        auto waiting = std::async(std::launch::async, [&] {
            TransportNotice reply;
            return Request(*s, 9, {}, &reply, &timedOut, 30000) ? reply.Code() : 0u;
        });
        ASSERT_TRUE(server_.WaitForRequest(kWait)) << c.name;
        c.end(server_);
        const bool ended = waiting.wait_for(kWait) == std::future_status::ready;
        if (!ended) clock.AdvanceMillis(30000);
        ASSERT_TRUE(ended) << c.name;
        const bool replied = c.reply.hold;
        EXPECT_EQ(waiting.get(), replied ? 90u : 0u) << c.name;
        EXPECT_EQ(timedOut, replied ? 0 : 1) << c.name;
        auto notice = NextNotice(kWait);
        ASSERT_TRUE(notice) << c.name;
        EXPECT_EQ(notice->notice.Code(), c.notice) << c.name;
        EXPECT_FALSE(s->IsAlive()) << c.name;
        TransportNotice reply;
        EXPECT_FALSE(Request(*s, 9, {}, &reply, &timedOut, 30000)) << c.name;
        EXPECT_EQ(timedOut, 0) << c.name;  // refused before sending: nothing to wait for
        s->Close();
        ASSERT_TRUE(server_.WaitForClientGone(kWait)) << c.name;
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
    auto giveUp = std::chrono::steady_clock::now() + kWait;
    while (s->IsAlive() && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::yield();
    EXPECT_FALSE(s->IsAlive());
    uint32_t notes = 0;
    std::unique_ptr<TransportNoticeRecords> last;
    while (auto records = NextNotice(milliseconds(0))) {
        if (records->notice.Code() == 500) ++notes;
        last = std::move(records);
    }
    EXPECT_EQ(notes, UnreadNotices::kMaxRecords);  // the one past the bound was freed
    ASSERT_TRUE(last);
    EXPECT_EQ(last->notice.Code(), kNoticeError);
}

TEST_F(TransportSocketTest, OneSizeLimitForMessagesSentAndReceived) {
    auto s = Connected();
    TransportNotice reply;
    int timedOut = 0;
    // Sealed, the first stays within the limit and the second passes it.
    EXPECT_FALSE(Request(*s, 2, Filled(kMaxMessageSize - 40), &reply, &timedOut, 5000, false));
    ASSERT_TRUE(Request(*s, 1, Filled(kMaxMessageSize - 100), &reply, &timedOut, 5000, false));
    auto request = server_.WaitForRequest(kWait);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->id, 1u);
    EXPECT_EQ(request->data.size(), kMaxMessageSize - 100);
    EXPECT_TRUE(server_.Errors().empty());
    EXPECT_TRUE(s->IsAlive());
}

TEST_F(TransportSocketTest, CloseFromAnotherThreadEndsAWaitingRequest) {
    server_.SetReply(9, Reply::Silent());
    auto s = Connected();
    int timedOut = 0;
    auto result = std::async(std::launch::async, [&] {
        TransportNotice reply;
        return Request(*s, 9, {}, &reply, &timedOut, 60000);
    });
    ASSERT_TRUE(server_.WaitForRequest(kWait));
    auto start = std::chrono::steady_clock::now();
    s->Close();
    ASSERT_EQ(result.wait_for(kWait), std::future_status::ready);
    EXPECT_FALSE(result.get());
    EXPECT_EQ(timedOut, 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(s->GetSocket(), -1);
    EXPECT_EQ(s->GetSerial(), 0);
}

TEST_F(TransportSocketTest, CloseTwiceAndRequestsAfterCloseFail) {
    auto s = Connected();
    int32_t serial = s->GetSerial();
    s->Close();
    s->Close();
    TransportNotice reply;
    int timedOut = 0;
    EXPECT_FALSE(Request(*s, 1, {}, &reply, &timedOut));
    EXPECT_NE(s->GetSerial(), serial);  // a queued notice of the old connection is stale
    ASSERT_TRUE(server_.WaitForClientGone(kWait));
    server_.SetReply(1, Reply::With(4));
    ASSERT_TRUE(Open(*s));
    EXPECT_GT(s->GetSerial(), serial);
    EXPECT_TRUE(Request(*s, 1, {}, &reply, &timedOut));
    EXPECT_EQ(reply.Code(), 4u);
}

TEST_F(TransportSocketTest, NoNotifyTargetMeansNoRecords) {
    CTransportSocket s(kKey.data(), 128, 0x100, 0, 1, 4000);
    ASSERT_TRUE(Open(s, false));
    ASSERT_TRUE(server_.WaitForGreeting(kWait));
    ASSERT_TRUE(server_.Notify(1, {}));
    server_.Fin();
    EXPECT_EQ(NextNotice(milliseconds(100)), nullptr);
}

TEST_F(TransportSocketTest, RefusedConnectFailsAndLeavesTheObjectClosed) {
    int probe = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ASSERT_EQ(bind(probe, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    getsockname(probe, reinterpret_cast<sockaddr*>(&addr), &len);
    close(probe);  // nobody listens there now
    CTransportSocket s(kKey.data(), 128, 0x100, 0, 1, 4000);
    EXPECT_FALSE(s.Open("127.0.0.1", ntohs(addr.sin_port), 5, {}, 0, false,
                        reinterpret_cast<const uint8_t*>(kGreeting), sizeof kGreeting, 1000));
    EXPECT_EQ(s.GetSocket(), -1);
    EXPECT_EQ(s.GetSerial(), 0);
}

TEST_F(TransportSocketTest, ConnectToAFullBacklogTimesOut) {
    int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(listen(listener, 0), 0);
    getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);
    std::vector<int> fillers;
    for (int i = 0; i < 3; ++i) {  // nobody accepts: these fill the queue
        int f = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        connect(f, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        fillers.push_back(f);
    }
    CTransportSocket s(kKey.data(), 128, 0x100, 0, 1, 4000);
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(s.Open("127.0.0.1", ntohs(addr.sin_port), 1, {}, 0, false,
                        reinterpret_cast<const uint8_t*>(kGreeting), sizeof kGreeting, 1000));
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, milliseconds(900));
    EXPECT_LT(took, std::chrono::seconds(4));
    EXPECT_EQ(s.GetSocket(), -1);
    for (int f : fillers)
        close(f);
    close(listener);
}

TEST_F(TransportSocketTest, AttachTakesOverAConnectedSocket) {
    server_.SetReply(8, Reply::With(80));
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(server_.port());
    ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    CTransportSocket s(kKey.data(), 128, 0x100, 0, 1, 4000);
    ASSERT_TRUE(s.Attach(fd, {}, platform::GetCurrentThreadId(), false,
                         reinterpret_cast<const uint8_t*>(kGreeting), sizeof kGreeting, 10000,
                         nullptr, 0, 5));
    EXPECT_EQ(s.GetSocket(), fd);
    ASSERT_TRUE(server_.WaitForGreeting(kWait));
    TransportNotice reply;
    int timedOut = 0;
    ASSERT_TRUE(Request(s, 8, {}, &reply, &timedOut));
    EXPECT_EQ(reply.Code(), 80u);
    s.Close();  // closes the handle it took over, once
    EXPECT_EQ(s.GetSocket(), -1);
}

TEST_F(TransportSocketTest, WaitFirstDataTakesThePeersGreeting) {
    gameserver::ServerOptions options;
    options.welcome = {gameserver::Body{1, {}}};
    GameServer server(options);
    ASSERT_NE(server.Start(), 0);
    // This server speaks first only after a greeting, so greet it by hand.
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(server.port());
    ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    Bytes greeting = gameserver::StandardGreeting();
    ASSERT_EQ(send(fd, greeting.data(), greeting.size(), 0), ssize_t(greeting.size()));
    ASSERT_TRUE(server.WaitForGreeting(kWait));
    CTransportSocket s(kKey.data(), 128, 0x100, 0, 1, 4000);
    EXPECT_TRUE(
        s.Attach(fd, {}, platform::GetCurrentThreadId(), true, nullptr, 0, 5000, nullptr, 0, 5));
    ASSERT_TRUE(server.Notify(2, {}));
    auto notice = NextNotice(kWait);
    ASSERT_TRUE(notice);
    EXPECT_EQ(notice->notice.Code(), 2u);  // the first data counted as the peer's greeting
}

TEST_F(TransportSocketTest, CloseEndsAWaitForTheFirstData) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(server_.port());
    ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_TRUE(server_.WaitForClient(kWait));
    CTransportSocket s(kKey.data(), 128, 0x100, 0, 1, 4000);
    auto attached = std::async(std::launch::async, [&] {
        // The server waits for a greeting, so no first data ever comes.
        return s.Attach(fd, {}, 0, true, nullptr, 0, 60000, nullptr, 0, 5);
    });
    while (s.GetSerial() == 0)
        std::this_thread::yield();
    auto start = std::chrono::steady_clock::now();
    s.Close();
    ASSERT_EQ(attached.wait_for(kWait), std::future_status::ready);
    EXPECT_FALSE(attached.get());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    s.Close();
    EXPECT_EQ(s.GetSocket(), -1);
}

TEST_F(TransportSocketTest, PeerThatStopsReadingEndsTheConnectionCleanly) {
    auto s = Connected();
    server_.StopReading(true);
    platform::ManualClock clock;
    platform::ScopedClock scoped(clock);
    auto sender = std::async(std::launch::async, [&] {
        int failures = 0;
        for (int i = 0; i < 2000 && failures == 0; ++i) {
            TransportNotice reply;
            int timedOut = 0;
            if (!Request(*s, 1, Filled(40000), &reply, &timedOut, 1000, false)) ++failures;
        }
        return failures;
    });
    while (sender.wait_for(milliseconds(5)) != std::future_status::ready)
        clock.AdvanceMillis(1000);  // lets a stalled send give up
    EXPECT_EQ(sender.get(), 1);
    server_.StopReading(false);
    if (!s->IsAlive()) {  // the stall cut a message: the connection ended with one error
        auto notice = NextNotice(kWait);
        ASSERT_TRUE(notice);
        EXPECT_EQ(notice->notice.Code(), kNoticeError);
        EXPECT_TRUE(server_.WaitForClientGone(kWait));
    }
    // Either way the server never saw a torn packet or message.
    EXPECT_TRUE(server_.Errors().empty());
}

TEST(SocketUtilTest, ResolvesAddressesAndTellsConnectedSockets) {
    sockaddr_in addr;
    ASSERT_TRUE(ResolveAddress("", 80, &addr));
    EXPECT_EQ(addr.sin_addr.s_addr, htonl(INADDR_ANY));
    EXPECT_EQ(addr.sin_port, htons(80));
    ASSERT_TRUE(ResolveAddress("127.0.0.1", 31201, &addr));
    EXPECT_EQ(addr.sin_addr.s_addr, htonl(INADDR_LOOPBACK));
    EXPECT_EQ(ntohs(addr.sin_port), 31201);
    ASSERT_TRUE(ResolveAddress("localhost", 1, &addr));
    EXPECT_EQ(addr.sin_addr.s_addr, htonl(INADDR_LOOPBACK));
    EXPECT_EQ(GetConnectTime(-1), -1);
    EXPECT_EQ(GetConnectTime(0), -1);
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    EXPECT_FALSE(IsSocketConnected(fd));
    close(fd);
}

}  // namespace
}  // namespace transport
