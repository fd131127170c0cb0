// The proxy socket against a scripted proxy on loopback: one road over every
// proxy kind with the exact bytes of each handshake and every failure code,
// then through real proxy daemons (tools/proxypeer/daemons.h) to a scripted
// peer; time-outs on the process clock, binds, and the hand-over of the
// finished tunnel.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <thread>
#include <tuple>

#include "platform/clock.h"
#include "platform/message_queue.h"
#include "platform/thread.h"
#include "platform/window.h"
#include "tools/proxypeer/daemons.h"
#include "tools/proxypeer/proxy_peer.h"
#include "transport/comm_socket.h"
#include "transport/proxy_protocol.h"

namespace transport {
namespace {

using proxypeer::Bytes;
using proxypeer::Cat;
using proxypeer::FromHex;
using proxypeer::RealProxies;
using proxypeer::ToBytes;
using Proxy = proxypeer::ScriptedProxy;
using Script = std::vector<Proxy::Step>;

constexpr uint32_t kSocks4 = CProxySocket::kProxySocks4;
constexpr uint32_t kSocks5 = CProxySocket::kProxySocks5;
constexpr uint32_t kHttp = CProxySocket::kProxyHttp;

// A name no resolver here knows; only a proxy could.
constexpr const char* kUnresolvable = "qevo-nowhere.invalid";
const std::string kName = kUnresolvable;
const std::string kLongUser(256, 'u');
const Bytes kGranted = FromHex("005A 0000 00000000");
const Bytes kSocks5Ok = FromHex("05000001 7F000001 0438");
const Bytes kSocks5Request = FromHex("050100 05010001 0A000005 79E1");
const std::string kConnect = "CONNECT 10.0.0.5:31201 HTTP/1.1\r\nHost: 10.0.0.5:31201\r\n";
const std::string kBasic = "Basic cWV2bzpzZWNyZXQtOQ==\r\n";
const std::string kConnectWithAuth =
    kConnect + "Authorization: " + kBasic + "Proxy-Authorization: " + kBasic + "\r\n";

// The scripts up to each reply, then `reply` and `end`.
template <class Reply>
Script After(size_t request, Reply reply, Proxy::Step end = Proxy::Hold()) {
    return {Proxy::Expect(request), Proxy::Send(std::move(reply)), end};
}
Script Socks5Auth(Bytes reply, Proxy::Step end = Proxy::Hold()) {
    return {Proxy::Expect(4), Proxy::Send(FromHex("0502")), Proxy::Expect(6),
            Proxy::Send(std::move(reply)), end};
}
Script Socks5Connect(Bytes reply, Proxy::Step end = Proxy::Echo()) {
    return {Proxy::Expect(3), Proxy::Send(FromHex("0500")), Proxy::Expect(10),
            Proxy::Send(std::move(reply)), end};
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

// The handed-over tunnel works both ways once the socket object is gone, and
// the negotiation ate none of the peer's first bytes.
void ExpectTunnelEchoes(int fd, const Bytes& firstFromPeer) {
    ASSERT_GE(fd, 0);
    Bytes got;
    ASSERT_TRUE(proxypeer::RecvExactly(fd, firstFromPeer.size(), got));
    EXPECT_EQ(got, firstFromPeer);
    ASSERT_TRUE(proxypeer::SendAllBlocking(fd, ToBytes("ping")));
    ASSERT_TRUE(proxypeer::RecvExactly(fd, 4, got));
    EXPECT_EQ(got, ToBytes("ping"));
    close(fd);
}

struct RoadCase {
    const char* name;
    uint32_t type;
    Script script;
    int error;        // 0: the tunnel stands
    Bytes sent = {};  // what the proxy must have received
    const char* user = "";
    const char* password = "";
    const char* host = "10.0.0.5";
    Bytes firstFromPeer = {};
    // A real proxy (RealProxies::Kind) in front of the scripted peer, or none.
    int daemon = -1;
};

// One set of daemons for the whole binary: starting them is the slow part.
RealProxies& Daemons() {
    static RealProxies proxies;
    return proxies;
}

void PrintTo(const RoadCase& c, std::ostream* os) {
    *os << c.name;
}

const RoadCase kRoads[] = {
    {"Socks4", kSocks4, After(9, kGranted, Proxy::Echo()), 0, FromHex("0401 79E1 0A000005 00")},
    {"Socks4aPassesAName", CProxySocket::kProxySocks4a,
     Script{Proxy::Expect(14), Proxy::Send(kGranted), Proxy::Echo()}, 0,
     Cat({FromHex("0401 79E1 00000001 00"), ToBytes(std::string("qevo", 5))}), "", "", "qevo"},
    {"Socks5WithAuthorizationAndAName", kSocks5,
     Script{Proxy::Expect(4), Proxy::Send(FromHex("0502")), Proxy::Expect(6),
            Proxy::Send(FromHex("0100")), Proxy::Expect(7 + kName.size()), Proxy::Send(kSocks5Ok),
            Proxy::Echo()},
     0, Cat({FromHex("05020200 0101 75 02 7077 05010003 14"), ToBytes(kName), FromHex("79E1")}),
     "u", "pw", kUnresolvable},
    // The first address byte of an IPv6 reply is no length.
    {"Socks5IPv6ReplyKeepsTheStreamInStep", kSocks5,
     Socks5Connect(Cat({FromHex("05000004"), Bytes(16, 0xFE), FromHex("1234"), ToBytes("hi")})), 0,
     kSocks5Request, "", "", "10.0.0.5", ToBytes("hi")},
    {"Socks5ReplyWithALongName", kSocks5,
     Socks5Connect(Cat({FromHex("05000003 FF"), Bytes(255, 'n'), FromHex("0050")})), 0,
     kSocks5Request},
    {"RepliesInSingleBytes", kSocks5, InSingleBytes(), 0, kSocks5Request},
    {"HttpLeavesThePeersFirstBytesInTheTunnel", kHttp,
     After(kConnect.size() + 2, "HTTP/1.0 200 Connection established\r\nVia: fake\r\n\r\nearly",
           Proxy::Echo()),
     0, ToBytes(kConnect + "\r\n"), "", "", "10.0.0.5", ToBytes("early")},
    {"HttpBasicAuthorization", kHttp,
     After(kConnectWithAuth.size(), "HTTP/1.1 200 OK\r\n\r\n", Proxy::Echo()), 0,
     ToBytes(kConnectWithAuth), "qevo", "secret-9"},
    {"DirectWithoutProxy", CProxySocket::kProxyDirect, Script{Proxy::Echo()}, 0, Bytes(), "", "",
     "127.0.0.1"},
    {"Socks4Refused", kSocks4, After(9, FromHex("005B 0000 00000000")), 2},
    {"Socks4WrongVersion", kSocks4, After(9, FromHex("045A 0000 00000000")), 2},
    {"Socks4ShortReplyThenClose", kSocks4, After(9, FromHex("005A00"), Proxy::CloseNow()), 2},
    {"Socks4CannotPassAName", kSocks4, Script{Proxy::Hold()}, 7, Bytes(), "", "", kUnresolvable},
    {"Socks5NothingAcceptable", kSocks5, After(3, FromHex("05FF")), 3},
    {"Socks5WrongVersion", kSocks5, After(3, FromHex("0400")), 3},
    {"Socks5GssapiChosen", kSocks5, After(3, FromHex("0501")), 4},
    {"Socks5AuthWantedNoneSet", kSocks5, After(3, FromHex("0502")), 6},
    {"Socks5CredentialsRefused", kSocks5, Socks5Auth(FromHex("0101")), 5, Bytes(), "u", "pw"},
    {"Socks5AuthReplyCut", kSocks5, Socks5Auth(FromHex("01"), Proxy::CloseNow()), 5, Bytes(), "u",
     "pw"},
    // Credentials longer than a length byte can say are not cut short.
    {"Socks5OverlongUser", kSocks5, After(4, FromHex("0502")), 5, FromHex("05020200"),
     kLongUser.c_str(), "pw"},
    {"Socks5ConnectRefused", kSocks5,
     Socks5Connect(FromHex("05050001 00000000 0000"), Proxy::Hold()), 2},
    {"Socks5UnknownAddressType", kSocks5,
     Socks5Connect(FromHex("05000007 00000000 0000"), Proxy::Hold()), 2},
    {"Socks5ReplyCut", kSocks5, Socks5Connect(FromHex("05000001 01"), Proxy::CloseNow()), 2},
    {"HttpNotHttp", kHttp, After(10, "SSH-2.0-x\r\n"), 2},
    {"HttpNoBlankInStatusLine", kHttp, After(10, "HTTP/1.1\r\n\r\n"), 2},
    {"HttpClosedBeforeHeaderEnd", kHttp, After(10, "HTTP/1.1 200 OK\r\n", Proxy::CloseNow()), 2},
    {"HttpHeaderWithoutEnd", kHttp,
     After(10, "HTTP/1.1 200 OK\r\n" + std::string(CProxySocket::kMaxHttpHeader, 'x')), 2},
    {"ProxyClosesAtOnce", kSocks5, Script{Proxy::CloseNow()}, 2},
    // Real daemons: the tunnel reaches the scripted peer behind them.
    {"DanteSocks5WithPassword", kSocks5, Script{Proxy::Echo()}, 0, Bytes(), RealProxies::kSocksUser,
     RealProxies::kSocksPassword, "127.0.0.1", Bytes(), RealProxies::kDante},
    {"SshSocks4aResolvesANameOnlyItKnows", CProxySocket::kProxySocks4a, Script{Proxy::Echo()}, 0,
     Bytes(), "", "", RealProxies::kProxyOnlyName, Bytes(), RealProxies::kSsh},
};

class ProxyRoadTest : public ::testing::TestWithParam<RoadCase> {};

// A working or failing proxy answers long before the 10 s limit.
TEST_P(ProxyRoadTest, TunnelStandsOrFailsWithItsCode) {
    const RoadCase& c = GetParam();
    Proxy proxy(c.script);
    // The scripted peer is the proxy; without one, or behind a real one, the target.
    uint16_t proxyPort = proxy.Port(), targetPort = 31201;
    if (c.daemon >= 0) {
        const auto kind = RealProxies::Kind(c.daemon);
        if (const std::string why = Daemons().Missing(kind); !why.empty()) GTEST_SKIP() << why;
        if (c.host == std::string(RealProxies::kProxyOnlyName) && !Daemons().PrivateHosts())
            GTEST_SKIP() << "unshare --mount is not permitted here";
        proxyPort = Daemons().Port(kind);
    }
    if (c.daemon >= 0 || c.type == CProxySocket::kProxyDirect) targetPort = proxy.Port();
    int fd = -1;
    {
        CCommSocket socket;
        EXPECT_EQ(socket.ConnectVia(c.host, targetPort, c.type, "127.0.0.1", proxyPort, c.user,
                                    c.password, 10),
                  c.error == 0);
        EXPECT_EQ(socket.GetProxyError(), c.error);
        EXPECT_EQ(socket.GetState(), 0);
        EXPECT_EQ(socket.GetStep(), 0);
        fd = socket.Detach();
        socket.Close();  // closes nothing: the handle is no longer ours
    }
    if (c.error) {
        EXPECT_EQ(fd, -1);
        EXPECT_TRUE(!proxy.Accepted() || proxy.WaitClientClosed());
    } else {
        ExpectTunnelEchoes(fd, c.firstFromPeer);
    }
    if (!c.sent.empty() || c.error == 0) {
        EXPECT_EQ(proxy.Received(), c.sent);
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, ProxyRoadTest, ::testing::ValuesIn(kRoads),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ProxyRoadTest, UnreachableProxiesAndUnknownKindsFailAtOnce) {
    // The kind, the proxy's host and port, the error.
    const std::tuple<uint32_t, const char*, uint16_t, int> cases[] = {
        {kSocks5, kUnresolvable, 1080, CProxySocket::kErrorConnectProxy},
        {kSocks5, "127.0.0.1", proxypeer::FreePort(), 0},  // refused
        {5, "127.0.0.1", 1080, 0},
    };
    for (auto [type, host, port, error] : cases) {
        CCommSocket socket;
        EXPECT_FALSE(socket.ConnectVia("10.0.0.5", 1, type, host, port, "", "", 10));
        EXPECT_EQ(socket.GetProxyError(), error) << host;
        EXPECT_EQ(socket.Handle(), platform::INVALID_SOCKET);
    }
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
// end), until ConnectVia returns. A quit message ends the wait at once.
TEST(ProxyTimeoutTest, ASilentOrUnfinishedReplyTimesOutFromTheStart) {
    struct Case {
        const char* name;
        uint32_t type;
        Script script;
        size_t requestBytes;
        bool quit;
    } cases[] = {
        {"silent", kSocks5, Script{Proxy::Expect(3), Proxy::Hold()}, 3, false},
        {"short reply", kSocks4, After(9, FromHex("005A 0000")), 9, false},
        {"header without end", kHttp, After(10, "HTTP/1.1 200 OK\r\nVia: x\r\n"), 10, false},
        {"quit", kSocks5, Script{Proxy::Expect(3), Proxy::Hold()}, 3, true},
    };
    platform::ManualClock clock;
    platform::ScopedClock scoped(clock);
    CountingWindow window;
    ASSERT_TRUE(window.Create());
    const platform::DWORD self = platform::GetCurrentThreadId();
    for (const Case& c : cases) {
        Proxy proxy(c.script);
        std::atomic<bool> returned{false};
        int seconds = 0;
        std::thread mover([&] {
            ASSERT_TRUE(proxy.WaitReceived(c.requestBytes));
            if (c.quit) platform::PostThreadMessage(self, platform::WM_QUIT, 3);
            while (!c.quit && !returned && seconds < 30) {
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
        EXPECT_FALSE(
            socket.ConnectVia("10.0.0.5", 31201, c.type, "127.0.0.1", proxy.Port(), "", "", 10))
            << c.name;
        returned = true;
        mover.join();
        EXPECT_EQ(socket.GetProxyError(), 0) << c.name;
        // Ten seconds from the start, not from the last message (a step may
        // land between the waiting thread's reading of the clock and its wait).
        EXPECT_GE(seconds, c.quit ? 0 : 10) << c.name;
        EXPECT_LE(seconds, c.quit ? 0 : 12) << c.name;
        EXPECT_EQ(socket.Handle(), platform::INVALID_SOCKET) << c.name;
        EXPECT_TRUE(proxy.WaitClientClosed()) << c.name;
    }
    // The quit stays queued for the loop outside.
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

}  // namespace
}  // namespace transport
