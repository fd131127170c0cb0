// Proxy replies from an untrusted peer: the HTTP reply check fed byte by
// byte as the socket reads it, and the SOCKS reply sizing.
#include <cstddef>
#include <cstdint>
#include <string>

#include "transport/proxy_protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size >= 8) transport::Socks4Granted(data);
    if (size >= 5) {
        const size_t n = transport::Socks5ReplySize(data);
        if (n != 0 && (n < 7 || n > 262)) __builtin_trap();
    }
    std::string text;
    for (size_t i = 0; i < size && i < 8192; ++i) {
        text.push_back(char(data[i]));
        if (transport::CheckHttpReply(text) != transport::HttpReplyCheck::kMore) break;
    }
    const std::string_view field(reinterpret_cast<const char*>(data), size);
    transport::HttpConnectRequest(field, 80, true, field, field);
    transport::Socks5ConnectRequest(false, 80, 0, field);
    transport::Socks4Request(false, 80, 0, field);
    return 0;
}
