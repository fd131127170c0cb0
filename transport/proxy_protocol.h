#pragma once
// The bytes of proxy negotiations: SOCKS4/4A requests, SOCKS5 method,
// username/password and connect requests, the HTTP CONNECT request, and the
// checks on the replies. CProxySocket sends and reads them.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace transport {

using ProxyBytes = std::vector<uint8_t>;

// 04, command (1 connect, 2 bind), port, address, empty user id. With
// address 0 the SOCKS4A form: address 0.0.0.1 and the host name with its NUL.
// Port and address in network order. No request for a name with a NUL.
std::optional<ProxyBytes> Socks4Request(bool bind, uint16_t portNet, uint32_t addressNet,
                                        std::string_view host);
// 05 01 00, or 05 02 02 00 with authorization.
ProxyBytes Socks5MethodRequest(bool auth);
// 01, user length, user, password length, password; none when either is
// longer than its length byte can say.
std::optional<ProxyBytes> Socks5AuthRequest(std::string_view user, std::string_view password);
// 05, command, 00, then address type 1 and the address, or type 3 and the
// name; then the port. None for an empty or over-long name.
std::optional<ProxyBytes> Socks5ConnectRequest(bool bind, uint16_t portNet, uint32_t addressNet,
                                               std::string_view host);
// The CONNECT request with its Host line, and with authorization the
// Authorization and Proxy-Authorization lines (one unbroken Base64 text of
// user:password each). None when a field would break the header (line ends).
std::optional<std::string> HttpConnectRequest(std::string_view host, unsigned port, bool auth,
                                              std::string_view user, std::string_view password);

// SOCKS4 reply (8 bytes) granted: version 0, code 0x5A.
bool Socks4Granted(const uint8_t* reply);
// The whole size of a SOCKS5 reply from its first 5 bytes: 10 for IPv4,
// 7 + length for a name, 22 for IPv6; 0 for an unknown address type.
size_t Socks5ReplySize(const uint8_t* head);

enum class HttpReplyCheck { kMore, kDone, kRefused };
// The HTTP reply read so far: refused when it does not begin with "HTTP/",
// or its status line has no blank or a status other than 2xx; done once it
// ends with the empty line.
HttpReplyCheck CheckHttpReply(std::string_view text);

}  // namespace transport
