// qevo-table-soak [--rounds N] [--warmup N] [--rss-growth-kb N] [--step-ms N] [--seed N]
// Four auto-playing mahjong clients play N rounds at the table-mode game
// server; prints what it measured and exits 1 on any fault (a client that
// ended, a misplaced tile, a stall, memory growth past the bound).
// qevo-table-soak --client IN OUT "<launch line>" is one of the clients.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/soak/soak.h"

int main(int argc, char** argv) {
    if (argc == 5 && std::strcmp(argv[1], "--client") == 0)
        return soak::RunSoakClient(std::atoi(argv[2]), std::atoi(argv[3]), argv[4]);
    soak::SoakOptions options;
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    options.program = n > 0 ? std::string(self, size_t(n)) : argv[0];
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string opt = argv[i];
        const long value = std::atol(argv[i + 1]);
        if (opt == "--rounds")
            options.rounds = int(value);
        else if (opt == "--warmup")
            options.warmupRounds = int(value);
        else if (opt == "--rss-growth-kb")
            options.rssGrowthBoundKb = value;
        else if (opt == "--step-ms")
            options.stepMs = value;
        else if (opt == "--seed")
            options.seed = uint32_t(value);
        else {
            std::fprintf(stderr, "unknown option %s\n", opt.c_str());
            return 2;
        }
    }
    options.progress = [](const std::string& line) { std::printf("%s\n", line.c_str()); };
    const auto start = std::chrono::steady_clock::now();
    const soak::SoakResult r = soak::RunSoak(options);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%d rounds in %.1f s (%lld clock steps, %llu discards by the clients)\n", r.rounds,
                seconds, static_cast<long long>(r.steps),
                static_cast<unsigned long long>(r.discards));
    for (size_t c = 0; c < 4; ++c)
        std::printf("client %zu: resident %ld kB after warm-up, at most %ld kB\n", c,
                    r.warmRssKb[c], r.peakRssKb[c]);
    for (const std::string& f : r.faults)
        std::printf("fault: %s\n", f.c_str());
    return r.faults.empty() ? 0 : 1;
}
