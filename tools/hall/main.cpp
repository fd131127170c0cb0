// qevo-hall: the hall stand-in as a program. It opens the hall endpoint,
// starts the client with the launch line, prints what the client tells the
// hall (one line per event on stdout) and runs commands from stdin:
//   state | looker <id> <chair> | left <id> <chair> | card <id>
//   wait <events> <ms> | vanish | quit (vanish, then wait for the client)
// --web names the web server (host:port) the room record hands out as its
// notice and advert hosts; --notice-period the notice period in seconds.
// At the end of stdin it keeps serving until the client exits.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/text.h"
#include "tools/hall/hall_stand_in.h"

namespace {

void Usage() {
    std::fprintf(stderr,
                 "usage: qevo-hall --program PATH [--arg A]... [--server HOST] [--port N]\n"
                 "       [--game N] [--room N] [--user N] [--table N] [--chair N] [--looker 0|1]\n"
                 "       [--caption TEXT] [--window N] [--seated N] [--lookers N]\n"
                 "       [--web HOST:PORT] [--notice-period SECONDS]\n"
                 "       [--no-auto-state] [--no-start]\n");
}

void Print(const hall::HallEvent& e) {
    switch (e.kind) {
        case hall::HallEvent::Kind::kMainWindow:
            std::printf("main-window %u table %d\n", e.wParam, int32_t(e.lParam));
            break;
        case hall::HallEvent::Kind::kReport:
            if (e.report)
                std::printf(
                    "report type %u code %u user %u table %d chair %d looker %u lost %u "
                    "game %u\n",
                    e.dwData, e.report->code, e.report->userId, e.report->tableNo, e.report->chair,
                    e.report->lookerFlag, e.report->connectionLost, e.report->gameId);
            else
                std::printf("report type %u malformed\n", e.dwData);
            break;
        case hall::HallEvent::Kind::kPost:
            std::printf("post 0x%X %u %u\n", e.message, e.wParam, e.lParam);
            break;
        case hall::HallEvent::Kind::kOther:
            std::printf("other 0x%X %u %u\n", e.message, e.wParam, e.lParam);
            break;
    }
    std::fflush(stdout);
}

client::PlayerRecord Player(uint32_t id, int32_t chair, uint32_t looker) {
    client::PlayerRecord p;
    p.userId = id;
    p.chair = chair;
    p.lookerFlag = looker;
    p.userName = "user" + std::to_string(id);
    return p;
}

}  // namespace

int main(int argc, char** argv) {
    client::LaunchLine line;
    line.gameId = 1;
    line.serverHost = "127.0.0.1";
    line.roomId = 1;
    line.hallWindow = uint32_t(getpid());
    line.userId = 1;
    line.tableNo = 0;
    line.chair = 0;
    line.serverPort = 31201;
    std::vector<std::string> command;
    int seated = 4, lookers = 0;
    std::string web;
    long noticePeriod = -1;
    bool autoState = true, start = true;
    for (int i = 1; i < argc; ++i) {
        const std::string opt = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                Usage();
                std::exit(2);
            }
            return argv[++i];
        };
        auto number = [&] { return std::strtol(value().c_str(), nullptr, 10); };
        if (opt == "--program")
            command.insert(command.begin(), value());
        else if (opt == "--arg")
            command.push_back(value());
        else if (opt == "--server")
            line.serverHost = value();
        else if (opt == "--port")
            line.serverPort = uint32_t(number());
        else if (opt == "--game")
            line.gameId = uint32_t(number());
        else if (opt == "--room")
            line.roomId = uint32_t(number());
        else if (opt == "--user")
            line.userId = uint32_t(number());
        else if (opt == "--table")
            line.tableNo = int32_t(number());
        else if (opt == "--chair")
            line.chair = int32_t(number());
        else if (opt == "--looker")
            line.lookerFlag = uint32_t(number());
        else if (opt == "--caption")
            line.caption = platform::Utf8ToGbk(value());
        else if (opt == "--window")
            line.hallWindow = uint32_t(number());
        else if (opt == "--seated")
            seated = int(number());
        else if (opt == "--lookers")
            lookers = int(number());
        else if (opt == "--web")
            web = value();
        else if (opt == "--notice-period")
            noticePeriod = number();
        else if (opt == "--no-auto-state")
            autoState = false;
        else if (opt == "--no-start")
            start = false;
        else {
            Usage();
            return 2;
        }
    }
    if (start && command.empty()) {
        Usage();
        return 2;
    }

    hall::HallStandIn hall(line);
    hall.TableState() = hall::MakeTableState(line, seated, lookers);
    if (!web.empty()) hall.TableState().room.noticeHost = hall.TableState().room.advertHost = web;
    if (noticePeriod >= 0) hall.TableState().room.noticePeriod = uint32_t(noticePeriod);
    hall.SetAutoTableState(autoState);
    hall.SetObserver(Print);
    if (!hall.Open()) {
        std::fprintf(stderr, "qevo-hall: cannot open %s\n", hall.Path().c_str());
        return 1;
    }
    std::printf("endpoint %s window %u\n", hall.Path().c_str(), line.hallWindow);
    std::fflush(stdout);
    if (start && hall.Start(command) < 0) {
        std::fprintf(stderr, "qevo-hall: cannot start %s\n", command[0].c_str());
        return 1;
    }

    std::string text;
    while (std::getline(std::cin, text)) {
        std::istringstream in(text);
        std::string verb;
        in >> verb;
        bool ok = true;
        if (verb.empty() || verb[0] == '#') continue;
        if (verb == "state") {
            ok = hall.SendTableState();
        } else if (verb == "looker") {
            uint32_t id = 0;
            int32_t chair = 0;
            in >> id >> chair;
            ok = hall.SendLooker(Player(id, chair, 1));
        } else if (verb == "left") {
            uint32_t id = 0;
            int32_t chair = 0;
            in >> id >> chair;
            ok = hall.SendPlayerLeft(id, chair);
        } else if (verb == "card") {
            uint32_t id = 0;
            in >> id;
            ok = hall.SendPlayerCard(Player(id, 0, 0));
        } else if (verb == "wait") {
            size_t count = 0;
            platform::DWORD ms = 5000;
            in >> count >> ms;
            ok = hall.WaitForEvents(count, ms);
        } else if (verb == "vanish") {
            hall.Vanish();
        } else if (verb == "quit") {
            hall.Vanish();  // the client ends with its hall
            break;
        } else {
            ok = false;
        }
        std::printf("%s %s\n", ok ? "ok" : "failed", verb.c_str());
        std::fflush(stdout);
    }
    const int status = start ? hall.WaitForExit() : 0;
    std::printf("exit %d\n", status);
    return 0;
}
