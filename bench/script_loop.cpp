// Statements per second of the interpreter on a loop-heavy script, against
// the same arithmetic done directly on script values (the ratio of the two
// is the interpreter's overhead), and the compile speed.
#include <benchmark/benchmark.h>

#include <string>

#include "script/interpreter.h"
#include "script/status.h"

namespace {

class QuietHost : public script::ScriptHost {
  public:
    void PostMessage(int, int32_t, uint32_t) override {}
    void ShowNotice(std::string) override {}
    void GetScreenSize(int32_t& w, int32_t& h) override { w = h = 0; }
    uint32_t NowMillis() override { return 0; }
    void WriteLog(std::string_view) override {}
    void PlaySoundByName(std::string_view) override {}
};

const char* const kLoopScript =
    "脚本开始 loop(n);\r\n"
    "s = 0;\r\n"
    "从(i = 0; i < n; i = i + 1){\r\n"
    "    如果(i % 3 == 0){ s = s + i * 2; }否则{ s = s - 1; }\r\n"
    "    j = 0;\r\n"
    "    当(j < 2){ j = j + 1; }\r\n"
    "}\r\n"
    "传出 s;\r\n"
    "脚本结束;\r\n";

void BM_LoopScript(benchmark::State& state) {
    QuietHost host;
    script::ScriptInterpreter interpreter(host);
    interpreter.SetStepBudget(UINT64_MAX / 2);
    interpreter.Compile(script::ScriptValue::FromText(kLoopScript));
    uint64_t statements = 0;
    for (auto _ : state) {
        int status = interpreter.CallScript("loop", "1000");
        if (status != script::kStatusEnded) state.SkipWithError("script failed");
        statements += interpreter.StepsUsed();
    }
    state.SetItemsProcessed(static_cast<int64_t>(statements));
    state.counters["statements_per_run"] = benchmark::Counter(
        static_cast<double>(statements) / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_LoopScript);

// The loop's arithmetic and comparisons done directly, one item per value
// operation (the script spends about three statements on each).
void BM_DirectValueOperations(benchmark::State& state) {
    using script::ScriptValue;
    uint64_t operations = 0;
    for (auto _ : state) {
        ScriptValue s = ScriptValue::FromInt(0);
        for (ScriptValue i = ScriptValue::FromInt(0); i < ScriptValue::FromInt(1000);) {
            ScriptValue r = ScriptValue::FromInt(i.ToInt() % 3);
            if (r == ScriptValue::FromInt(0)) {
                s = s + i * ScriptValue::FromInt(2);
            } else {
                s = s - ScriptValue::FromInt(1);
            }
            for (ScriptValue j = ScriptValue::FromInt(0); j < ScriptValue::FromInt(2);) {
                j = j + ScriptValue::FromInt(1);
                operations += 2;
            }
            i = i + ScriptValue::FromInt(1);
            operations += 6;
        }
        benchmark::DoNotOptimize(s);
    }
    state.SetItemsProcessed(static_cast<int64_t>(operations));
}
BENCHMARK(BM_DirectValueOperations);

void BM_Compile(benchmark::State& state) {
    QuietHost host;
    std::string text;
    for (int i = 0; i < 50; ++i) {
        std::string source = kLoopScript;
        source.replace(source.find("loop"), 4, "loop" + std::to_string(i));
        text += source;
    }
    for (auto _ : state) {
        script::ScriptInterpreter interpreter(host);
        benchmark::DoNotOptimize(interpreter.Compile(script::ScriptValue::FromText(text)));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_Compile);

}  // namespace

BENCHMARK_MAIN();
