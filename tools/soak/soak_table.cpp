// The soak's conductor: the table-mode game server in this process, one
// hall stand-in and one client process a chair, and the lockstep clock.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>

#include "platform/clock.h"
#include "rules/table/tests/table_driver.h"
#include "tools/gameserver/table_protocol.h"
#include "tools/gameserver/table_server.h"
#include "tools/hall/hall_stand_in.h"
#include "tools/soak/soak.h"

namespace soak {
namespace {

constexpr auto kStall = std::chrono::seconds(60);  // real time without progress

// A client process and the pipes to it.
struct Seat {
    std::unique_ptr<hall::HallStandIn> hall;
    pid_t pid = -1;
    int command = -1, report = -1;
    std::string pending;  // a report line not yet complete
    uint64_t steps = 0, sent = 0, handled = 0;
    bool ended = false;
};

long ResidentKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string key;
    long kb = 0;
    while (status >> key) {
        if (key == "VmRSS:") {
            status >> kb;
            return kb;
        }
        status.ignore(1 << 12, '\n');
    }
    return 0;
}

// The table's counts, kept on its thread.
struct Counts {
    std::mutex mu;
    uint64_t received = 0, notified = 0, discards = 0;
    std::vector<std::string> faults;
};

bool Launch(Seat& seat, const client::LaunchLine& line, const std::string& program,
            const std::string& dir) {
    std::filesystem::create_directories(dir);
    std::ofstream(dir + "/Qevo.ini") << "[AI]\r\nbn_Robot=1\r\n";
    for (const char* name : {"QEVO_HALL_DIR", "QEVO_SYSTEM_DIR", "QEVO_PROGRAM_DIR"})
        setenv(name, dir.c_str(), 1);
    int command[2], report[2];
    if (pipe(command) != 0) return false;
    if (pipe(report) != 0) {
        close(command[0]);
        close(command[1]);
        return false;
    }
    // Only the client's ends reach the client.
    fcntl(command[1], F_SETFD, FD_CLOEXEC);
    fcntl(report[0], F_SETFD, FD_CLOEXEC);
    seat.hall = std::make_unique<hall::HallStandIn>(line);
    seat.hall->TableState() = hall::MakeTableState(line, 4, 0);
    if (seat.hall->Open())
        seat.pid = seat.hall->Start(
            {program, "--client", std::to_string(command[0]), std::to_string(report[1])});
    close(command[0]);
    close(report[1]);
    seat.command = command[1];
    seat.report = report[0];
    return seat.pid > 0;
}

// Reads what the clients reported; false once one has gone.
bool ReadReports(std::array<Seat, 4>& seats, int waitMs) {
    std::array<pollfd, 4> fds{};
    for (size_t c = 0; c < 4; ++c)
        fds[c] = {seats[c].report, POLLIN, 0};
    if (poll(fds.data(), fds.size(), waitMs) <= 0) return true;
    for (size_t c = 0; c < 4; ++c) {
        if (!(fds[c].revents & (POLLIN | POLLHUP))) continue;
        char buf[512];
        const ssize_t n = read(seats[c].report, buf, sizeof buf);
        if (n <= 0) {
            seats[c].ended = true;
            return false;
        }
        seats[c].pending.append(buf, size_t(n));
        for (size_t end; (end = seats[c].pending.find('\n')) != std::string::npos;) {
            std::istringstream in(seats[c].pending.substr(0, end));
            in >> seats[c].steps >> seats[c].sent >> seats[c].handled;
            seats[c].pending.erase(0, end + 1);
        }
    }
    return true;
}

}  // namespace

