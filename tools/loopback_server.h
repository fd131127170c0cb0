#pragma once
// What the loopback servers of tools/ share: a listening socket on
// 127.0.0.1, and the program's wait for SIGINT or SIGTERM.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>

namespace tools {

// A socket listening on 127.0.0.1:port (0: a free one, which `port` then
// names); -1 when that fails.
inline int ListenOnLoopback(uint16_t& port, int backlog) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(port);
    socklen_t len = sizeof addr;
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        listen(fd, backlog) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        close(fd);
        return -1;
    }
    port = ntohs(addr.sin_port);
    return fd;
}

// SIGINT and SIGTERM are blocked in the calling thread and the threads it
// starts afterwards, so that the one that waits takes them.
inline sigset_t BlockStopSignals() {
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);
    return stop;
}

inline void WaitForStopSignal(const sigset_t& stop) {
    int signal = 0;
    sigwait(&stop, &signal);
}

}  // namespace tools
