#include "platform/async_socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/message_queue.h"
#include "platform/thread.h"
#include "platform/window.h"

namespace platform {

namespace {

thread_local int tLastError = 0;
std::atomic<uint32_t> gGeneration{0};

constexpr LPARAM MakeEventParam(long event, int error) {
    return LPARAM((uint32_t(event) & 0xFFFF) | (uint32_t(error) << 16));
}

int SocketError(SOCKET fd) {
    int err = 0;
    socklen_t len = sizeof(err);
    if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0) err = errno;
    return err;
}

bool ResolveIPv4(const char* host, in_addr& out) {
    if (!host) return false;
    if (inet_pton(AF_INET, host, &out) == 1) return true;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host, nullptr, &hints, &found) != 0 || !found) return false;
    out = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
    freeaddrinfo(found);
    return true;
}

}  // namespace

int WSAGetLastError() {
    return tLastError;
}

void WSASetLastError(int error) {
    tLastError = error;
}

int WsaErrorFromErrno(int err) {
    switch (err) {
        case 0:
            return 0;
        case EAGAIN:
        case EINPROGRESS:
        case EALREADY:
            return WSAEWOULDBLOCK;
        case EBADF:
            return WSAEBADF;
        case ENOTSOCK:
            return WSAENOTSOCK;
        case EADDRINUSE:
            return WSAEADDRINUSE;
        case ENETUNREACH:
            return WSAENETUNREACH;
        case ECONNABORTED:
            return WSAECONNABORTED;
        case ECONNRESET:
            return WSAECONNRESET;
        case ENOTCONN:
            return WSAENOTCONN;
        case EPIPE:
            return WSAESHUTDOWN;
        case ETIMEDOUT:
            return WSAETIMEDOUT;
        case ECONNREFUSED:
            return WSAECONNREFUSED;
        case EHOSTUNREACH:
            return WSAEHOSTUNREACH;
        default:
            return WSAEINVAL;
    }
}

namespace detail {

// Polls one socket and posts its events to the owner's window. An event is
// posted once and then disarmed until the owner re-enables it (Receive,
// a blocked Send, Accept), as WSAAsyncSelect does.
class SocketWatcher {
  public:
    SocketWatcher(SOCKET fd, HWND target, WPARAM generation, long events)
        : fd_(fd), target_(target), generation_(generation), selected_(events) {
        wake_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        thread_ = std::thread([this] { Run(); });
    }
    ~SocketWatcher() {
        {
            std::lock_guard lock(mu_);
            stop_ = true;
        }
        Wake();
        thread_.join();
        if (wake_ >= 0) close(wake_);
    }
    SocketWatcher(const SocketWatcher&) = delete;
    SocketWatcher& operator=(const SocketWatcher&) = delete;

    // Starts watching the socket itself (once it connects, listens or stands).
    void Activate(long events) {
        {
            std::lock_guard lock(mu_);
            active_ = true;
            armed_ |= events;
            parked_ = false;
        }
        Wake();
    }
    void Arm(long events) {
        {
            std::lock_guard lock(mu_);
            // The closure is told once: a Receive after it arms nothing more.
            if (ended_) events &= ~(FD_READ | FD_CLOSE | FD_OOB);
            // Receive re-arms on every call; only a change needs the poller.
            if (!parked_ && (armed_ & events) == events) return;
            armed_ |= events;
            parked_ = false;
        }
        Wake();
    }
    void Select(long events) {
        {
            std::lock_guard lock(mu_);
            selected_ = events;
            parked_ = false;
        }
        Wake();
    }

  private:
    void Wake() {
        const uint64_t one = 1;
        if (wake_ >= 0) [[maybe_unused]]
            auto n = write(wake_, &one, sizeof(one));
    }

    void Post(long event, int error) {
        if (selected_ & event)
            PostMessage(target_, WM_SOCKET_NOTIFY, generation_, MakeEventParam(event, error));
    }

