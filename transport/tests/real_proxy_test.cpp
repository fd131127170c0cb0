// The proxy socket through real proxy daemons on loopback (see
// tools/proxypeer/daemons.h): each row connects through one of them and,
// when the tunnel stands, hands it to the transport, which greets the game
// server and gets the reply to one request.

#include <gtest/gtest.h>

#include "platform/thread.h"
#include "tools/gameserver/server.h"
#include "tools/proxypeer/daemons.h"
#include "transport/comm_socket.h"
#include "transport/transport_socket.h"

namespace transport {
namespace {

using proxypeer::RealProxies;

struct RealCase {
    const char* name;
    RealProxies::Kind proxy;
    uint32_t type;
    bool proxyOnlyName;  // the target named by a name only the proxy resolves
    const char* user;
    const char* password;
    int error;  // 0: the tunnel stands and reaches the game server
};

void PrintTo(const RealCase& c, std::ostream* os) {
    *os << c.name;
}

constexpr const char* kSocksUser = RealProxies::kSocksUser;
constexpr const char* kSocksPassword = RealProxies::kSocksPassword;
constexpr const char* kHttpUser = RealProxies::kHttpUser;
constexpr const char* kHttpPassword = RealProxies::kHttpPassword;

const RealCase kCases[] = {
    {"DanteSocks5WithPassword", RealProxies::kDanteAuth, CProxySocket::kProxySocks5, false,
     kSocksUser, kSocksPassword, 0},
    {"DanteSocks5ResolvesANameOnlyItKnows", RealProxies::kDanteAuth, CProxySocket::kProxySocks5,
     true, kSocksUser, kSocksPassword, 0},
    {"DanteRefusesAWrongPassword", RealProxies::kDanteAuth, CProxySocket::kProxySocks5, false,
     kSocksUser, "wrong", CProxySocket::kErrorSocks5Auth},
    {"DanteRefusesNoCredentials", RealProxies::kDanteAuth, CProxySocket::kProxySocks5, false, "",
     "", CProxySocket::kErrorSocks5Method},
    {"DanteSocks4", RealProxies::kDanteNone, CProxySocket::kProxySocks4, false, "", "", 0},
    {"DanteSocks5WithoutAuthorization", RealProxies::kDanteNone, CProxySocket::kProxySocks5, false,
     "", "", 0},
    {"TinyproxyWithBasicAuthorization", RealProxies::kTinyproxy, CProxySocket::kProxyHttp, false,
     kHttpUser, kHttpPassword, 0},
    {"TinyproxyRefusesMissingCredentials", RealProxies::kTinyproxy, CProxySocket::kProxyHttp, false,
     "", "", CProxySocket::kErrorRequest},
    {"TinyproxyRefusesAWrongPassword", RealProxies::kTinyproxy, CProxySocket::kProxyHttp, false,
     kHttpUser, "wrong", CProxySocket::kErrorRequest},
    {"SshSocks4aResolvesANameOnlyItKnows", RealProxies::kSsh, CProxySocket::kProxySocks4a, true, "",
     "", 0},
    {"SshSocks4CannotPassTheName", RealProxies::kSsh, CProxySocket::kProxySocks4, true, "", "",
     CProxySocket::kErrorSocks4NoName},
};

class RealProxyTest : public ::testing::TestWithParam<RealCase> {
  protected:
    // One set of daemons and one game server for the whole binary: starting
    // the daemons is the slow part.
    static void SetUpTestSuite() {
        proxies_ = new RealProxies;
        server_ = new gameserver::GameServer;
        server_->Start();
    }
    static void TearDownTestSuite() {
        delete server_;
        delete proxies_;
    }

    // What the session does once the tunnel stands: the transport takes the
    // handle over, greets the game server, and one request gets its reply.
    static void ReachesGameServer(CCommSocket& socket) {
        constexpr uint32_t kCheckVersion = 201001;
        server_->SetReply(kCheckVersion, gameserver::Reply::With(10, gameserver::Bytes(28, 7)));
        const gameserver::Key key = gameserver::DefaultKey();
        CTransportSocket transport(key.data(), 128, 0x100, 0, 1, 4000);
        static const char kGreeting[] = "Hello! Mirb Station.";
        ASSERT_TRUE(transport.Attach(socket.Detach(), {}, platform::GetCurrentThreadId(), false,
                                     reinterpret_cast<const uint8_t*>(kGreeting), sizeof kGreeting,
                                     10000, nullptr, 0, 5));
        EXPECT_EQ(socket.Handle(), platform::INVALID_SOCKET);
        EXPECT_EQ(server_->WaitForGreeting(std::chrono::seconds(5)),
                  gameserver::StandardGreeting());
        TransportInfo info;
        info.wantsReply = 1;
        TransportNotice request, reply;
        request.head[1] = kCheckVersion;
        int timedOut = 0;
        ASSERT_TRUE(
            transport.SendRequest(info, request, &reply, &timedOut, 5000, 0, 0, 1, nullptr, 0));
        EXPECT_EQ(reply.Code(), 10u);
        EXPECT_EQ(reply.length, 28u);
        transport.Close();  // the one close of the handed-over socket
        EXPECT_TRUE(server_->WaitForClientGone(std::chrono::seconds(5)));
    }

    static RealProxies* proxies_;
    static gameserver::GameServer* server_;
};

RealProxies* RealProxyTest::proxies_ = nullptr;
gameserver::GameServer* RealProxyTest::server_ = nullptr;

TEST_P(RealProxyTest, ConnectsOrFailsWithItsCode) {
    const RealCase& c = GetParam();
    if (const std::string why = proxies_->Missing(c.proxy); !why.empty()) GTEST_SKIP() << why;
    if (c.proxyOnlyName && c.error == 0 && !proxies_->PrivateHosts())
        GTEST_SKIP() << "unshare --mount is not permitted here";
    CCommSocket socket;
    const bool ok = socket.ConnectVia(c.proxyOnlyName ? RealProxies::kProxyOnlyName : "127.0.0.1",
                                      server_->port(), c.type, "127.0.0.1", proxies_->Port(c.proxy),
                                      c.user, c.password, 10);
    EXPECT_EQ(socket.GetProxyError(), c.error);
    if (c.error == 0) {
        ASSERT_TRUE(ok);
        ReachesGameServer(socket);
    } else {
        EXPECT_FALSE(ok);
        EXPECT_EQ(socket.Handle(), platform::INVALID_SOCKET);
    }
}

INSTANTIATE_TEST_SUITE_P(Daemons, RealProxyTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace transport
