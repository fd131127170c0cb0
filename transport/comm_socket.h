#pragma once
// CCommSocket: the proxy socket of the server session. ConnectVia connects
// through the configured proxy and blocks, pumping the calling thread's
// messages (which run the negotiation), until the tunnel stands, the
// negotiation fails or the time-out passes. The session then takes the
// handle over with Detach() for its transport.

#include "platform/sync.h"
#include "transport/proxy_socket.h"

namespace transport {

class CCommSocket : public CProxySocket {
  public:
    CCommSocket();
    ~CCommSocket() override;

    // Counts write events; the one that reports the tunnel ends ConnectVia's wait.
    void OnSend(int error) override;
    // A failed connection to the proxy or a close during the wait end it too.
    void OnConnect(int error) override;
    void OnClose(int error) override;
    void OnProxyFailed(int state) override;
    void OnProxyBound(uint32_t address, uint16_t port) override;

    // type: 0 direct, 1 SOCKS4, 2 SOCKS4A, 3 SOCKS5, 4 HTTP CONNECT. A user
    // text turns authorization on for types 3 and 4. True when the tunnel
    // (or with type 0 the direct connection) stands within `seconds`; on
    // false the socket is closed.
    virtual bool ConnectVia(const char* host, unsigned port, uint32_t type, const char* proxyHost,
                            unsigned proxyPort, const char* user, const char* password,
                            unsigned seconds);

  private:
    void EndWait(bool failed);

    platform::Event event_{false, false};
    int sendCount_ = 0;
    int sendsNeeded_ = 2;
    bool waiting_ = false;
    bool failed_ = false;
};

}  // namespace transport
