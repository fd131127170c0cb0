#pragma once
// CProxySocket: an asynchronous socket that reaches its peer through a proxy
// (SOCKS4, SOCKS4A, SOCKS5 with optional username/password, or HTTP CONNECT
// with optional Basic authorization). The negotiation runs inside the
// socket's own event handlers; the finished tunnel is reported to the
// subclass as a write event (OnSend(0)), a failure as OnProxyFailed after
// the socket was closed. While a negotiation is under way Send and Receive
// refuse with would-block, so no user data mixes into it.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/async_socket.h"

namespace transport {

class CProxySocket : public platform::CAsyncSocket {
  public:
    enum ProxyType : uint32_t {
        kProxyDirect = 0,
        kProxySocks4 = 1,
        kProxySocks4a = 2,
        kProxySocks5 = 3,
        kProxyHttp = 4,
    };
    // Last-error codes of a negotiation.
    enum ProxyError : int {
        kErrorNone = 0,
        kErrorConnectProxy = 1,   // connecting to the proxy failed at once
        kErrorRequest = 2,        // request not sent whole, reply unreadable or refused
        kErrorSocks5Method = 3,   // method reply not version 5, or nothing acceptable
        kErrorSocks5Unknown = 4,  // a method other than none and username/password
        kErrorSocks5Auth = 5,     // authorization refused or not sendable
        kErrorSocks5NoAuth = 6,   // authorization asked for and none configured
        kErrorSocks4NoName = 7,   // SOCKS4 cannot pass an unresolved host name
    };
    enum State : int { kStateIdle = 0, kStateConnecting = 1, kStateBinding = 2 };

    // The longest HTTP reply header taken before the proxy counts as broken.
    static constexpr size_t kMaxHttpHeader = 8192;

    CProxySocket() = default;
    ~CProxySocket() override;

    void Close() override;
    int Receive(void* buffer, int length, int flags = 0) override;
    int Send(const void* buffer, int length, int flags = 0) override;
    void OnReceive(int error) override;
    void OnConnect(int error) override;
    // A proxy that drops the connection during the negotiation has failed it.
    void OnClose(int error) override;

    // Without a proxy the plain connect; with one: connects to the proxy and
    // remembers the target. True when the connection is made or under way.
    virtual bool ConnectAddr(const sockaddr* address, socklen_t length);
    virtual bool ConnectHost(const char* host, unsigned port);
    // With a proxy set, hands this socket's handle to `socket` (the peer the
    // proxy bound for us); else the plain accept.
    virtual bool Accept(platform::CAsyncSocket& socket);
    // Asks the proxy to listen for a connection from `address` (IPv4, network order).
    virtual bool BindViaProxy(uint32_t address);
    virtual bool Listen();
    // After every negotiation failure, once the socket is closed.
    virtual void OnProxyFailed(int state);
    // The address (network order) and port (host order) the proxy listens on.
    virtual void OnProxyBound(uint32_t address, uint16_t port);

    void SetProxyType(uint32_t type);
    void SetProxy(uint32_t type, const char* host, unsigned port);
    void SetProxyAuth(uint32_t type, const char* host, unsigned port, const char* user,
                      const char* password);

    int GetProxyError() const { return lastError_; }
    int GetStep() const { return step_; }
    int GetState() const { return state_; }
    uint32_t GetProxyType() const { return proxyType_; }

  private:
    enum class ReadResult { kDone, kPending, kFailed };

    bool ConnectToProxy();
    void Fail(int code);
    bool SendWhole(const std::vector<uint8_t>& bytes);
    void ClearReply();
    ReadResult ReadReply(size_t size);
    void SendFirstRequest();
    bool SendSocks5Connect();
    void TunnelReady();
    void ReadReplies();
    void ReceiveSocks4();
    void ReceiveSocks5();
    void ReceiveHttp();

    std::string targetHost_;
    std::vector<uint8_t> reply_;
    size_t replySize_ = 0;
    size_t replyGot_ = 0;
    std::string replyText_;
    int step_ = 0;
    int state_ = kStateIdle;
    uint16_t targetPort_ = 0;     // network order
    uint32_t targetAddress_ = 0;  // network order; 0: the proxy resolves targetHost_
    int lastError_ = kErrorNone;
    uint32_t proxyType_ = kProxyDirect;
    std::string proxyHost_;
    uint32_t proxyPort_ = 0;
    std::string user_;
    std::string password_;
    bool auth_ = false;
};

}  // namespace transport
