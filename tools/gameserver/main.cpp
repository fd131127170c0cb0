// The game server: gameserver [--port N] [--script FILE]
//                  gameserver --table [--port N] [--bots N] [--bot-delay MS]
//                             [--claim-seconds N] [--round-pause MS] [--seed N]
//                             [--table-no N]
// Scripted, it answers from its script; with --table it deals real rounds at
// one table, bots in the last N chairs (default 3), thinking 600 ms a move
// and starting the next round 3 s after one ends unless told otherwise. A
// claim offer stays open --claim-seconds (default 10; the clients' claim
// clocks show the same), less the last second.
// Prints "port N" once it listens on 127.0.0.1, then serves until SIGINT or
// SIGTERM.

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "tools/gameserver/script.h"
#include "tools/gameserver/server.h"
#include "tools/gameserver/table_server.h"
#include "tools/loopback_server.h"

namespace {

// Listens, tells the port, and serves until a stop signal.
template <typename Server>
int Serve(Server& server, unsigned port, const sigset_t& stop) {
    if (port > 65535 || server.Start(uint16_t(port)) == 0) {
        std::fprintf(stderr, "cannot listen on port %u\n", port);
        return 1;
    }
    std::printf("port %u\n", unsigned(server.port()));
    std::fflush(stdout);
    tools::WaitForStopSignal(stop);
    server.Stop();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    unsigned port = 0;
    gameserver::Script script;
    bool table = false;
    gameserver::TableOptions options;
    options.botDelayMs = 600;
    options.roundPauseMs = 3000;
    unsigned bots = 3;
    auto number = [&](int& i) { return unsigned(std::strtoul(argv[++i], nullptr, 10)); };
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        const bool more = i + 1 < argc;
        if (arg == "--port" && more) {
            port = number(i);
        } else if (arg == "--table") {
            table = true;
        } else if (arg == "--bots" && more) {
            bots = std::min(number(i), 4u);
        } else if (arg == "--bot-delay" && more) {
            options.botDelayMs = number(i);
        } else if (arg == "--claim-seconds" && more) {
            options.rules.operationSeconds = int32_t(std::min(number(i), 3600u));
        } else if (arg == "--round-pause" && more) {
            options.roundPauseMs = number(i);
        } else if (arg == "--seed" && more) {
            options.seed = number(i);
        } else if (arg == "--table-no" && more) {
            options.tableNo = int32_t(number(i));
        } else if (arg == "--script" && more) {
            std::ifstream file(argv[++i]);
            std::stringstream text;
            text << file.rdbuf();
            std::string error;
            if (!file || !gameserver::ParseScript(text.str(), script, error)) {
                std::fprintf(stderr, "%s: %s\n", argv[i], file ? error.c_str() : "cannot read");
                return 2;
            }
        } else {
            std::fprintf(stderr,
                         "usage: %s [--port N] [--script FILE]\n"
                         "       %s --table [--port N] [--bots N] [--bot-delay MS] "
                         "[--claim-seconds N] [--round-pause MS] [--seed N] [--table-no N]\n",
                         argv[0], argv[0]);
            return 2;
        }
    }
    const sigset_t stop = tools::BlockStopSignals();  // before the servers' threads
    if (table) {
        for (unsigned c = 4 - bots; c < 4; ++c)
            options.botChairs[c] = true;
        gameserver::TableServer server(std::move(options), {}, [](const std::string& line) {
            std::fprintf(stderr, "%s\n", line.c_str());
        });
        return Serve(server, port, stop);
    }
    gameserver::ServerOptions serverOptions;
    serverOptions.welcome = script.welcome;
    gameserver::GameServer server(serverOptions);
    for (auto& [id, reply] : script.replies)
        server.SetReply(id, reply);
    server.SetDefaultReply(script.defaultReply);
    const int result = Serve(server, port, stop);
    for (const std::string& error : server.Errors())
        std::fprintf(stderr, "%s\n", error.c_str());
    return result;
}