    void Run() {
        for (;;) {
            short want = 0;
            {
                std::lock_guard lock(mu_);
                if (stop_) return;
                if (active_ && !parked_) {
                    if (armed_ & (FD_READ | FD_ACCEPT)) want |= POLLIN;
                    if (armed_ & FD_CLOSE) want |= POLLRDHUP;
                    if (armed_ & (FD_WRITE | FD_CONNECT)) want |= POLLOUT;
                    if (armed_ & FD_OOB) want |= POLLPRI;
                }
            }
            pollfd fds[2] = {{wake_, POLLIN, 0}, {fd_, want, 0}};
            // Without armed events the socket is left out, so a hang-up that
            // nobody asked about cannot spin the loop.
            const int n = poll(fds, want ? 2 : 1, -1);
            if (n < 0) {
                if (errno == EINTR) continue;
                return;
            }
            if (fds[0].revents) {
                uint64_t drained = 0;
                [[maybe_unused]] auto r = read(wake_, &drained, sizeof(drained));
            }
            if (want && fds[1].revents) Handle(fds[1].revents);
        }
    }

    void Handle(short revents) {
        std::lock_guard lock(mu_);
        if (stop_) return;
        if (revents & POLLNVAL) {
            armed_ = 0;
            return;
        }
        if ((armed_ & FD_CONNECT) && (revents & (POLLOUT | POLLERR | POLLHUP))) {
            const int err = SocketError(fd_);
            armed_ &= ~FD_CONNECT;
            Post(FD_CONNECT, WsaErrorFromErrno(err));
            if (err == 0) {
                armed_ &= ~FD_WRITE;
                Post(FD_WRITE, 0);
            } else {
                armed_ = 0;
            }
            return;
        }
        if ((armed_ & FD_ACCEPT) && (revents & POLLIN)) {
            armed_ &= ~FD_ACCEPT;
            Post(FD_ACCEPT, 0);
            return;
        }
        bool handled = false;
        if (revents & POLLERR) {
            const int err = SocketError(fd_);
            if (armed_ & FD_CLOSE) Post(FD_CLOSE, WsaErrorFromErrno(err ? err : ECONNRESET));
            armed_ = 0;
            ended_ = true;
            return;
        }
        if ((revents & POLLPRI) && (armed_ & FD_OOB)) {
            armed_ &= ~FD_OOB;
            Post(FD_OOB, 0);
            handled = true;
        }
        if ((revents & POLLOUT) && (armed_ & FD_WRITE)) {
            armed_ &= ~FD_WRITE;
            Post(FD_WRITE, 0);
            handled = true;
        }
        if (revents & (POLLIN | POLLRDHUP | POLLHUP)) {
            char byte = 0;
            const ssize_t got = recv(fd_, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
            if (got > 0) {
                if (armed_ & FD_READ) {
                    armed_ &= ~FD_READ;
                    Post(FD_READ, 0);
                    handled = true;
                }
                // Otherwise the close waits until the owner has read the data.
            } else if (got == 0) {
                if (armed_ & FD_CLOSE) {
                    Post(FD_CLOSE, 0);
                } else if (armed_ & FD_READ) {
                    Post(FD_READ, 0);
                }
                armed_ &= ~(FD_READ | FD_CLOSE | FD_OOB);
                ended_ = true;
                handled = true;
            } else if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
                if (armed_ & FD_CLOSE) Post(FD_CLOSE, WsaErrorFromErrno(errno));
                armed_ = 0;
                ended_ = true;
                return;
            } else {
                handled = true;
            }
        }
        if (!handled) parked_ = true;
    }

    const SOCKET fd_;
    const HWND target_;
    const WPARAM generation_;
    int wake_ = -1;
    std::mutex mu_;
    long selected_;
    long armed_ = 0;
    bool active_ = false;
    bool stop_ = false;
    bool parked_ = false;
    bool ended_ = false;  // the peer closed or the socket failed: told once
    std::thread thread_;
};

class SocketWindow final : public Window {
  public:
    explicit SocketWindow(CAsyncSocket* owner) : owner_(owner) {}
    ~SocketWindow() override { Destroy(); }

  protected:
    LRESULT WindowProc(Message& msg) override {
        if (msg.message == WM_SOCKET_NOTIFY) {
            owner_->Deliver(msg.wParam, msg.lParam);
            return 0;
        }
        return DefWindowProc(msg);
    }

  private:
    CAsyncSocket* owner_;
};

}  // namespace detail

CAsyncSocket::CAsyncSocket() = default;

