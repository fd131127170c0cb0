#pragma once
// What the web server answers for a path: the client's pages and texts
// (GBK, as the client reads them) and the files of the file root.

#include <cstdint>
#include <string>

#include "tools/webserver/http_wire.h"
#include "tools/webserver/web_server.h"

namespace webserver {

struct Reply {
    int status = 404;
    std::string contentType = "text/html; charset=gbk";
    std::string body;
    uint64_t filler = 0;  // this many more bytes of filler text follow the body
};

// `self` is the server's own "host:port", for links back to it.
Reply Answer(const RequestHead& request, const WebOptions& options, const std::string& self);

}  // namespace webserver
