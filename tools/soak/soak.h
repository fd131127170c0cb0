#pragma once
// The table soak: four real mahjong clients, each a process of its own on
// auto-play, play round after round at the table-mode game server. Time is
// a manual clock in every process, moved by the conductor in lockstep once
// everything sent has arrived and been handled, so a round takes what the
// work takes, not what its turn clocks say.
//   RunSoak        the conductor: server, hall stand-ins, clients, checks
//   RunSoakClient  one client process, driven through two pipes

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace soak {

struct SoakOptions {
    std::string program;  // this program: the clients run its client mode
    int rounds = 200;
    // Resident memory is measured from the end of this round on; the capped
    // histories (chat, logs) fill up until about round 200, then it is flat.
    int warmupRounds = 100;
    long rssGrowthBoundKb = 4096;  // a client's growth past its warm-up size
    int64_t stepMs = 250;
    uint32_t seed = 7;
    std::function<void(const std::string&)> progress;  // a line now and then
};

struct SoakResult {
    int rounds = 0;
    std::vector<std::string> faults;  // empty when all went well
    std::array<long, 4> warmRssKb{}, peakRssKb{};
    int64_t steps = 0;
    uint64_t discards = 0;  // discard requests the clients sent
};

SoakResult RunSoak(const SoakOptions& options);

// Reads clock steps (milliseconds, one a line; "q" ends) from `commandFd`;
// writes "<steps> <requests sent> <notices handled>" to `reportFd` whenever
// it has nothing left to do. The exit code.
int RunSoakClient(int commandFd, int reportFd, const std::string& launchLine);

}  // namespace soak
