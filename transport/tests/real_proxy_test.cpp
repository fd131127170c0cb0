// The proxy socket through real proxy daemons on loopback: dante (SOCKS4,
// SOCKS5 with username/password), tinyproxy (HTTP CONNECT with Basic
// authorization) and OpenSSH's dynamic forwarding (SOCKS4A). Names that only
// the proxy can resolve come from a private /etc/hosts in the daemon's own
// mount namespace.

#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "platform/thread.h"
#include "tools/gameserver/server.h"
#include "transport/comm_socket.h"
#include "transport/notice.h"
#include "transport/tests/proxy_test_util.h"
#include "transport/transport_socket.h"

namespace transport {
namespace {

using testing::Bytes;
using testing::Daemon;
using testing::TempDir;
using testing::ToBytes;

// Known to the proxies' private hosts file only.
constexpr const char* kProxyOnlyName = "qevo-game.test";
// The system account that tools/setup.sh makes for the SOCKS5 password check.
constexpr const char* kSocksUser = "qevoproxy";
constexpr const char* kSocksPassword = "proxy-pass-1";

std::string DanteConfig(const TempDir& dir, const std::string& name, uint16_t port,
                        const std::string& method) {
    return "logoutput: " + dir.File(name + ".log") +
           "\n"
           "internal: 127.0.0.1 port = " +
           std::to_string(port) +
           "\n"
           "external: 127.0.0.1\n"
           "socksmethod: " +
           method +
           "\n"
           "clientmethod: none\n"
           "user.privileged: root\n"
           "user.unprivileged: nobody\n"
           "client pass {\n  from: 127.0.0.0/8 to: 0.0.0.0/0\n}\n"
           "socks pass {\n  from: 127.0.0.0/8 to: 0.0.0.0/0\n  command: connect\n}\n";
}

// argv run in a private mount namespace whose /etc/hosts knows kProxyOnlyName,
// when such namespaces work here; else argv as it is.
std::vector<std::string> WithPrivateHosts(const TempDir& dir, const std::vector<std::string>& argv,
                                          bool* privateHosts) {
    *privateHosts = testing::PrivateMountsWork();
    if (!*privateHosts) return argv;
    dir.Write("hosts", std::string("127.0.0.1 ") + kProxyOnlyName + "\n127.0.0.1 localhost\n");
    std::string command = "mount --bind " + dir.File("hosts") + " /etc/hosts && exec";
    for (const std::string& a : argv)
        command += " '" + a + "'";
    return {"unshare", "--mount", "sh", "-c", command};
}

// What the session does once the tunnel stands: the transport takes the
// handle over, greets the game server, and one request gets its reply.
void ReachesGameServer(CCommSocket& socket, gameserver::GameServer& server) {
    constexpr uint32_t kCheckVersion = 201001;
    server.SetReply(kCheckVersion, gameserver::Reply::With(10, gameserver::Bytes(28, 7)));
    const int fd = socket.Detach();
    ASSERT_GE(fd, 0);
    EXPECT_EQ(socket.Handle(), platform::INVALID_SOCKET);
    const gameserver::Key key = gameserver::DefaultKey();
    CTransportSocket transport(key.data(), 128, 0x100, 0, 1, 4000);
    static const char kGreeting[] = "Hello! Mirb Station.";
    ASSERT_TRUE(transport.Attach(fd, {}, platform::GetCurrentThreadId(), false,
                                 reinterpret_cast<const uint8_t*>(kGreeting), sizeof kGreeting,
                                 10000, nullptr, 0, 5));
    const auto greeting = server.WaitForGreeting(std::chrono::seconds(5));
    ASSERT_TRUE(greeting);
    EXPECT_EQ(*greeting, gameserver::StandardGreeting());
    TransportInfo info;
    info.wantsReply = 1;
    TransportNotice request;
    request.head[1] = kCheckVersion;
    TransportNotice reply;
    int timedOut = 0;
    ASSERT_TRUE(transport.SendRequest(info, request, &reply, &timedOut, 5000, 0, 0, 1, nullptr, 0));
    EXPECT_EQ(reply.Code(), 10u);
    EXPECT_EQ(reply.length, 28u);
    transport.Close();  // the one close of the handed-over socket
    EXPECT_TRUE(server.WaitForClientGone(std::chrono::seconds(5)));
}

// One set of daemons for the whole binary: starting them is the slow part.
struct Proxies {
    TempDir dir;
    gameserver::GameServer target;
    Daemon danteAuth, danteNone, tinyproxy, sshd, ssh;
    uint16_t danteAuthPort = 0, danteNonePort = 0, tinyproxyPort = 0, sshdPort = 0, sshPort = 0;
    bool privateHosts = false;
    std::string danteError, tinyproxyError, sshError;
    bool danteTried = false, tinyproxyTried = false, sshTried = false;

    Proxies() { target.Start(); }

