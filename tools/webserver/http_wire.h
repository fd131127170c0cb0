#pragma once
// The little of HTTP/1.1 the web server speaks: the request head it reads
// and the response head it writes.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace webserver {

struct RequestHead {
    std::string method;
    std::string target;  // as sent, query included
    std::string host;    // the Host header, empty without one
};

// The end of the head in `bytes` (just past its blank line), 0 while incomplete.
size_t HeadLength(std::string_view bytes);
// The request line and the Host header; nullopt when the line is malformed.
std::optional<RequestHead> ParseRequestHead(std::string_view head);

// "HTTP/1.1 <status> <reason>" with the type, the length (or chunked
// coding) and "Connection: close".
std::string ResponseHead(int status, std::string_view contentType, uint64_t length, bool chunked);
// One chunk of a chunked body; an empty `data` is the last chunk.
std::string Chunk(std::string_view data);

}  // namespace webserver
