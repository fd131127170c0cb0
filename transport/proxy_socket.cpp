#include "transport/proxy_socket.h"

#include <arpa/inet.h>

#include <cstring>

#include "transport/proxy_protocol.h"
#include "transport/socket_util.h"

namespace transport {

using platform::CAsyncSocket;
using platform::WSAEWOULDBLOCK;

namespace {

std::string DottedAddress(uint32_t addressNet) {
    char text[INET_ADDRSTRLEN] = {};
    in_addr addr{};
    addr.s_addr = addressNet;
    inet_ntop(AF_INET, &addr, text, sizeof(text));
    return text;
}

}  // namespace

CProxySocket::~CProxySocket() = default;

void CProxySocket::SetProxyType(uint32_t type) {
    proxyType_ = type;
}

void CProxySocket::SetProxy(uint32_t type, const char* host, unsigned port) {
    proxyType_ = type;
    proxyHost_ = host ? host : "";
    proxyPort_ = port;
    auth_ = false;
}

void CProxySocket::SetProxyAuth(uint32_t type, const char* host, unsigned port, const char* user,
                                const char* password) {
    SetProxy(type, host, port);
    user_ = user ? user : "";
    password_ = password ? password : "";
    auth_ = true;
}

void CProxySocket::ClearReply() {
    reply_.clear();
    replySize_ = 0;
    replyGot_ = 0;
    replyText_.clear();
}

void CProxySocket::Close() {
    ClearReply();
    step_ = 0;
    state_ = kStateIdle;
    CAsyncSocket::Close();
}

int CProxySocket::Receive(void* buffer, int length, int flags) {
    if (state_ != kStateIdle) {
        platform::WSASetLastError(WSAEWOULDBLOCK);
        return platform::SOCKET_ERROR;
    }
    lastError_ = kErrorNone;
    return CAsyncSocket::Receive(buffer, length, flags);
}

int CProxySocket::Send(const void* buffer, int length, int flags) {
    if (state_ != kStateIdle) {
        platform::WSASetLastError(WSAEWOULDBLOCK);
        return platform::SOCKET_ERROR;
    }
    lastError_ = kErrorNone;
    return CAsyncSocket::Send(buffer, length, flags);
}

bool CProxySocket::ConnectToProxy() {
    if (CAsyncSocket::Connect(proxyHost_.c_str(), proxyPort_)) return true;
    if (platform::WSAGetLastError() == WSAEWOULDBLOCK) return true;
    lastError_ = kErrorConnectProxy;
    return false;
}

bool CProxySocket::ConnectAddr(const sockaddr* address, socklen_t length) {
    if (proxyType_ == kProxyDirect) {
        return CAsyncSocket::Connect(address, length) ||
               platform::WSAGetLastError() == WSAEWOULDBLOCK;
    }
    if (!address || address->sa_family != AF_INET || length < socklen_t(sizeof(sockaddr_in))) {
        platform::WSASetLastError(platform::WSAEINVAL);
        return false;
    }
    if (!ConnectToProxy()) return false;
    const auto* in = reinterpret_cast<const sockaddr_in*>(address);
    targetAddress_ = in->sin_addr.s_addr;
    targetPort_ = in->sin_port;
    targetHost_.clear();
    step_ = 0;
    state_ = kStateConnecting;
    return true;
}

bool CProxySocket::ConnectHost(const char* host, unsigned port) {
    lastError_ = kErrorNone;
    if (proxyType_ == kProxyDirect) {
        return CAsyncSocket::Connect(host, port) || platform::WSAGetLastError() == WSAEWOULDBLOCK;
    }
    sockaddr_in to{};
    if (host && *host && ResolveAddress(host, int(port), &to) && to.sin_addr.s_addr != 0) {
        if (!ConnectAddr(reinterpret_cast<const sockaddr*>(&to), sizeof(to))) return false;
        targetHost_ = host;
        return true;
    }
    if (proxyType_ == kProxySocks4) {
        lastError_ = kErrorSocks4NoName;
        platform::WSASetLastError(platform::WSAEINVAL);
        return false;
    }
    if (!ConnectToProxy()) return false;
    targetPort_ = htons(uint16_t(port));
    targetAddress_ = 0;
    targetHost_ = host ? host : "";
    step_ = 0;
    state_ = kStateConnecting;
    return true;
}

bool CProxySocket::Accept(CAsyncSocket& socket) {
    if (proxyType_ != kProxyDirect) {
        // The connection the proxy bound for us is this very socket.
        const platform::SOCKET handle = Detach();
        if (handle == platform::INVALID_SOCKET) return false;
        return socket.Attach(handle);
    }
    return CAsyncSocket::Accept(socket);
}

bool CProxySocket::BindViaProxy(uint32_t address) {
    lastError_ = kErrorNone;
    if (!ConnectToProxy()) return false;
    targetAddress_ = address;
    targetPort_ = 0;
    targetHost_.clear();
    step_ = 0;
    state_ = kStateBinding;
    return true;
}

bool CProxySocket::Listen() {
    lastError_ = kErrorNone;
    return CAsyncSocket::Listen(5);
}

void CProxySocket::OnProxyFailed(int) {}

void CProxySocket::OnProxyBound(uint32_t, uint16_t) {}

void CProxySocket::Fail(int code) {
    const int state = state_;
    lastError_ = code;
    Close();
    OnProxyFailed(state);
}

bool CProxySocket::SendWhole(const std::vector<uint8_t>& bytes) {
    return CAsyncSocket::Send(bytes.data(), int(bytes.size())) == int(bytes.size());
}

void CProxySocket::OnConnect(int error) {
    lastError_ = kErrorNone;
    CAsyncSocket::OnConnect(error);
    if (error != 0) {
        step_ = 0;
        state_ = kStateIdle;
        return;
    }
    if ((state_ != kStateConnecting && state_ != kStateBinding) || step_ != 0) return;
    ClearReply();
    SendFirstRequest();
}

void CProxySocket::OnClose(int error) {
    CAsyncSocket::OnClose(error);
    if (state_ == kStateIdle) return;
    // What is left of the reply is read as usual, so a cut reply fails with
    // its own step's code; a reply that is whole still completes.
    if (step_ != 0) ReadReplies();
    if (state_ != kStateIdle) Fail(kErrorRequest);
}

void CProxySocket::SendFirstRequest() {
    const bool bind = state_ == kStateBinding;
    std::optional<ProxyBytes> request;
    switch (proxyType_) {
        case kProxySocks4:
        case kProxySocks4a:
            request = Socks4Request(bind, targetPort_, targetAddress_, targetHost_);
            break;
        case kProxySocks5:
            request = Socks5MethodRequest(auth_);
            break;
        case kProxyHttp: {
            // Without a host text (a bare address) the dotted address names the target.
            const std::string host =
                targetHost_.empty() ? DottedAddress(targetAddress_) : targetHost_;
            if (auto text = HttpConnectRequest(host, ntohs(targetPort_), auth_, user_, password_))
                request = ProxyBytes(text->begin(), text->end());
            break;
        }
        default:
            break;
    }
    if (!request || !SendWhole(*request)) {
        Fail(kErrorRequest);
        return;
    }
    step_ = 1;
}

CProxySocket::ReadResult CProxySocket::ReadReply(size_t size) {
    if (reply_.size() < size) reply_.resize(size);
    replySize_ = size;
    while (replyGot_ < replySize_) {
        const int n = CAsyncSocket::Receive(reply_.data() + replyGot_, int(replySize_ - replyGot_));
        if (n > 0) {
            replyGot_ += size_t(n);
        } else if (n < 0 && platform::WSAGetLastError() == WSAEWOULDBLOCK) {
            return ReadResult::kPending;
        } else {
            // An error, or the proxy closed in the middle of its reply.
            return ReadResult::kFailed;
        }
    }
    return ReadResult::kDone;
}

void CProxySocket::TunnelReady() {
    ClearReply();
    step_ = 0;
    state_ = kStateIdle;
    OnSend(0);
}

bool CProxySocket::SendSocks5Connect() {
    const auto request =
        Socks5ConnectRequest(state_ == kStateBinding, targetPort_, targetAddress_, targetHost_);
    if (!request || !SendWhole(*request)) {
        Fail(kErrorRequest);
        return false;
    }
    ClearReply();
    step_ = 3;
    return true;
}

void CProxySocket::OnReceive(int error) {
    CAsyncSocket::OnReceive(error);
    if (state_ == kStateIdle) return;
    if (step_ == 0) {
        Fail(kErrorRequest);
        return;
    }
    ReadReplies();
}

void CProxySocket::ReadReplies() {
    switch (proxyType_) {
        case kProxySocks4:
        case kProxySocks4a:
            ReceiveSocks4();
            break;
        case kProxySocks5:
            ReceiveSocks5();
            break;
        case kProxyHttp:
            ReceiveHttp();
            break;
        default:
            Fail(kErrorRequest);
            break;
    }
}

void CProxySocket::ReceiveSocks4() {
    const ReadResult r = ReadReply(8);
    if (r == ReadResult::kPending) return;
    if (r == ReadResult::kFailed || !Socks4Granted(reply_.data())) {
        Fail(kErrorRequest);
        return;
    }
    if (step_ == 1 && state_ == kStateBinding) {
        uint32_t address = 0;
        std::memcpy(&address, reply_.data() + 4, 4);
        uint16_t portNet = 0;
        std::memcpy(&portNet, reply_.data() + 2, 2);
        if (address == 0) {
            sockaddr_in peer{};
            if (GetPeerName(peer)) address = peer.sin_addr.s_addr;
        }
        step_ = 2;
        ClearReply();
        OnProxyBound(address, ntohs(portNet));
        return;
    }
    if (step_ == 1) {
        TunnelReady();
        return;
    }
    ClearReply();
    step_ = 0;
    state_ = kStateIdle;
    OnAccept(0);
}

void CProxySocket::ReceiveSocks5() {
    switch (step_) {
        case 1: {
            const ReadResult r = ReadReply(2);
            if (r == ReadResult::kPending) return;
            if (r == ReadResult::kFailed) return Fail(kErrorRequest);
            if (reply_[0] != 0x05 || reply_[1] == 0xFF) return Fail(kErrorSocks5Method);
            if (reply_[1] == 0x00) {
                SendSocks5Connect();
                return;
            }
            if (reply_[1] != 0x02) return Fail(kErrorSocks5Unknown);
            if (!auth_) return Fail(kErrorSocks5NoAuth);
            const auto request = Socks5AuthRequest(user_, password_);
            // Credentials longer than a length byte can say are not cut short.
            if (!request) return Fail(kErrorSocks5Auth);
            if (!SendWhole(*request)) return Fail(kErrorRequest);
            ClearReply();
            step_ = 2;
            return;
        }
        case 2: {
            const ReadResult r = ReadReply(2);
            if (r == ReadResult::kPending) return;
            if (r == ReadResult::kFailed || reply_[1] != 0x00) return Fail(kErrorSocks5Auth);
            SendSocks5Connect();
            return;
        }
        case 3: {
            if (replyGot_ < 5 || replySize_ < 5) {
                const ReadResult r = ReadReply(5);
                if (r == ReadResult::kPending) return;
                if (r == ReadResult::kFailed) return Fail(kErrorRequest);
                if (reply_[0] != 0x05 || reply_[1] != 0x00) return Fail(kErrorRequest);
                // An unknown address type leaves no way to find the reply's end.
                replySize_ = Socks5ReplySize(reply_.data());
                if (replySize_ == 0) return Fail(kErrorRequest);
            }
            const ReadResult r = ReadReply(replySize_);
            if (r == ReadResult::kPending) return;
            if (r == ReadResult::kFailed) return Fail(kErrorRequest);
            if (state_ == kStateConnecting) {
                TunnelReady();
                return;
            }
            uint32_t address = 0;
            uint16_t portNet = 0;
            if (reply_[3] == 0x01) {
                std::memcpy(&address, reply_.data() + 4, 4);
                std::memcpy(&portNet, reply_.data() + 8, 2);
            } else {
                std::memcpy(&portNet, reply_.data() + replySize_ - 2, 2);
            }
            step_ = 4;
            ClearReply();
            OnProxyBound(address, ntohs(portNet));
            return;
        }
        case 4: {
            if (replyGot_ < 5 || replySize_ < 5) {
                const ReadResult r = ReadReply(5);
                if (r == ReadResult::kPending) return;
                if (r == ReadResult::kFailed) return Fail(kErrorRequest);
                if (reply_[0] != 0x05 || reply_[1] != 0x00) return Fail(kErrorRequest);
                replySize_ = Socks5ReplySize(reply_.data());
                if (replySize_ == 0) return Fail(kErrorRequest);
            }
            const ReadResult r = ReadReply(replySize_);
            if (r == ReadResult::kPending) return;
            if (r == ReadResult::kFailed) return Fail(kErrorRequest);
            ClearReply();
            step_ = 0;
            state_ = kStateIdle;
            OnAccept(0);
            return;
        }
        default:
            Fail(kErrorRequest);
            return;
    }
}

void CProxySocket::ReceiveHttp() {
    // One byte at a time, so nothing behind the header (the peer's first
    // data) is taken from the tunnel.
    for (;;) {
        char byte = 0;
        const int n = CAsyncSocket::Receive(&byte, 1);
        if (n < 0 && platform::WSAGetLastError() == WSAEWOULDBLOCK) return;
        if (n <= 0) return Fail(kErrorRequest);
        replyText_.push_back(byte);
        switch (CheckHttpReply(replyText_)) {
            case HttpReplyCheck::kRefused:
                return Fail(kErrorRequest);
            case HttpReplyCheck::kDone:
                TunnelReady();
                return;
            case HttpReplyCheck::kMore:
                break;
        }
        if (replyText_.size() >= kMaxHttpHeader) return Fail(kErrorRequest);
    }
}

}  // namespace transport