    // Each daemon starts on first use; the answer is why it is missing, or empty.
    const std::string& Dante() {
        if (!danteTried) {
            danteTried = true;
            if (!testing::IsRoot()) {
                danteError = "needs root (dante checks system passwords and drops privileges)";
            } else {
                StartDante();
            }
        }
        return danteError;
    }
    const std::string& Tinyproxy() {
        if (!tinyproxyTried) {
            tinyproxyTried = true;
            StartTinyproxy();
        }
        return tinyproxyError;
    }
    const std::string& Ssh() {
        if (!sshTried) {
            sshTried = true;
            if (!testing::IsRoot()) {
                sshError = "needs root (a private sshd and its mount namespace)";
            } else {
                StartSsh();
            }
        }
        return sshError;
    }

    void StartDante() {
        danteAuthPort = testing::FreePort();
        danteNonePort = testing::FreePort();
        dir.Write("danted-auth.conf", DanteConfig(dir, "danted-auth", danteAuthPort, "username"));
        dir.Write("danted-none.conf", DanteConfig(dir, "danted-none", danteNonePort, "none"));
        bool privateHosts = false;
        if (!danteAuth.Start(
                WithPrivateHosts(dir, {"danted", "-N", "1", "-f", dir.File("danted-auth.conf")},
                                 &privateHosts),
                dir.File("danted-auth.out"), danteAuthPort) ||
            !danteNone.Start({"danted", "-N", "1", "-f", dir.File("danted-none.conf")},
                             dir.File("danted-none.out"), danteNonePort)) {
            danteError = "danted did not start";
        }
    }

    void StartTinyproxy() {
        tinyproxyPort = testing::FreePort();
        dir.Write("tinyproxy.conf", "Port " + std::to_string(tinyproxyPort) +
                                        "\nListen 127.0.0.1\nTimeout 60\nMaxClients 20\n"
                                        "Allow 127.0.0.1\nBasicAuth qevo secret-9\nLogLevel Info\n"
                                        "LogFile \"" +
                                        dir.File("tinyproxy.log") + "\"\nPidFile \"" +
                                        dir.File("tinyproxy.pid") + "\"\n");
        if (!tinyproxy.Start({"tinyproxy", "-d", "-c", dir.File("tinyproxy.conf")},
                             dir.File("tinyproxy.out"), tinyproxyPort))
            tinyproxyError = "tinyproxy did not start";
    }

    void StartSsh() {
        if (access("/run/sshd", F_OK) != 0) {
            sshError = "/run/sshd is missing";
            return;
        }
        if (!testing::RunCommand(
                {"ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-f", dir.File("hk")}) ||
            !testing::RunCommand(
                {"ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-f", dir.File("id")}) ||
            !testing::RunCommand({"cp", dir.File("id.pub"), dir.File("authorized_keys")})) {
            sshError = "ssh-keygen failed";
            return;
        }
        sshdPort = testing::FreePort();
        dir.Write("sshd_config", "Port " + std::to_string(sshdPort) +
                                     "\nListenAddress 127.0.0.1\nHostKey " + dir.File("hk") +
                                     "\nAuthorizedKeysFile " + dir.File("authorized_keys") +
                                     "\nPermitRootLogin prohibit-password\n"
                                     "PasswordAuthentication no\nKbdInteractiveAuthentication no\n"
                                     "UsePAM no\nStrictModes no\nAllowTcpForwarding yes\n"
                                     "PidFile " +
                                     dir.File("sshd.pid") + "\n");
        if (!sshd.Start(
                WithPrivateHosts(dir, {"/usr/sbin/sshd", "-D", "-e", "-f", dir.File("sshd_config")},
                                 &privateHosts),
                dir.File("sshd.out"), sshdPort)) {
            sshError = "sshd did not start";
            return;
        }
        sshPort = testing::FreePort();
        if (!ssh.Start({"ssh", "-N", "-D", "127.0.0.1:" + std::to_string(sshPort), "-p",
                        std::to_string(sshdPort), "-i", dir.File("id"), "-o", "BatchMode=yes", "-o",
                        "StrictHostKeyChecking=no", "-o", "UserKnownHostsFile=/dev/null", "-o",
                        "ExitOnForwardFailure=yes", "root@127.0.0.1"},
                       dir.File("ssh.out"), sshPort))
            sshError = "ssh -D did not start";
    }
};

Proxies* gProxies = nullptr;

class RealProxyTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        if (!gProxies) gProxies = new Proxies;
    }
    static void TearDownTestSuite() {
        delete gProxies;
        gProxies = nullptr;
    }
    Proxies& P() { return *gProxies; }
    uint16_t TargetPort() { return P().target.port(); }
};

#define SKIP_UNLESS(error)                             \
    do {                                               \
        if (!(error).empty()) GTEST_SKIP() << (error); \
    } while (0)

TEST_F(RealProxyTest, DanteSocks5WithPassword) {
    SKIP_UNLESS(P().Dante());
    CCommSocket socket;
    ASSERT_TRUE(socket.ConnectVia("127.0.0.1", TargetPort(), CProxySocket::kProxySocks5,
                                  "127.0.0.1", P().danteAuthPort, kSocksUser, kSocksPassword, 10))
        << socket.GetProxyError();
    ReachesGameServer(socket, P().target);
}