SoakResult RunSoak(const SoakOptions& options) {
    SoakResult result;
    platform::ManualClock clock(1'000'000);
    platform::ScopedClock scoped(clock);
    gameserver::TableOptions table;
    table.seed = options.seed;
    auto server = std::make_unique<gameserver::TableServer>(table);
    const int port = server->Start();
    if (port == 0) {
        result.faults.push_back("the game server did not start");
        return result;
    }
    auto counts = std::make_shared<Counts>();
    server->WithTable([counts](gameserver::TableGame& t) {
        t.SetObserver([counts, &t](const gameserver::TableMessage& m) {
            std::lock_guard lock(counts->mu);
            if (m.kind == gameserver::TableMessage::kRequest) {
                ++counts->received;
                counts->discards += m.id == gameserver::table::kDiscard;
            }
            if (m.kind != gameserver::TableMessage::kNotify) return;
            ++counts->notified;
            // Every tile in exactly one place when a round is settled.
            if (m.id != gameserver::table::kRoundEnd) return;
            const std::string misplaced = rules::testing::Misplaced(t.model());
            if (!misplaced.empty() && counts->faults.size() < 20)
                counts->faults.push_back("round " + std::to_string(t.rounds()) + ": " + misplaced);
        });
    });

    char pattern[] = "/tmp/qevo-soak-XXXXXX";
    const std::string dir = mkdtemp(pattern) ? pattern : "/tmp";
    std::array<Seat, 4> seats;
    for (int32_t c = 0; c < 4; ++c) {
        client::LaunchLine line;
        line.gameId = 1;
        line.serverHost = "127.0.0.1";
        line.serverPort = uint32_t(port);
        line.roomId = 1;
        line.hallWindow = uint32_t(getpid()) * 4 + uint32_t(c);
        line.userId = 101 + uint32_t(c);
        line.tableNo = 0;
        line.chair = c;
        if (!Launch(seats[size_t(c)], line, options.program, dir + "/" + std::to_string(c)))
            result.faults.push_back("client " + std::to_string(c) + " did not start");
    }

    auto lastProgress = std::chrono::steady_clock::now();
    uint64_t lastSeen = 0;
    int sampled = 0;
    while (result.faults.empty()) {
        if (!ReadReports(seats, 5)) {
            result.faults.push_back("a client ended during round " +
                                    std::to_string(server->rounds() + 1));
            break;
        }
        uint64_t sent = 0, handled = 0;
        bool current = true;
        for (const Seat& s : seats) {
            sent += s.sent;
            handled += s.handled;
            current = current && s.steps == uint64_t(result.steps);
        }
        uint64_t received, notified;
        {
            std::lock_guard lock(counts->mu);
            received = counts->received;
            notified = counts->notified;
            result.discards = counts->discards;
            if (!counts->faults.empty()) result.faults = counts->faults;
        }
        const auto now = std::chrono::steady_clock::now();
        if (received + notified != lastSeen) lastSeen = received + notified, lastProgress = now;
        if (now - lastProgress > kStall) {
            result.faults.push_back("nothing moved for a minute in round " +
                                    std::to_string(server->rounds() + 1));
            break;
        }
        if (!current || sent != received || handled != notified) continue;
        server->Poke();
        {
            std::lock_guard lock(counts->mu);
            if (counts->notified != notified) continue;
        }
        // Resident memory once a round has ended: the size after the
        // warm-up, then the largest.
        const int rounds = server->rounds();
        if (rounds != sampled) {
            sampled = rounds;
            for (size_t c = 0; c < 4; ++c) {
                const long kb = ResidentKb(seats[c].pid);
                if (rounds <= options.warmupRounds) result.warmRssKb[c] = kb;
                result.peakRssKb[c] = std::max(result.peakRssKb[c], kb);
            }
            if (options.progress && rounds % 10 == 0)
                options.progress("round " + std::to_string(rounds));
        }
        if (rounds >= options.rounds) break;
        // About 40 s of table time make a round; a round ten times as long
        // is stuck even though keep-alives still flow.
        if (result.steps > int64_t(rounds + 1) * 400 * 1000 / options.stepMs) {
            result.faults.push_back("round " + std::to_string(rounds + 1) + " never ended");
            break;
        }
        clock.AdvanceMillis(options.stepMs);
        ++result.steps;
        const std::string step = std::to_string(options.stepMs) + "\n";
        for (Seat& s : seats)
            if (write(s.command, step.data(), step.size()) < 0) s.ended = true;
    }
    result.rounds = server->rounds();

    for (size_t c = 0; c < 4; ++c) {
        Seat& s = seats[c];
        if (s.command >= 0) {
            if (write(s.command, "q\n", 2) < 0) s.ended = true;
            close(s.command);
        }
        const int code = s.pid > 0 ? s.hall->WaitForExit() : 0;
        if (code != 0)
            result.faults.push_back("client " + std::to_string(c) + " exited with " +
                                    std::to_string(code));
        if (s.report >= 0) close(s.report);
        if (options.rounds > options.warmupRounds &&
            result.peakRssKb[c] - result.warmRssKb[c] > options.rssGrowthBoundKb)
            result.faults.push_back("client " + std::to_string(c) + " grew from " +
                                    std::to_string(result.warmRssKb[c]) + " kB to " +
                                    std::to_string(result.peakRssKb[c]) + " kB");
    }
    server->Stop();
    std::filesystem::remove_all(dir);
    return result;
}

}  // namespace soak
