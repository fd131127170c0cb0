#include "platform/async_socket.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "platform/message_queue.h"
#include "platform/thread.h"

namespace platform {
namespace {

// Pumps this thread's messages until `done` or a real-time bound (loopback
// traffic, not a timer, is what the tests wait for).
template <class Done>
bool Pump(Done done, int timeoutMs = 5000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        Message msg;
        while (PeekMessage(msg, {}, 0, 0, PM_REMOVE))
            DispatchMessage(msg);
        if (done()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        MsgWaitForMultipleObjects({}, 20);
    }
}

// Records every event and the thread it ran on; reads what arrives, and reads
// the rest once more when closed, as many owners do.
class RecordingSocket : public CAsyncSocket {
  public:
    std::vector<long> events;
    std::vector<int> errors;
    std::string received;
    bool readOnEvent = true;
    bool elsewhere = false;  // an event ran on another thread

    void Record(long event, int error) {
        events.push_back(event);
        errors.push_back(error);
        elsewhere |= GetCurrentThreadId() != creator;
    }
    int Count(long event) const { return int(std::count(events.begin(), events.end(), event)); }
    void Read() {
        char buf[256];
        const int n = Receive(buf, sizeof(buf));
        if (n > 0) received.append(buf, size_t(n));
    }
    void OnConnect(int error) override { Record(FD_CONNECT, error); }
    void OnSend(int error) override { Record(FD_WRITE, error); }
    void OnAccept(int error) override { Record(FD_ACCEPT, error); }
    void OnClose(int error) override {
        Record(FD_CLOSE, error);
        Read();
    }
    void OnReceive(int error) override {
        Record(FD_READ, error);
        if (readOnEvent) Read();
    }
    const DWORD creator = GetCurrentThreadId();
};

// A listening loopback socket and a RecordingSocket connected to it.
struct Loopback {
    int server = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    uint16_t port = 0;
    RecordingSocket client;
    Loopback(bool connect = true) {
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof(local);
        bind(server, reinterpret_cast<sockaddr*>(&local), sizeof(local));
        listen(server, 4);
        getsockname(server, reinterpret_cast<sockaddr*>(&local), &len);
        port = ntohs(local.sin_port);
        EXPECT_TRUE(client.Create());
        if (!connect) return;
        EXPECT_TRUE(client.Connect("127.0.0.1", port) || WSAGetLastError() == WSAEWOULDBLOCK);
    }
    ~Loopback() { close(server); }
    int Accept() { return accept(server, nullptr, nullptr); }
};

TEST(AsyncSocketTest, ConnectThenWriteThenReadsUntilOneCloseAllOnTheCreatingThread) {
    Loopback net;
    ASSERT_TRUE(Pump([&] { return net.client.Count(FD_WRITE) == 1; }));
    const int peer = net.Accept();
    ASSERT_EQ(send(peer, "hello", 5, 0), 5);
    ASSERT_TRUE(Pump([&] { return net.client.received == "hello"; }));
    ASSERT_EQ(send(peer, " world", 6, 0), 6);
    close(peer);
    ASSERT_TRUE(Pump([&] { return net.client.Count(FD_CLOSE) > 0; }));
    // The Receive in OnClose re-arms nothing: no second close, no read.
    const size_t seen = net.client.events.size();
    EXPECT_FALSE(Pump([&] { return net.client.events.size() > seen; }, 100));
    EXPECT_EQ(net.client.Count(FD_CLOSE), 1);
    EXPECT_EQ(net.client.received, "hello world");
    EXPECT_EQ(net.client.events[0], FD_CONNECT);
    EXPECT_EQ(net.client.events[1], FD_WRITE);
    EXPECT_EQ(net.client.errors, std::vector<int>(net.client.events.size(), 0));
    EXPECT_FALSE(net.client.elsewhere);
}

TEST(AsyncSocketTest, ReadEventWaitsForReceiveBeforeTheNext) {
    Loopback net;
    net.client.readOnEvent = false;
    const int peer = net.Accept();
    ASSERT_EQ(send(peer, "ab", 2, 0), 2);
    ASSERT_TRUE(Pump([&] { return net.client.Count(FD_READ) == 1; }));
    ASSERT_EQ(send(peer, "cd", 2, 0), 2);
    EXPECT_FALSE(Pump([&] { return net.client.Count(FD_READ) > 1; }, 100));
    char buf[1];
    ASSERT_EQ(net.client.Receive(buf, 1), 1);
    EXPECT_TRUE(Pump([&] { return net.client.Count(FD_READ) == 2; }));
    close(peer);
}

TEST(AsyncSocketTest, ListenAcceptAndTalk) {
    RecordingSocket listener, client, accepted;
    ASSERT_TRUE(listener.Create(0, SOCK_STREAM, FD_ALL_EVENTS, "127.0.0.1"));
    ASSERT_TRUE(listener.Listen());
    sockaddr_in local{}, peer{};
    ASSERT_TRUE(listener.GetSockName(local));
    ASSERT_TRUE(client.Create());
    client.Connect("127.0.0.1", ntohs(local.sin_port));
    ASSERT_TRUE(
        Pump([&] { return listener.Count(FD_ACCEPT) == 1 && client.Count(FD_WRITE) == 1; }));
    ASSERT_TRUE(listener.Accept(accepted));
    ASSERT_EQ(client.Send("xyz", 3), 3);
    ASSERT_TRUE(Pump([&] { return accepted.received == "xyz"; }));
    EXPECT_TRUE(accepted.GetPeerName(peer));
    EXPECT_EQ(peer.sin_addr.s_addr, htonl(INADDR_LOOPBACK));
}

TEST(AsyncSocketTest, ClosedSocketRefusesEveryCallAndErrnoMapsToWinsockCodes) {
    CAsyncSocket s;
    ASSERT_TRUE(s.Create());
    s.Close();
    s.Close();
    char buf[1];
    EXPECT_EQ(s.Receive(buf, 1), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
    EXPECT_EQ(s.Send(buf, 1), SOCKET_ERROR);
    EXPECT_FALSE(s.Connect("127.0.0.1", 1));
    EXPECT_EQ(s.Detach(), INVALID_SOCKET);
    const int errs[] = {EAGAIN, EINPROGRESS, ECONNREFUSED, ECONNRESET, EPIPE, EINVAL, 0};
    const int codes[] = {10035, 10035, 10061, 10054, 10058, 10022, 0};
    for (size_t i = 0; i < 7; ++i)
        EXPECT_EQ(WsaErrorFromErrno(errs[i]), codes[i]) << errs[i];
}

}  // namespace
}  // namespace platform
