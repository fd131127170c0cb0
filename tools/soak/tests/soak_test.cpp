// A short soak: four client processes on auto-play play a few rounds; the
// long one is tools/test.sh's (qevo-table-soak --rounds 200).
#include <gtest/gtest.h>

#include "tools/soak/soak.h"

namespace soak {
namespace {

TEST(ClientSoakTest, FourAutoPlayingClientsPlayRoundsWithEveryTileInPlace) {
    SoakOptions options;
    options.program = QEVO_TABLE_SOAK;
    options.rounds = 4;
    options.warmupRounds = 4;  // too short to judge memory growth: the long run does
    const SoakResult r = RunSoak(options);
    for (const std::string& f : r.faults)
        ADD_FAILURE() << f;
    EXPECT_EQ(r.rounds, 4);
    EXPECT_GT(r.discards, 20u);  // the clients played; the table did not play for them
    for (size_t c = 0; c < 4; ++c)
        EXPECT_GT(r.peakRssKb[c], 0) << c;
}

}  // namespace
}  // namespace soak
