// A proxy's replies from an untrusted peer, read by CProxySocket itself over
// loopback. Byte 0 picks the proxy type (low 2 bits) and authorization
// (bit 4); the rest is what the proxy sends before it stops writing.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <cstdint>

#include "platform/message_queue.h"
#include "transport/proxy_socket.h"

namespace {

int Listener(uint16_t* port) {
    static int fd = -1;
    static uint16_t bound = 0;
    if (fd < 0) {
        fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof(local);
        bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof(local));
        listen(fd, 16);
        getsockname(fd, reinterpret_cast<sockaddr*>(&local), &len);
        bound = ntohs(local.sin_port);
    }
    *port = bound;
    return fd;
}

// Notes the end of the negotiation either way.
class WatchedSocket : public transport::CProxySocket {
  public:
    void OnSend(int error) override {
        CProxySocket::OnSend(error);
        if (++sends == 2) ended = true;
    }
    void OnProxyFailed(int) override { ended = true; }
    void OnConnect(int error) override {
        CProxySocket::OnConnect(error);
        if (error != 0) ended = true;
    }
    int sends = 0;
    bool ended = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 4096) return 0;
    uint16_t port = 0;
    const int listener = Listener(&port);
    if (listener < 0) return 0;
    const uint32_t type = 1 + (data[0] & 3);
    WatchedSocket socket;
    if (data[0] & 0x10) {
        socket.SetProxyAuth(type, "127.0.0.1", port, "user", "password");
    } else {
        socket.SetProxy(type, "127.0.0.1", port);
    }
    if (!socket.Create() || !socket.ConnectHost("10.0.0.5", 31201)) return 0;
    const int peer = accept(listener, nullptr, nullptr);
    if (peer < 0) return 0;
    if (size > 1) [[maybe_unused]]
        auto n = send(peer, data + 1, size - 1, MSG_NOSIGNAL);
    shutdown(peer, SHUT_WR);
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (std::chrono::steady_clock::now() < giveUp) {
        platform::Message msg;
        while (platform::PeekMessage(msg, {}, 0, 0, platform::PM_REMOVE))
            platform::DispatchMessage(msg);
        if (socket.ended || socket.Handle() == platform::INVALID_SOCKET) break;
        platform::MsgWaitForMultipleObjects({}, 5);
    }
    close(peer);
    return 0;
}
