#pragma once
// CAsyncSocket: a non-blocking IPv4 TCP socket whose readiness events
// (read, write, out-of-band, accept, connect, close) arrive as calls of its
// On... handlers on the thread that created it, through that thread's
// message queue (a hidden window of that thread). A watcher thread polls the
// socket and posts the events; a thread that pumps its messages (a modal
// wait, a message loop) runs the handlers. Win32 re-enabling rules: after a
// read event the next one comes only once Receive was called; a write event
// comes when the connection stands and again after a Send that would block.
//
// Errors follow Winsock: failing calls answer false or SOCKET_ERROR and
// leave a WSA code in WSAGetLastError() (10035 would-block, 10022 invalid...).
//
// The socket belongs to the thread that created it: Close, Detach and the
// destructor run there.

#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdint>
#include <memory>

#include "platform/win_types.h"

namespace platform {

using SOCKET = int;
constexpr SOCKET INVALID_SOCKET = -1;
constexpr int SOCKET_ERROR = -1;

// Event bits of AsyncSelect.
constexpr long FD_READ = 0x01;
constexpr long FD_WRITE = 0x02;
constexpr long FD_OOB = 0x04;
constexpr long FD_ACCEPT = 0x08;
constexpr long FD_CONNECT = 0x10;
constexpr long FD_CLOSE = 0x20;
constexpr long FD_ALL_EVENTS = FD_READ | FD_WRITE | FD_OOB | FD_ACCEPT | FD_CONNECT | FD_CLOSE;

// The message that carries a socket event to the hidden window (MFC's value).
constexpr UINT WM_SOCKET_NOTIFY = 0x0373;

// Winsock error codes this layer reports.
constexpr int WSAEBADF = 10009;
constexpr int WSAEINVAL = 10022;
constexpr int WSAEWOULDBLOCK = 10035;
constexpr int WSAENOTSOCK = 10038;
constexpr int WSAEADDRINUSE = 10048;
constexpr int WSAENETUNREACH = 10051;
constexpr int WSAECONNABORTED = 10053;
constexpr int WSAECONNRESET = 10054;
constexpr int WSAENOTCONN = 10057;
constexpr int WSAESHUTDOWN = 10058;
constexpr int WSAETIMEDOUT = 10060;
constexpr int WSAECONNREFUSED = 10061;
constexpr int WSAEHOSTUNREACH = 10065;
constexpr int WSAHOST_NOT_FOUND = 11001;

// The calling thread's last socket error.
int WSAGetLastError();
void WSASetLastError(int error);
// The Winsock code of a POSIX errno value.
int WsaErrorFromErrno(int err);

namespace detail {
class SocketWatcher;
class SocketWindow;
}  // namespace detail

class CAsyncSocket {
  public:
    CAsyncSocket();
    virtual ~CAsyncSocket();
    CAsyncSocket(const CAsyncSocket&) = delete;
    CAsyncSocket& operator=(const CAsyncSocket&) = delete;

    // A new non-blocking stream socket bound to `port` (0: any) on `address`
    // (null: any), reporting `events` to the calling thread.
    bool Create(unsigned port = 0, int type = SOCK_STREAM, long events = FD_ALL_EVENTS,
                const char* address = nullptr);
    // Takes over a socket handle (connected or listening), reporting `events`
    // to the calling thread; a connected one reports a write event first.
    bool Attach(SOCKET socket, long events = FD_ALL_EVENTS);
    // Gives the handle up without closing it: no event of it reaches this
    // object any more, not even one already queued.
    SOCKET Detach();
    SOCKET Handle() const { return socket_; }

    // A dotted address or a host name (IPv4). A connection under way answers
    // false with WSAEWOULDBLOCK; its outcome arrives as OnConnect.
    bool Connect(const char* host, unsigned port);
    bool Connect(const sockaddr* address, socklen_t length);
    bool Listen(int backlog = 5);
    // Accepts a pending connection into `peer`, which reports to this thread.
    bool Accept(CAsyncSocket& peer, sockaddr* address = nullptr, socklen_t* length = nullptr);
    bool AsyncSelect(long events = FD_ALL_EVENTS);
    bool GetPeerName(sockaddr_in& address) const;
    bool GetSockName(sockaddr_in& address) const;

    // Safe to call more than once.
    virtual void Close();
    // Byte counts, 0 when the peer has closed, or SOCKET_ERROR.
    virtual int Receive(void* buffer, int length, int flags = 0);
    virtual int Send(const void* buffer, int length, int flags = 0);

    // Event handlers; `error` is 0 or a WSA code.
    virtual void OnReceive(int error);
    virtual void OnSend(int error);
    virtual void OnOutOfBandData(int error);
    virtual void OnAccept(int error);
    virtual void OnConnect(int error);
    virtual void OnClose(int error);

  private:
    friend class detail::SocketWindow;
    bool Start(SOCKET socket, long events, bool connected, bool listening);
    void Stop();
    void Deliver(WPARAM generation, LPARAM event);

    SOCKET socket_ = INVALID_SOCKET;
    uint32_t generation_ = 0;
    std::unique_ptr<detail::SocketWindow> window_;
    std::unique_ptr<detail::SocketWatcher> watcher_;
};

}  // namespace platform
