// Whole rounds of four bots at a table, every move a request with its bytes
// and every notification read by the bots, against the same kind of rounds
// played straight on the rules model by the rules' own random driver: the
// table's cost per round.

#include <benchmark/benchmark.h>

#include "rules/table/tests/table_driver.h"
#include "tools/gameserver/table_game.h"

namespace {

using namespace gameserver;

void BM_TableRounds(benchmark::State& state) {
    int64_t clock = 0;
    TableOptions options;
    options.botChairs = {true, true, true, true};
    options.seed = 2024;
    TableGame table(options, [&] { return clock; });
    int64_t messages = 0;
    table.SetObserver([&](const TableMessage&) { ++messages; });
    for (auto _ : state) {
        const int before = table.rounds();
        while (table.rounds() == before) {
            clock += 1;
            table.Tick();
        }
    }
    state.counters["rounds/s"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["messages/round"] = double(messages) / double(state.iterations());
}
BENCHMARK(BM_TableRounds)->Unit(benchmark::kMicrosecond);

void BM_ModelRounds(benchmark::State& state) {
    rules::testing::TestTable tt(rules::RandomSource(), 2024);
    rules::testing::TableDriver driver(tt, 7);
    int64_t rounds = 0;
    for (auto _ : state) {
        if (!(rounds++ ? tt.Next() : tt.Start())) state.SkipWithError("the round did not start");
        while (driver.Step()) {
        }
    }
    state.counters["rounds/s"] = benchmark::Counter(double(rounds), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ModelRounds)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
