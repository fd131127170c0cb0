// The proxy socket against a scripted proxy on loopback: the exact bytes of
// every handshake, every failure code, time-outs on the process clock, binds,
// and the hand-over of the finished tunnel. The request builders' refusals
// and the reply checks are tested on their own.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "platform/clock.h"
#include "platform/message_queue.h"
#include "platform/thread.h"
#include "platform/window.h"
#include "tools/proxypeer/proxy_peer.h"
#include "transport/comm_socket.h"
#include "transport/proxy_protocol.h"

namespace transport {
namespace {

using proxypeer::Bytes;
using proxypeer::Cat;
using proxypeer::FromHex;
using proxypeer::ToBytes;
using Proxy = proxypeer::ScriptedProxy;
using Script = std::vector<Proxy::Step>;

constexpr uint32_t kSocks4 = CProxySocket::kProxySocks4;
constexpr uint32_t kSocks4a = CProxySocket::kProxySocks4a;
constexpr uint32_t kSocks5 = CProxySocket::kProxySocks5;
constexpr uint32_t kHttp = CProxySocket::kProxyHttp;

// A name no resolver here knows; only a proxy could.
constexpr const char* kUnresolvable = "qevo-nowhere.invalid";
const Bytes kGranted = FromHex("005A 0000 00000000");
const Bytes kSocks5Ok = FromHex("05000001 7F000001 0438");
const std::string kConnect = "CONNECT 10.0.0.5:31201 HTTP/1.1\r\nHost: 10.0.0.5:31201\r\n";

// The scripts up to each SOCKS reply, then `reply` and `end`.
Script Socks4(Bytes reply, Proxy::Step end = Proxy::Echo()) {
    return {Proxy::Expect(9), Proxy::Send(std::move(reply)), end};
}
Script Socks5Method(Bytes reply, Proxy::Step end = Proxy::Hold()) {
    return {Proxy::Expect(3), Proxy::Send(std::move(reply)), end};
}
Script Socks5Auth(Bytes reply, Proxy::Step end = Proxy::Hold()) {
    return {Proxy::Expect(4), Proxy::Send(FromHex("0502")), Proxy::Expect(6),
            Proxy::Send(std::move(reply)), end};
}
Script Socks5Connect(Bytes reply, Proxy::Step end = Proxy::Echo(), size_t request = 10) {
    return {Proxy::Expect(3), Proxy::Send(FromHex("0500")), Proxy::Expect(request),
            Proxy::Send(std::move(reply)), end};
}
Script Http(std::string reply, Proxy::Step end = Proxy::Hold(), size_t request = 10) {
    return {Proxy::Expect(request), Proxy::Send(reply), end};
}

struct Attempt {
    bool ok = false;
    int error = 0;
};

// ConnectVia to 10.0.0.5:31201 through the proxy, with a 10 s limit that a
// working or failing proxy never reaches.
Attempt Via(CCommSocket& socket, Proxy& proxy, uint32_t type, const char* user = "",
            const char* password = "", const char* host = "10.0.0.5") {
    Attempt a;
    a.ok = socket.ConnectVia(host, 31201, type, "127.0.0.1", proxy.Port(), user, password, 10);
    a.error = socket.GetProxyError();
    return a;
}

// The handed-over tunnel works both ways once the socket object is gone, and
// the negotiation ate none of the peer's first bytes.
void ExpectTunnelEchoes(int fd, const Bytes& firstFromPeer) {
    ASSERT_GE(fd, 0);
    Bytes got;
    if (!firstFromPeer.empty()) {
        ASSERT_TRUE(proxypeer::RecvExactly(fd, firstFromPeer.size(), got));
        EXPECT_EQ(got, firstFromPeer);
    }
    ASSERT_TRUE(proxypeer::SendAllBlocking(fd, ToBytes("ping")));
    ASSERT_TRUE(proxypeer::RecvExactly(fd, 4, got));
    EXPECT_EQ(got, ToBytes("ping"));
    close(fd);
}

struct RoadCase {
    const char* name;
    uint32_t type;
    const char* user;
    const char* password;
    const char* host;
    Script script;
    Bytes sent;  // what the proxy must have received
    Bytes firstFromPeer;
};

void PrintTo(const RoadCase& c, std::ostream* os) {
    *os << c.name;
}

// The SOCKS5 replies one byte at a time.
Script InSingleBytes() {
    Script script{Proxy::Expect(3), Proxy::Send(FromHex("05")), Proxy::Send(FromHex("00")),
                  Proxy::Expect(10)};
    for (uint8_t b : kSocks5Ok)
        script.push_back(Proxy::Send(Bytes{b}));
    script.push_back(Proxy::Echo());
    return script;
}

const Bytes kSocks5Request = FromHex("050100 05010001 0A000005 79E1");
const std::string kBasic = "Basic cWV2bzpzZWNyZXQtOQ==\r\n";
const std::string kConnectWithAuth =
    kConnect + "Authorization: " + kBasic + "Proxy-Authorization: " + kBasic + "\r\n";
const std::string kName = kUnresolvable;

const RoadCase kRoads[] = {
    {"Socks4", kSocks4, "", "", "10.0.0.5", Socks4(kGranted), FromHex("0401 79E1 0A000005 00"),
     Bytes()},
    {"Socks4aPassesAName", kSocks4a, "", "", "qevo",
     Script{Proxy::Expect(14), Proxy::Send(kGranted), Proxy::Echo()},
     Cat({FromHex("0401 79E1 00000001 00"), ToBytes(std::string("qevo", 5))}), Bytes()},
    {"Socks5", kSocks5, "", "", "10.0.0.5", Socks5Connect(kSocks5Ok), kSocks5Request, Bytes()},
    {"Socks5WithAuthorizationAndAName", kSocks5, "u", "pw", kUnresolvable,
     Script{Proxy::Expect(4), Proxy::Send(FromHex("0502")), Proxy::Expect(6),
            Proxy::Send(FromHex("0100")), Proxy::Expect(7 + kName.size()), Proxy::Send(kSocks5Ok),
            Proxy::Echo()},
     Cat({FromHex("05020200 0101 75 02 7077 05010003 14"), ToBytes(kName), FromHex("79E1")}),
     Bytes()},
    // The first address byte of an IPv6 reply is no length.
    {"Socks5IPv6ReplyKeepsTheStreamInStep", kSocks5, "", "", "10.0.0.5",
     Socks5Connect(Cat({FromHex("05000004"), Bytes(16, 0xFE), FromHex("1234"), ToBytes("hi")})),
     kSocks5Request, ToBytes("hi")},
    {"Socks5ReplyWithALongName", kSocks5, "", "", "10.0.0.5",
     Socks5Connect(Cat({FromHex("05000003 FF"), Bytes(255, 'n'), FromHex("0050")})), kSocks5Request,
     Bytes()},
    {"RepliesInSingleBytes", kSocks5, "", "", "10.0.0.5", InSingleBytes(), kSocks5Request, Bytes()},
    {"HttpLeavesThePeersFirstBytesInTheTunnel", kHttp, "", "", "10.0.0.5",
     Http("HTTP/1.0 200 Connection established\r\nVia: fake\r\n\r\nearly", Proxy::Echo(),
          kConnect.size() + 2),
     ToBytes(kConnect + "\r\n"), ToBytes("early")},
    {"HttpBasicAuthorization", kHttp, "qevo", "secret-9", "10.0.0.5",
     Http("HTTP/1.1 200 OK\r\n\r\n", Proxy::Echo(), kConnectWithAuth.size()),
     ToBytes(kConnectWithAuth), Bytes()},
    {"DirectWithoutProxy", CProxySocket::kProxyDirect, "", "", "127.0.0.1", Script{Proxy::Echo()},
     Bytes(), Bytes()},
};

class ProxyRoadTest : public ::testing::TestWithParam<RoadCase> {};

TEST_P(ProxyRoadTest, TunnelStandsWithTheExactRequestBytes) {
    const RoadCase& c = GetParam();
    Proxy proxy(c.script);
    int fd = -1;
    {
        CCommSocket socket;
        // Without a proxy the "proxy" is the peer itself.
        const bool direct = c.type == CProxySocket::kProxyDirect;
        ASSERT_TRUE(socket.ConnectVia(c.host, direct ? proxy.Port() : 31201, c.type, "127.0.0.1",
                                      proxy.Port(), c.user, c.password, 10));
        EXPECT_EQ(socket.GetProxyError(), 0);
        fd = socket.Detach();
        EXPECT_EQ(socket.Handle(), platform::INVALID_SOCKET);
        socket.Close();  // closes nothing: the handle is no longer ours
    }
    EXPECT_EQ(proxy.Received(), c.sent);
    ExpectTunnelEchoes(fd, c.firstFromPeer);
}

INSTANTIATE_TEST_SUITE_P(Kinds, ProxyRoadTest, ::testing::ValuesIn(kRoads),
                         [](const auto& info) { return std::string(info.param.name); });

// Failures: the code, a false answer without waiting for the time-out, and
// a closed socket that the proxy sees go.
struct FailureCase {
    const char* name;
    uint32_t type;
    const char* user;
    Script script;
    int error;
};

void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.name;
}

std::string PaddedHeader() {
    std::string text = "HTTP/1.1 200 OK\r\n";
    while (text.size() < CProxySocket::kMaxHttpHeader)
        text += "X-Pad: aaaaaaaaaaaaaaaaaaaaaaaa\r\n";
    return text;
}

const FailureCase kFailures[] = {
    {"Socks4Refused", kSocks4, "", Socks4(FromHex("005B 0000 00000000"), Proxy::Hold()), 2},
    {"Socks4WrongVersion", kSocks4, "", Socks4(FromHex("045A 0000 00000000"), Proxy::Hold()), 2},
    {"Socks4ShortReplyThenClose", kSocks4, "", Socks4(FromHex("005A00"), Proxy::CloseNow()), 2},
    {"Socks5NothingAcceptable", kSocks5, "", Socks5Method(FromHex("05FF")), 3},
    {"Socks5WrongVersion", kSocks5, "", Socks5Method(FromHex("0400")), 3},
    {"Socks5GssapiChosen", kSocks5, "", Socks5Method(FromHex("0501")), 4},
    {"Socks5AuthWantedNoneSet", kSocks5, "", Socks5Method(FromHex("0502")), 6},
    {"Socks5CredentialsRefused", kSocks5, "u", Socks5Auth(FromHex("0101")), 5},
    {"Socks5AuthReplyCut", kSocks5, "u", Socks5Auth(FromHex("01"), Proxy::CloseNow()), 5},
    {"Socks5ConnectRefused", kSocks5, "",
     Socks5Connect(FromHex("05050001 00000000 0000"), Proxy::Hold()), 2},
    {"Socks5UnknownAddressType", kSocks5, "",
     Socks5Connect(FromHex("05000007 00000000 0000"), Proxy::Hold()), 2},
    {"Socks5ReplyCut", kSocks5, "", Socks5Connect(FromHex("05000001 01"), Proxy::CloseNow()), 2},
    {"Http407", kHttp, "", Http("HTTP/1.1 407 Proxy Authentication Required\r\n"), 2},
    {"HttpNotHttp", kHttp, "", Http("SSH-2.0-x\r\n"), 2},
    {"HttpNoBlankInStatusLine", kHttp, "", Http("HTTP/1.1\r\n\r\n"), 2},
    {"HttpClosedBeforeHeaderEnd", kHttp, "", Http("HTTP/1.1 200 OK\r\n", Proxy::CloseNow()), 2},
    {"HttpHeaderWithoutEnd", kHttp, "", Http(PaddedHeader()), 2},
    {"ProxyClosesAtOnce", kSocks5, "", Script{Proxy::CloseNow()}, 2},
};

class ProxyFailureTest : public ::testing::TestWithParam<FailureCase> {};

TEST_P(ProxyFailureTest, FailsWithItsCodeAndCloses) {
    const FailureCase& c = GetParam();
    Proxy proxy(c.script);
    CCommSocket socket;
    const Attempt a = Via(socket, proxy, c.type, c.user, c.user[0] ? "pw" : "");
    EXPECT_FALSE(a.ok);
    EXPECT_EQ(a.error, c.error);
    EXPECT_EQ(socket.Handle(), platform::INVALID_SOCKET);
    EXPECT_EQ(socket.GetState(), 0);
    EXPECT_EQ(socket.GetStep(), 0);
    EXPECT_TRUE(proxy.WaitClientClosed());
}

INSTANTIATE_TEST_SUITE_P(Codes, ProxyFailureTest, ::testing::ValuesIn(kFailures),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ProxyFailureTest, RefusedBeforeOrWithoutANegotiation) {
    Proxy proxy({Proxy::Expect(4), Proxy::Send(Bytes{0x05, 0x02}), Proxy::Hold()});
    const std::string longUser(256, 'u');
    const uint16_t refusedPort = proxypeer::FreePort();
    struct Case {
        const char* name;
        uint32_t type;
        const char* host;
        std::string proxyHost;
        uint16_t proxyPort;
        const char* user;
        int error;
    } cases[] = {
        // Credentials longer than a length byte can say are not cut short.
        {"overlong user", kSocks5, "10.0.0.5", "127.0.0.1", proxy.Port(), longUser.c_str(),
         CProxySocket::kErrorSocks5Auth},
        {"SOCKS4 and a name", kSocks4, kUnresolvable, "127.0.0.1", proxy.Port(), "",
         CProxySocket::kErrorSocks4NoName},
        {"unresolvable proxy", kSocks5, "10.0.0.5", kUnresolvable, 1080, "",
         CProxySocket::kErrorConnectProxy},
        {"refused proxy port", kSocks5, "10.0.0.5", "127.0.0.1", refusedPort, "",
         CProxySocket::kErrorNone},
        {"unknown type", 5, "10.0.0.5", "127.0.0.1", 1080, "", CProxySocket::kErrorNone},
    };
    for (const Case& c : cases) {
        CCommSocket socket;
        EXPECT_FALSE(socket.ConnectVia(c.host, 1, c.type, c.proxyHost.c_str(), c.proxyPort, c.user,
                                       "pw", 10))
            << c.name;
        EXPECT_EQ(socket.GetProxyError(), c.error) << c.name;
        EXPECT_EQ(socket.Handle(), platform::INVALID_SOCKET) << c.name;
    }
    // Only the first attempt reached the proxy, and only its method request went out.
    EXPECT_TRUE(proxy.WaitClientClosed());
    EXPECT_EQ(proxy.Received(), (Bytes{0x05, 0x02, 0x02, 0x00}));
}

// Counts the messages it handles, so a helper thread knows they were pumped.
class CountingWindow : public platform::Window {
  public:
    ~CountingWindow() override { Destroy(); }
    std::atomic<int> handled{0};

