#include "transport/proxy_protocol.h"

#include <cstdio>
#include <cstring>

#include "transport/base64.h"

namespace transport {

namespace {

void AppendNet16(ProxyBytes& out, uint16_t valueNet) {
    const auto* p = reinterpret_cast<const uint8_t*>(&valueNet);
    out.insert(out.end(), p, p + 2);
}

void AppendNet32(ProxyBytes& out, uint32_t valueNet) {
    const auto* p = reinterpret_cast<const uint8_t*>(&valueNet);
    out.insert(out.end(), p, p + 4);
}

bool HasLineBreakOrNul(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

}  // namespace

std::optional<ProxyBytes> Socks4Request(bool bind, uint16_t portNet, uint32_t addressNet,
                                        std::string_view host) {
    ProxyBytes out{0x04, uint8_t(bind ? 2 : 1)};
    AppendNet16(out, portNet);
    if (addressNet != 0) {
        AppendNet32(out, addressNet);
        out.push_back(0x00);
        return out;
    }
    if (host.empty() || host.find('\0') != std::string_view::npos) return std::nullopt;
    out.insert(out.end(), {0x00, 0x00, 0x00, 0x01, 0x00});
    out.insert(out.end(), host.begin(), host.end());
    out.push_back(0x00);
    return out;
}

ProxyBytes Socks5MethodRequest(bool auth) {
    if (auth) return {0x05, 0x02, 0x02, 0x00};
    return {0x05, 0x01, 0x00};
}

std::optional<ProxyBytes> Socks5AuthRequest(std::string_view user, std::string_view password) {
    if (user.size() > 255 || password.size() > 255) return std::nullopt;
    ProxyBytes out{0x01, uint8_t(user.size())};
    out.insert(out.end(), user.begin(), user.end());
    out.push_back(uint8_t(password.size()));
    out.insert(out.end(), password.begin(), password.end());
    return out;
}

std::optional<ProxyBytes> Socks5ConnectRequest(bool bind, uint16_t portNet, uint32_t addressNet,
                                               std::string_view host) {
    ProxyBytes out{0x05, uint8_t(bind ? 2 : 1), 0x00};
    if (addressNet != 0) {
        out.push_back(0x01);
        AppendNet32(out, addressNet);
    } else {
        if (host.empty() || host.size() > 255) return std::nullopt;
        out.push_back(0x03);
        out.push_back(uint8_t(host.size()));
        out.insert(out.end(), host.begin(), host.end());
    }
    AppendNet16(out, portNet);
    return out;
}

std::optional<std::string> HttpConnectRequest(std::string_view host, unsigned port, bool auth,
                                              std::string_view user, std::string_view password) {
    if (host.empty() || HasLineBreakOrNul(host)) return std::nullopt;
    const std::string target = std::string(host) + ":" + std::to_string(port);
    std::string out = "CONNECT " + target + " HTTP/1.1\r\nHost: " + target + "\r\n";
    if (auth) {
        std::string credentials(user);
        credentials += ':';
        credentials += password;
        // The array form: a line break inside a header line would end it.
        std::vector<uint8_t> b64;
        CBase64Coder coder;
        if (!coder.EncodeToArray(
                std::span(reinterpret_cast<const uint8_t*>(credentials.data()), credentials.size()),
                b64))
            return std::nullopt;
        const std::string text(b64.begin(), b64.end());
        out += "Authorization: Basic " + text + "\r\n";
        out += "Proxy-Authorization: Basic " + text + "\r\n";
    }
    out += "\r\n";
    return out;
}

bool Socks4Granted(const uint8_t* reply) {
    return reply[0] == 0x00 && reply[1] == 0x5A;
}

size_t Socks5ReplySize(const uint8_t* head) {
    switch (head[3]) {
        case 0x01:
            return 10;
        case 0x03:
            return 7 + size_t(head[4]);
        case 0x04:
            return 22;
        default:
            return 0;
    }
}

HttpReplyCheck CheckHttpReply(std::string_view text) {
    static constexpr std::string_view kPrefix = "HTTP/";
    const size_t common = std::min(text.size(), kPrefix.size());
    if (text.substr(0, common) != kPrefix.substr(0, common)) return HttpReplyCheck::kRefused;
    const size_t lineEnd = text.find("\r\n");
    if (lineEnd == std::string_view::npos) return HttpReplyCheck::kMore;
    const size_t blank = text.find(' ');
    if (blank == std::string_view::npos || blank > lineEnd || text[blank + 1] != '2')
        return HttpReplyCheck::kRefused;
    if (text.size() >= 4 && text.substr(text.size() - 4) == "\r\n\r\n")
        return HttpReplyCheck::kDone;
    return HttpReplyCheck::kMore;
}

}  // namespace transport