CAsyncSocket::~CAsyncSocket() {
    Stop();
    if (socket_ != INVALID_SOCKET) ::close(socket_);
    socket_ = INVALID_SOCKET;
}

bool CAsyncSocket::Start(SOCKET socket, long events, bool connected, bool listening) {
    if (!window_ || window_->ThreadId() != GetCurrentThreadId() || !IsWindow(window_->Handle())) {
        window_ = std::make_unique<detail::SocketWindow>(this);
        if (!window_->Create()) {
            window_.reset();
            WSASetLastError(WSAEINVAL);
            return false;
        }
    }
    socket_ = socket;
    generation_ = ++gGeneration;
    watcher_ =
        std::make_unique<detail::SocketWatcher>(socket, window_->Handle(), generation_, events);
    if (listening) {
        watcher_->Activate(FD_ACCEPT);
    } else if (connected) {
        watcher_->Activate(FD_READ | FD_WRITE | FD_OOB | FD_CLOSE);
    }
    return true;
}

void CAsyncSocket::Stop() {
    watcher_.reset();
    generation_ = 0;
}

bool CAsyncSocket::Create(unsigned port, int type, long events, const char* address) {
    if (socket_ != INVALID_SOCKET) {
        WSASetLastError(WSAEINVAL);
        return false;
    }
    const SOCKET fd = ::socket(AF_INET, type | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        WSASetLastError(WsaErrorFromErrno(errno));
        return false;
    }
    if (port != 0 || (address && *address)) {
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_port = htons(uint16_t(port));
        if (address && *address && !ResolveIPv4(address, local.sin_addr)) {
            ::close(fd);
            WSASetLastError(WSAEINVAL);
            return false;
        }
        if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof(local)) != 0) {
            WSASetLastError(WsaErrorFromErrno(errno));
            ::close(fd);
            return false;
        }
    }
    if (!Start(fd, events, false, false)) {
        ::close(fd);
        socket_ = INVALID_SOCKET;
        return false;
    }
    return true;
}

bool CAsyncSocket::Attach(SOCKET socket, long events) {
    if (socket_ != INVALID_SOCKET || socket < 0) {
        WSASetLastError(WSAEINVAL);
        return false;
    }
    const int flags = fcntl(socket, F_GETFL);
    if (flags < 0 || fcntl(socket, F_SETFL, flags | O_NONBLOCK) != 0) {
        WSASetLastError(WSAENOTSOCK);
        return false;
    }
    int listening = 0;
    socklen_t len = sizeof(listening);
    getsockopt(socket, SOL_SOCKET, SO_ACCEPTCONN, &listening, &len);
    sockaddr_in peer{};
    socklen_t peerLen = sizeof(peer);
    const bool connected = getpeername(socket, reinterpret_cast<sockaddr*>(&peer), &peerLen) == 0;
    return Start(socket, events, connected, listening != 0);
}

SOCKET CAsyncSocket::Detach() {
    Stop();
    const SOCKET fd = socket_;
    socket_ = INVALID_SOCKET;
    return fd;
}

bool CAsyncSocket::Connect(const char* host, unsigned port) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(uint16_t(port));
    if (!ResolveIPv4(host, to.sin_addr)) {
        WSASetLastError(WSAHOST_NOT_FOUND);
        return false;
    }
    return Connect(reinterpret_cast<const sockaddr*>(&to), sizeof(to));
}

bool CAsyncSocket::Connect(const sockaddr* address, socklen_t length) {
    if (socket_ == INVALID_SOCKET || !watcher_) {
        WSASetLastError(WSAENOTSOCK);
        return false;
    }
    const int rc = ::connect(socket_, address, length);
    if (rc != 0 && errno != EINPROGRESS) {
        WSASetLastError(WsaErrorFromErrno(errno));
        return false;
    }
    // Even a connection made at once is reported as connect and write events.
    watcher_->Activate(FD_CONNECT | FD_WRITE | FD_READ | FD_OOB | FD_CLOSE);
    if (rc != 0) {
        WSASetLastError(WSAEWOULDBLOCK);
        return false;
    }
    return true;
}