TEST_F(RealProxyTest, DanteSocks5ResolvesANameOnlyItKnows) {
    SKIP_UNLESS(P().Dante());
    if (!testing::PrivateMountsWork()) GTEST_SKIP() << "unshare --mount is not permitted here";
    CCommSocket socket;
    ASSERT_TRUE(socket.ConnectVia(kProxyOnlyName, TargetPort(), CProxySocket::kProxySocks5,
                                  "127.0.0.1", P().danteAuthPort, kSocksUser, kSocksPassword, 10))
        << socket.GetProxyError();
    ReachesGameServer(socket, P().target);
}

TEST_F(RealProxyTest, DanteRefusesAWrongPassword) {
    SKIP_UNLESS(P().Dante());
    CCommSocket socket;
    EXPECT_FALSE(socket.ConnectVia("127.0.0.1", TargetPort(), CProxySocket::kProxySocks5,
                                   "127.0.0.1", P().danteAuthPort, kSocksUser, "wrong", 10));
    EXPECT_EQ(socket.GetProxyError(), CProxySocket::kErrorSocks5Auth);
    EXPECT_EQ(socket.Handle(), platform::INVALID_SOCKET);
}

TEST_F(RealProxyTest, DanteRefusesNoCredentials) {
    SKIP_UNLESS(P().Dante());
    CCommSocket socket;
    EXPECT_FALSE(socket.ConnectVia("127.0.0.1", TargetPort(), CProxySocket::kProxySocks5,
                                   "127.0.0.1", P().danteAuthPort, "", "", 10));
    EXPECT_EQ(socket.GetProxyError(), CProxySocket::kErrorSocks5Method);
}

TEST_F(RealProxyTest, DanteSocks4) {
    SKIP_UNLESS(P().Dante());
    CCommSocket socket;
    ASSERT_TRUE(socket.ConnectVia("127.0.0.1", TargetPort(), CProxySocket::kProxySocks4,
                                  "127.0.0.1", P().danteNonePort, "", "", 10))
        << socket.GetProxyError();
    ReachesGameServer(socket, P().target);
}

TEST_F(RealProxyTest, DanteSocks5WithoutAuthorization) {
    SKIP_UNLESS(P().Dante());
    CCommSocket socket;
    ASSERT_TRUE(socket.ConnectVia("127.0.0.1", TargetPort(), CProxySocket::kProxySocks5,
                                  "127.0.0.1", P().danteNonePort, "", "", 10))
        << socket.GetProxyError();
    ReachesGameServer(socket, P().target);
}

TEST_F(RealProxyTest, TinyproxyConnectWithBasicAuthorization) {
    SKIP_UNLESS(P().Tinyproxy());
    CCommSocket socket;
    ASSERT_TRUE(socket.ConnectVia("127.0.0.1", TargetPort(), CProxySocket::kProxyHttp, "127.0.0.1",
                                  P().tinyproxyPort, "qevo", "secret-9", 10))
        << socket.GetProxyError();
    ReachesGameServer(socket, P().target);
}

TEST_F(RealProxyTest, TinyproxyRefusesMissingOrWrongCredentials) {
    SKIP_UNLESS(P().Tinyproxy());
    for (const char* password : {"", "wrong"}) {
        CCommSocket socket;
        EXPECT_FALSE(socket.ConnectVia("127.0.0.1", TargetPort(), CProxySocket::kProxyHttp,
                                       "127.0.0.1", P().tinyproxyPort, *password ? "qevo" : "",
                                       password, 10));
        EXPECT_EQ(socket.GetProxyError(), CProxySocket::kErrorRequest) << password;
        EXPECT_EQ(socket.Handle(), platform::INVALID_SOCKET);
    }
}

TEST_F(RealProxyTest, SshSocks4aResolvesANameOnlyItKnows) {
    SKIP_UNLESS(P().Ssh());
    if (!P().privateHosts) GTEST_SKIP() << "unshare --mount is not permitted here";
    CCommSocket socket;
    ASSERT_TRUE(socket.ConnectVia(kProxyOnlyName, TargetPort(), CProxySocket::kProxySocks4a,
                                  "127.0.0.1", P().sshPort, "", "", 10))
        << socket.GetProxyError();
    ReachesGameServer(socket, P().target);
}

TEST_F(RealProxyTest, SshSocks4CannotPassTheName) {
    SKIP_UNLESS(P().Ssh());
    CCommSocket socket;
    EXPECT_FALSE(socket.ConnectVia(kProxyOnlyName, TargetPort(), CProxySocket::kProxySocks4,
                                   "127.0.0.1", P().sshPort, "", "", 10));
    EXPECT_EQ(socket.GetProxyError(), CProxySocket::kErrorSocks4NoName);
}

}  // namespace
}  // namespace transport
