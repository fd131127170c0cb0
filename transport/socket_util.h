#pragma once
// Socket helpers of the transport: address resolution and whether a socket
// is still connected.

#include <netinet/in.h>

namespace transport {

// IPv4 only. An empty or null host gives INADDR_ANY; else a dotted address,
// else a name lookup (first address). An unresolvable name sets errno to
// EINVAL and fails. The port is stored in network order.
bool ResolveAddress(const char* host, int port, sockaddr_in* address);

// Seconds the socket has been connected, as far as known: 0 for a connected
// socket (the kernel keeps no connection age), -1 for -1 or 0, a socket that
// is not connected, or one whose connection was reset or has ended.
int GetConnectTime(int socket);
bool IsSocketConnected(int socket);

}  // namespace transport