bool CAsyncSocket::Listen(int backlog) {
    if (socket_ == INVALID_SOCKET || !watcher_) {
        WSASetLastError(WSAENOTSOCK);
        return false;
    }
    if (::listen(socket_, backlog) != 0) {
        WSASetLastError(WsaErrorFromErrno(errno));
        return false;
    }
    watcher_->Activate(FD_ACCEPT);
    return true;
}

bool CAsyncSocket::Accept(CAsyncSocket& peer, sockaddr* address, socklen_t* length) {
    if (socket_ == INVALID_SOCKET || !watcher_) {
        WSASetLastError(WSAENOTSOCK);
        return false;
    }
    const SOCKET fd = ::accept4(socket_, address, length, SOCK_NONBLOCK | SOCK_CLOEXEC);
    const int err = errno;
    watcher_->Arm(FD_ACCEPT);
    if (fd < 0) {
        WSASetLastError(WsaErrorFromErrno(err));
        return false;
    }
    if (!peer.Attach(fd)) {
        ::close(fd);
        return false;
    }
    return true;
}

bool CAsyncSocket::AsyncSelect(long events) {
    if (!watcher_) {
        WSASetLastError(WSAENOTSOCK);
        return false;
    }
    watcher_->Select(events);
    return true;
}

bool CAsyncSocket::GetPeerName(sockaddr_in& address) const {
    socklen_t len = sizeof(address);
    if (getpeername(socket_, reinterpret_cast<sockaddr*>(&address), &len) != 0) {
        WSASetLastError(WsaErrorFromErrno(errno));
        return false;
    }
    return true;
}

bool CAsyncSocket::GetSockName(sockaddr_in& address) const {
    socklen_t len = sizeof(address);
    if (getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &len) != 0) {
        WSASetLastError(WsaErrorFromErrno(errno));
        return false;
    }
    return true;
}

void CAsyncSocket::Close() {
    Stop();
    if (socket_ != INVALID_SOCKET) ::close(socket_);
    socket_ = INVALID_SOCKET;
}

int CAsyncSocket::Receive(void* buffer, int length, int flags) {
    if (socket_ == INVALID_SOCKET) {
        WSASetLastError(WSAENOTSOCK);
        return SOCKET_ERROR;
    }
    const ssize_t n =
        ::recv(socket_, buffer, size_t(length < 0 ? 0 : length), flags | MSG_DONTWAIT);
    const int err = errno;
    if (watcher_) watcher_->Arm(FD_READ | FD_CLOSE);
    if (n < 0) {
        WSASetLastError(WsaErrorFromErrno(err));
        return SOCKET_ERROR;
    }
    return int(n);
}

int CAsyncSocket::Send(const void* buffer, int length, int flags) {
    if (socket_ == INVALID_SOCKET) {
        WSASetLastError(WSAENOTSOCK);
        return SOCKET_ERROR;
    }
    const ssize_t n = ::send(socket_, buffer, size_t(length < 0 ? 0 : length),
                             flags | MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0) {
        const int err = errno;
        if ((err == EAGAIN || err == EWOULDBLOCK) && watcher_) watcher_->Arm(FD_WRITE);
        WSASetLastError(WsaErrorFromErrno(err));
        return SOCKET_ERROR;
    }
    return int(n);
}

void CAsyncSocket::Deliver(WPARAM generation, LPARAM event) {
    // Events of a closed, detached or re-created socket are stale.
    if (generation == 0 || generation != generation_ || socket_ == INVALID_SOCKET) return;
    const long what = long(uint32_t(event) & 0xFFFF);
    const int error = int((uint32_t(event) >> 16) & 0xFFFF);
    switch (what) {
        case FD_READ:
            OnReceive(error);
            break;
        case FD_WRITE:
            OnSend(error);
            break;
        case FD_OOB:
            OnOutOfBandData(error);
            break;
        case FD_ACCEPT:
            OnAccept(error);
            break;
        case FD_CONNECT:
            OnConnect(error);
            break;
        case FD_CLOSE:
            OnClose(error);
            break;
        default:
            break;
    }
}

void CAsyncSocket::OnReceive(int) {}
void CAsyncSocket::OnSend(int) {}
void CAsyncSocket::OnOutOfBandData(int) {}
void CAsyncSocket::OnAccept(int) {}
void CAsyncSocket::OnConnect(int) {}
void CAsyncSocket::OnClose(int) {}

}  // namespace platform