  protected:
    platform::LRESULT WindowProc(platform::Message& msg) override {
        if (msg.message == platform::WM_USER + 7) ++handled;
        return platform::DefWindowProc(msg);
    }
};

// Time-outs run on a manual clock. Once the proxy has the request, a helper
// thread moves it a second at a time, each step after the waiting thread has
// pumped a message (so a wait that began anew with each message would never
// end), until ConnectVia returns.
TEST(ProxyTimeoutTest, ASilentOrUnfinishedReplyTimesOutFromTheStart) {
    struct Case {
        const char* name;
        uint32_t type;
        Script script;
        size_t requestBytes;
    } cases[] = {
        {"silent", kSocks5, {Proxy::Expect(3), Proxy::Hold()}, 3},
        {"short reply", kSocks4, Socks4({0, 0x5A, 0, 0}, Proxy::Hold()), 9},
        {"header without end", kHttp, Http("HTTP/1.1 200 OK\r\nVia: x\r\n"), 10},
    };
    platform::ManualClock clock;
    platform::ScopedClock scoped(clock);
    CountingWindow window;
    ASSERT_TRUE(window.Create());
    for (const Case& c : cases) {
        Proxy proxy(c.script);
        std::atomic<bool> returned{false};
        int seconds = 0;
        std::thread mover([&] {
            ASSERT_TRUE(proxy.WaitReceived(c.requestBytes));
            while (!returned && seconds < 30) {
                const int before = window.handled;
                platform::PostMessage(window.Handle(), platform::WM_USER + 7);
                while (!returned && window.handled == before)
                    std::this_thread::yield();
                if (returned) break;
                clock.AdvanceMillis(1000);
                ++seconds;
            }
        });
        CCommSocket socket;
        const Attempt a = Via(socket, proxy, c.type);
        returned = true;
        mover.join();
        EXPECT_FALSE(a.ok) << c.name;
        EXPECT_EQ(a.error, 0) << c.name;
        // Ten seconds from the start, not from the last message (a step may
        // land between the waiting thread's reading of the clock and its wait).
        EXPECT_GE(seconds, 10) << c.name;
        EXPECT_LE(seconds, 12) << c.name;
        EXPECT_EQ(socket.Handle(), platform::INVALID_SOCKET) << c.name;
        EXPECT_TRUE(proxy.WaitClientClosed()) << c.name;
    }
}

TEST(ProxyQuitTest, QuitEndsTheWaitAndStaysQueued) {
    Proxy proxy({Proxy::Expect(3), Proxy::Hold()});
    const platform::DWORD self = platform::GetCurrentThreadId();
    platform::Message probe;
    platform::PeekMessage(probe, {}, 0, 0, platform::PM_NOREMOVE);  // the queue exists
    std::thread quitter([&] {
        ASSERT_TRUE(proxy.WaitReceived(3));
        platform::PostThreadMessage(self, platform::WM_QUIT, 3);
    });
    CCommSocket socket;
    EXPECT_FALSE(Via(socket, proxy, kSocks5).ok);
    quitter.join();
    EXPECT_TRUE(proxy.WaitClientClosed());
    platform::Message msg;
    ASSERT_TRUE(platform::PeekMessage(msg, {}, 0, 0, platform::PM_REMOVE));
    EXPECT_EQ(msg.message, platform::WM_QUIT);
}

// Driving CProxySocket by hand: user data is refused during the negotiation.
TEST(ProxySocketTest, SendAndReceiveRefuseDuringNegotiation) {
    Proxy proxy(Socks5Connect(kSocks5Ok));
    CProxySocket socket;
    socket.SetProxy(kSocks5, "127.0.0.1", proxy.Port());
    ASSERT_TRUE(socket.Create());
    ASSERT_TRUE(socket.ConnectHost("10.0.0.5", 31201));
    EXPECT_EQ(socket.GetState(), CProxySocket::kStateConnecting);
    uint8_t buf[4] = {1, 2, 3, 4};
    EXPECT_EQ(socket.Send(buf, 4), platform::SOCKET_ERROR);
    EXPECT_EQ(platform::WSAGetLastError(), platform::WSAEWOULDBLOCK);
    EXPECT_EQ(socket.Receive(buf, 4), platform::SOCKET_ERROR);
    EXPECT_EQ(platform::WSAGetLastError(), platform::WSAEWOULDBLOCK);
    ASSERT_TRUE(proxypeer::PumpUntil([&] { return socket.GetState() == 0; }));
    EXPECT_EQ(socket.GetProxyError(), 0);
    EXPECT_EQ(socket.Send(buf, 4), 4);
    ASSERT_TRUE(proxypeer::PumpUntil([&] { return socket.Receive(buf, 4) == 4; }));
}

// A bind through a proxy: the bound address, then the peer's arrival.
class BindRecorder : public CProxySocket {
  public:
    void OnProxyBound(uint32_t address, uint16_t port) override {
        boundAddress = ntohl(address);
        boundPort = port;
    }
    void OnAccept(int) override { accepted = true; }
    uint32_t boundAddress = 0;
    uint16_t boundPort = 0;
    bool accepted = false;
};

TEST(ProxySocketTest, BindReportsTheAddressThenThePeer) {
    struct Case {
        uint32_t type;
        Script script;
        Bytes sent;
        uint32_t bound;
    } cases[] = {
        {kSocks5,
         Script{Proxy::Expect(3), Proxy::Send(FromHex("0500")), Proxy::Expect(10),
                Proxy::Send(FromHex("05000001 0A010203 1F90")),
                Proxy::Send(FromHex("05000001 0A090909 0001")), Proxy::Echo()},
         FromHex("050100 05020001 0A090909 0000"), 0x0A010203},
        // SOCKS4 answers 0.0.0.0 for "my own address".
        {kSocks4,
         Script{Proxy::Expect(9), Proxy::Send(FromHex("005A 1F90 00000000")), Proxy::Send(kGranted),
                Proxy::Echo()},
         FromHex("0402 0000 0A090909 00"), INADDR_LOOPBACK},
    };
    for (const Case& c : cases) {
        Proxy proxy(c.script);
        BindRecorder socket;
        socket.SetProxy(c.type, "127.0.0.1", proxy.Port());
        ASSERT_TRUE(socket.Create());
        ASSERT_TRUE(socket.BindViaProxy(htonl(0x0A090909)));
        ASSERT_TRUE(proxypeer::PumpUntil([&] { return socket.accepted; }));
        EXPECT_EQ(socket.boundAddress, c.bound);
        EXPECT_EQ(socket.boundPort, 8080);
        EXPECT_EQ(proxy.Received(), c.sent);
        // The accepted peer is this very connection, handed to a new socket object.
        platform::CAsyncSocket peer;
        ASSERT_TRUE(socket.Accept(peer));
        EXPECT_EQ(socket.Handle(), platform::INVALID_SOCKET);
        ExpectTunnelEchoes(peer.Detach(), {});
    }
}

TEST(ProxyProtocolTest, RequestsThatCannotBeSentAreRefused) {
    EXPECT_FALSE(Socks4Request(false, 1, 0, ""));
    EXPECT_FALSE(Socks4Request(false, 1, 0, std::string_view("a\0b", 3)));
    const std::string max(255, 'x'), over(256, 'x');
    EXPECT_EQ(Socks5AuthRequest(max, max)->size(), 513u);
    EXPECT_FALSE(Socks5AuthRequest(over, "p"));
    EXPECT_FALSE(Socks5AuthRequest("u", over));
    EXPECT_EQ(Socks5ConnectRequest(false, 1, 0, max)->size(), 7u + 255);
    EXPECT_FALSE(Socks5ConnectRequest(false, 1, 0, over));
    EXPECT_FALSE(Socks5ConnectRequest(false, 1, 0, ""));
    EXPECT_FALSE(HttpConnectRequest("a\r\nX: y", 1, false, "", ""));
    EXPECT_FALSE(HttpConnectRequest("", 1, false, "", ""));
    // Empty credentials send the colon alone; long ones stay on one line.
    EXPECT_NE(HttpConnectRequest("h", 1, true, "", "")->find("\r\nAuthorization: Basic Og==\r\n"),
              std::string::npos);
    const std::string r =
        *HttpConnectRequest("h", 1, true, std::string(31, 'u'), std::string(31, 'p'));
    const size_t at = r.find("Authorization: Basic ");
    EXPECT_EQ(r.find("\r\n", at) - at, 21u + 84u);  // 63 bytes are 84 Base64 characters
}

TEST(ProxyProtocolTest, ReplyChecks) {
    const uint8_t ok[8] = {0x00, 0x5A}, refused[8] = {0x00, 0x5B}, badVersion[8] = {0x04, 0x5A};
    EXPECT_TRUE(Socks4Granted(ok));
    EXPECT_FALSE(Socks4Granted(refused));
    EXPECT_FALSE(Socks4Granted(badVersion));
    struct SizeCase {
        uint8_t type, fifth;
        size_t size;
    } sizes[] = {{1, 9, 10}, {3, 0, 7}, {3, 255, 262}, {4, 0xFE, 22},
                 {0, 0, 0},  {2, 0, 0}, {5, 0, 0}};
    for (const SizeCase& c : sizes) {
        const uint8_t head[5] = {5, 0, 0, c.type, c.fifth};
        EXPECT_EQ(Socks5ReplySize(head), c.size) << int(c.type);
    }
    struct HttpCase {
        const char* text;
        HttpReplyCheck want;
    } replies[] = {
        {"H", HttpReplyCheck::kMore},
        {"HTTP/1.0 200", HttpReplyCheck::kMore},
        {"HTTP/1.0 200 OK\r\n\r\n", HttpReplyCheck::kDone},
        {"HTTP/1.1 204 x\r\nVia: p\r\n\r\n", HttpReplyCheck::kDone},
        {"HTTP/1.1 407", HttpReplyCheck::kMore},
        {"HTTX", HttpReplyCheck::kRefused},
        {"HTTP/1.0 \r\n", HttpReplyCheck::kRefused},
        {"HTTP/1.0 200 OK\r\nX: a b\r\n", HttpReplyCheck::kMore},
    };
    for (const HttpCase& c : replies)
        EXPECT_EQ(CheckHttpReply(c.text), c.want) << c.text;
}

}  // namespace
}  // namespace transport
