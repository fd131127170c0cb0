// The scripted game server: gameserver [--port N] [--script FILE]
// Prints "port N" once it listens on 127.0.0.1, then serves until SIGINT or SIGTERM.

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "tools/gameserver/script.h"
#include "tools/gameserver/server.h"
#include "tools/loopback_server.h"

int main(int argc, char** argv) {
    unsigned port = 0;
    gameserver::Script script;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--port" && i + 1 < argc) {
            port = unsigned(std::strtoul(argv[++i], nullptr, 10));
        } else if (arg == "--script" && i + 1 < argc) {
            std::ifstream file(argv[++i]);
            std::stringstream text;
            text << file.rdbuf();
            std::string error;
            if (!file || !gameserver::ParseScript(text.str(), script, error)) {
                std::fprintf(stderr, "%s: %s\n", argv[i], file ? error.c_str() : "cannot read");
                return 2;
            }
        } else {
            std::fprintf(stderr, "usage: %s [--port N] [--script FILE]\n", argv[0]);
            return 2;
        }
    }
    const sigset_t stopSignals = tools::BlockStopSignals();  // before the server's thread

    gameserver::ServerOptions options;
    options.welcome = script.welcome;
    gameserver::GameServer server(options);
    for (auto& [id, reply] : script.replies)
        server.SetReply(id, reply);
    server.SetDefaultReply(script.defaultReply);
    if (port > 65535 || server.Start(uint16_t(port)) == 0) {
        std::fprintf(stderr, "cannot listen on port %u\n", port);
        return 1;
    }
    std::printf("port %u\n", unsigned(server.port()));
    std::fflush(stdout);
    tools::WaitForStopSignal(stopSignals);
    server.Stop();
    for (const std::string& error : server.Errors())
        std::fprintf(stderr, "%s\n", error.c_str());
    return 0;
}
