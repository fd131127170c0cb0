#include "tools/webserver/http_wire.h"

#include <cstdio>

#include "platform/text.h"

namespace webserver {
namespace {

std::string_view Reason(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 400:
            return "Bad Request";
        case 404:
            return "Not Found";
        case 405:
            return "Method Not Allowed";
        case 431:
            return "Request Header Fields Too Large";
        case 503:
            return "Service Unavailable";
        default:
            return "Error";
    }
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

}  // namespace

size_t HeadLength(std::string_view bytes) {
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\n') continue;
        if (i + 1 < bytes.size() && bytes[i + 1] == '\n') return i + 2;
        if (i + 2 < bytes.size() && bytes[i + 1] == '\r' && bytes[i + 2] == '\n') return i + 3;
    }
    return 0;
}

std::optional<RequestHead> ParseRequestHead(std::string_view head) {
    size_t eol = head.find('\n');
    std::string_view line = Trim(head.substr(0, eol));
    const size_t a = line.find(' ');
    const size_t b = a == std::string_view::npos ? a : line.find(' ', a + 1);
    if (a == 0 || b == std::string_view::npos || b == a + 1) return std::nullopt;
    if (line.substr(b + 1).rfind("HTTP/1.", 0) != 0) return std::nullopt;
    RequestHead request{
        std::string(line.substr(0, a)), std::string(line.substr(a + 1, b - a - 1)), {}};
    while (eol != std::string_view::npos) {
        const size_t start = eol + 1;
        eol = head.find('\n', start);
        const std::string_view field = head.substr(start, eol - start);
        const size_t colon = field.find(':');
        if (colon != std::string_view::npos &&
            platform::GbkEqualsIgnoreCase(Trim(field.substr(0, colon)), "host")) {
            request.host = std::string(Trim(field.substr(colon + 1)));
        }
    }
    return request;
}

std::string ResponseHead(int status, std::string_view contentType, uint64_t length, bool chunked) {
    std::string head = "HTTP/1.1 " + std::to_string(status) + " " + std::string(Reason(status)) +
                       "\r\nContent-Type: " + std::string(contentType) + "\r\n";
    head += chunked ? "Transfer-Encoding: chunked\r\n"
                    : "Content-Length: " + std::to_string(length) + "\r\n";
    head += "Connection: close\r\n\r\n";
    return head;
}

std::string Chunk(std::string_view data) {
    char size[24];
    std::snprintf(size, sizeof size, "%zx\r\n", data.size());
    return size + std::string(data) + "\r\n";
}

}  // namespace webserver
