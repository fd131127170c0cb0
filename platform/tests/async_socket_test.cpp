#include "platform/async_socket.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
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

// Records every event with the thread it ran on.
class RecordingSocket : public CAsyncSocket {
  public:
    std::vector<long> events;
    std::vector<int> errors;
    std::vector<DWORD> threads;
    std::string received;
    bool readOnEvent = true;

    void Record(long event, int error) {
        events.push_back(event);
        errors.push_back(error);
        threads.push_back(GetCurrentThreadId());
    }
    int Count(long event) const { return int(std::count(events.begin(), events.end(), event)); }

    void OnConnect(int error) override { Record(FD_CONNECT, error); }
    void OnSend(int error) override { Record(FD_WRITE, error); }
    void OnClose(int error) override { Record(FD_CLOSE, error); }
    void OnAccept(int error) override { Record(FD_ACCEPT, error); }
    void OnReceive(int error) override {
        Record(FD_READ, error);
        if (!readOnEvent) return;
        char buf[256];
        const int n = Receive(buf, sizeof(buf));
        if (n > 0) received.append(buf, size_t(n));
    }
};

int ListenLoopback(uint16_t* port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof(local);
    bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof(local));
    listen(fd, 4);
    getsockname(fd, reinterpret_cast<sockaddr*>(&local), &len);
    *port = ntohs(local.sin_port);
    return fd;
}

TEST(AsyncSocketTest, ConnectReportsConnectThenWriteOnTheCreatingThread) {
    uint16_t port = 0;
    const int server = ListenLoopback(&port);
    RecordingSocket s;
    ASSERT_TRUE(s.Create());
    const bool now = s.Connect("127.0.0.1", port);
    EXPECT_TRUE(now || WSAGetLastError() == WSAEWOULDBLOCK);
    ASSERT_TRUE(Pump([&] { return s.Count(FD_WRITE) == 1; }));
    ASSERT_GE(s.events.size(), 2u);
    EXPECT_EQ(s.events[0], FD_CONNECT);
    EXPECT_EQ(s.errors[0], 0);
    EXPECT_EQ(s.events[1], FD_WRITE);
    for (DWORD t : s.threads)
        EXPECT_EQ(t, GetCurrentThreadId());
    close(server);
}

TEST(AsyncSocketTest, ReadEventsUntilThePeerClosesThenOneClose) {
    uint16_t port = 0;
    const int server = ListenLoopback(&port);
    RecordingSocket s;
    ASSERT_TRUE(s.Create());
    s.Connect("127.0.0.1", port);
    const int peer = accept(server, nullptr, nullptr);
    ASSERT_GE(peer, 0);
    ASSERT_EQ(send(peer, "hello", 5, 0), 5);
    ASSERT_TRUE(Pump([&] { return s.received == "hello"; }));
    ASSERT_EQ(send(peer, " world", 6, 0), 6);
    close(peer);
    ASSERT_TRUE(Pump([&] { return s.Count(FD_CLOSE) == 1; }));
    EXPECT_EQ(s.received, "hello world");
    EXPECT_EQ(s.errors.back(), 0);
    // No further events once closed, also when a Receive re-arms the socket.
    char byte;
    EXPECT_EQ(s.Receive(&byte, 1), 0);
    EXPECT_FALSE(Pump([&] { return s.Count(FD_CLOSE) > 1; }, 100));
    close(server);
}

TEST(AsyncSocketTest, ReadEventWaitsForReceiveBeforeTheNext) {
    uint16_t port = 0;
    const int server = ListenLoopback(&port);
    RecordingSocket s;
    s.readOnEvent = false;
    ASSERT_TRUE(s.Create());
    s.Connect("127.0.0.1", port);
    const int peer = accept(server, nullptr, nullptr);
    ASSERT_EQ(send(peer, "ab", 2, 0), 2);
    ASSERT_TRUE(Pump([&] { return s.Count(FD_READ) == 1; }));
    ASSERT_EQ(send(peer, "cd", 2, 0), 2);
    EXPECT_FALSE(Pump([&] { return s.Count(FD_READ) > 1; }, 100));
    char buf[1];
    ASSERT_EQ(s.Receive(buf, 1), 1);
    EXPECT_TRUE(Pump([&] { return s.Count(FD_READ) == 2; }));
    close(peer);
    close(server);
}

