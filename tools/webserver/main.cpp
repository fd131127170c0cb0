// The loopback web server:
//   webserver [--port N] [--delay MS] [--not-found] [--wrong-prefix] [--chunked]
//             [--huge BYTES] [--log FILE] [--root DIR]
// Prints "port N" once it listens on 127.0.0.1, then serves until SIGINT or SIGTERM.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/loopback_server.h"
#include "tools/webserver/web_server.h"

int main(int argc, char** argv) {
    webserver::WebOptions options;
    unsigned long port = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--port" && hasValue) {
            port = std::strtoul(argv[++i], nullptr, 10);
        } else if (arg == "--delay" && hasValue) {
            options.delay = std::chrono::milliseconds(std::strtoul(argv[++i], nullptr, 10));
        } else if (arg == "--huge" && hasValue) {
            options.hugeBytes = std::strtoull(argv[++i], nullptr, 10);
        } else if (arg == "--log" && hasValue) {
            options.logPath = argv[++i];
        } else if (arg == "--root" && hasValue) {
            options.fileRoot = argv[++i];
        } else if (arg == "--not-found") {
            options.notFound = true;
        } else if (arg == "--wrong-prefix") {
            options.wrongPrefix = true;
        } else if (arg == "--chunked") {
            options.chunked = true;
        } else {
            std::fprintf(stderr,
                         "usage: %s [--port N] [--delay MS] [--not-found] [--wrong-prefix] "
                         "[--chunked] [--huge BYTES] [--log FILE] [--root DIR]\n",
                         argv[0]);
            return 2;
        }
    }
    const sigset_t stopSignals = tools::BlockStopSignals();  // before the server's threads

    webserver::WebServer server(options);
    if (port > 65535 || server.Start(uint16_t(port)) == 0) {
        std::fprintf(stderr, "cannot listen on port %lu\n", port);
        return 1;
    }
    std::printf("port %u\n", unsigned(server.port()));
    std::fflush(stdout);
    tools::WaitForStopSignal(stopSignals);
    server.Stop();
    return 0;
}
