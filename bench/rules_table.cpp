// Whole rounds of a four-seat table played through the requests by random
// bots, from the deal to the settlement: rounds per second, and the share of
// the time spent in the rule table's hu search (CheckHu).

#include <benchmark/benchmark.h>

#include <chrono>

#include "rules/table/tests/table_driver.h"

namespace {

using namespace rules;
using namespace rules::testing;

int64_t g_checkHuNanos = 0;
int64_t g_checkHuCalls = 0;

// The rule table with its hu search timed.
class TimedTable : public CRuleTable {
  public:
    TimedTable(const TableConfig& config, TableEnvironment env)
        : CRuleTable(config, std::move(env)) {}
    static std::unique_ptr<CRuleTable> Make(const TableConfig& config, TableEnvironment env) {
        return std::make_unique<TimedTable>(config, std::move(env));
    }
    int32_t CheckHu(int32_t seat, const TileCountArray& counts, TileId tile, uint32_t mode,
                    HuResult& result) override {
        auto start = std::chrono::steady_clock::now();
        int32_t value = CRuleTable::CheckHu(seat, counts, tile, mode, result);
        g_checkHuNanos += std::chrono::duration_cast<std::chrono::nanoseconds>(
                              std::chrono::steady_clock::now() - start)
                              .count();
        ++g_checkHuCalls;
        return value;
    }
};

void BM_RandomRounds(benchmark::State& state) {
    const bool timed = state.range(0);
    TestTable tt(RandomSource(), 2024, TableConfig{},
                 timed ? TimedTable::Make : CRuleTable::Create);
    TableDriver driver(tt, 7);
    g_checkHuNanos = g_checkHuCalls = 0;
    int64_t rounds = 0;
    auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        if (!(rounds ? tt.Next() : tt.Start())) state.SkipWithError("the round did not start");
        while (driver.Step()) {
        }
        ++rounds;
    }
    double total =
        std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
    state.counters["rounds/s"] = benchmark::Counter(double(rounds), benchmark::Counter::kIsRate);
    if (timed) {
        state.counters["checkhu_share"] = double(g_checkHuNanos) / total;
        state.counters["checkhu_calls/round"] = double(g_checkHuCalls) / double(rounds);
    }
}
BENCHMARK(BM_RandomRounds)->Arg(0)->Arg(1)->ArgNames({"timed"})->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