TEST(AsyncSocketTest, RefusedConnectionReportsItsError) {
    uint16_t port = 0;
    close(ListenLoopback(&port));
    RecordingSocket s;
    ASSERT_TRUE(s.Create());
    if (!s.Connect("127.0.0.1", port) && WSAGetLastError() != WSAEWOULDBLOCK) {
        EXPECT_EQ(WSAGetLastError(), WSAECONNREFUSED);
        return;
    }
    ASSERT_TRUE(Pump([&] { return s.Count(FD_CONNECT) == 1; }));
    EXPECT_EQ(s.errors[0], WSAECONNREFUSED);
    EXPECT_EQ(s.Count(FD_WRITE), 0);
}

TEST(AsyncSocketTest, UnknownHostFails) {
    CAsyncSocket s;
    ASSERT_TRUE(s.Create());
    EXPECT_FALSE(s.Connect("qevo-nowhere.invalid", 80));
    EXPECT_EQ(WSAGetLastError(), WSAHOST_NOT_FOUND);
}

TEST(AsyncSocketTest, ListenAcceptAndTalk) {
    RecordingSocket listener;
    ASSERT_TRUE(listener.Create(0, SOCK_STREAM, FD_ALL_EVENTS, "127.0.0.1"));
    ASSERT_TRUE(listener.Listen());
    sockaddr_in local{};
    ASSERT_TRUE(listener.GetSockName(local));
    RecordingSocket client;
    ASSERT_TRUE(client.Create());
    client.Connect("127.0.0.1", ntohs(local.sin_port));
    ASSERT_TRUE(
        Pump([&] { return listener.Count(FD_ACCEPT) == 1 && client.Count(FD_WRITE) == 1; }));
    RecordingSocket accepted;
    ASSERT_TRUE(listener.Accept(accepted));
    ASSERT_EQ(client.Send("xyz", 3), 3);
    ASSERT_TRUE(Pump([&] { return accepted.received == "xyz"; }));
    sockaddr_in peer{};
    EXPECT_TRUE(accepted.GetPeerName(peer));
}

TEST(AsyncSocketTest, DetachDropsQueuedEventsAndKeepsTheHandleOpen) {
    uint16_t port = 0;
    const int server = ListenLoopback(&port);
    int fd = -1;
    {
        RecordingSocket s;
        ASSERT_TRUE(s.Create());
        s.Connect("127.0.0.1", port);
        ASSERT_TRUE(Pump([&] { return s.Count(FD_WRITE) == 1; }));
        const int peer = accept(server, nullptr, nullptr);
        ASSERT_EQ(send(peer, "q", 1, 0), 1);
        // Let the read event be queued, then detach before it is dispatched.
        pollfd p{s.Handle(), POLLIN, 0};
        ASSERT_EQ(poll(&p, 1, 5000), 1);
        fd = s.Detach();
        EXPECT_EQ(s.Handle(), INVALID_SOCKET);
        const size_t before = s.events.size();
        Pump([] { return false; }, 50);
        EXPECT_EQ(s.events.size(), before);
        close(peer);
    }
    char c = 0;
    EXPECT_EQ(recv(fd, &c, 1, 0), 1);
    EXPECT_EQ(c, 'q');
    close(fd);
    close(server);
}

TEST(AsyncSocketTest, CloseTwiceAndOperationsOnAClosedSocket) {
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
}

TEST(AsyncSocketTest, ErrnoMapping) {
    EXPECT_EQ(WsaErrorFromErrno(EAGAIN), WSAEWOULDBLOCK);
    EXPECT_EQ(WsaErrorFromErrno(EINPROGRESS), WSAEWOULDBLOCK);
    EXPECT_EQ(WsaErrorFromErrno(ECONNREFUSED), WSAECONNREFUSED);
    EXPECT_EQ(WsaErrorFromErrno(ECONNRESET), WSAECONNRESET);
    EXPECT_EQ(WsaErrorFromErrno(EINVAL), WSAEINVAL);
}

}  // namespace
}  // namespace platform
