#include "transport/socket_util.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

namespace transport {

bool ResolveAddress(const char* host, int port, sockaddr_in* address) {
    std::memset(address, 0, sizeof *address);
    address->sin_family = AF_INET;
    address->sin_port = htons(uint16_t(port));
    if (!host || !*host) {
        address->sin_addr.s_addr = htonl(INADDR_ANY);
        return true;
    }
    if (inet_aton(host, &address->sin_addr) != 0) return true;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host, nullptr, &hints, &found) != 0 || !found) {
        errno = EINVAL;
        return false;
    }
    address->sin_addr = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
    freeaddrinfo(found);
    return true;
}

int GetConnectTime(int socket) {
    if (socket == -1 || socket == 0) return -1;
    tcp_info info{};
    socklen_t len = sizeof info;
    if (getsockopt(socket, IPPROTO_TCP, TCP_INFO, &info, &len) != 0) return -1;
    switch (info.tcpi_state) {
        case TCP_ESTABLISHED:
        case TCP_CLOSE_WAIT:  // the peer finished sending; we still may
            return 0;
        default:
            return -1;
    }
}

bool IsSocketConnected(int socket) {
    return GetConnectTime(socket) != -1;
}

}  // namespace transport
