#pragma once
// The figures the frame and idle benchmarks report, as ratios to their
// goals: a frame's median and 99th-percentile cost, the CPU share at rest.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <vector>

namespace bench {

// median_us, p99_us and of_goal (the median over `goalMicros`).
inline void ReportFrameMicros(benchmark::State& state, std::vector<double>& micros,
                              double goalMicros) {
    if (micros.empty()) return;
    std::sort(micros.begin(), micros.end());
    const double median = micros[micros.size() / 2];
    state.counters["median_us"] = median;
    state.counters["p99_us"] = micros[std::min(micros.size() - 1, micros.size() * 99 / 100)];
    state.counters["of_goal"] = median / goalMicros;
}

// CPU seconds used by every thread of the process (RUSAGE_SELF) or by the
// calling one (RUSAGE_THREAD).
inline double CpuSeconds(int who = RUSAGE_SELF) {
    rusage usage{};
    getrusage(who, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// cpu_% and of_goal (the share of one core over the goal of 1%).
inline void ReportCpuShare(benchmark::State& state, double share) {
    state.counters["cpu_%"] = share * 100.0;
    state.counters["of_goal"] = share / 0.01;
}

}  // namespace bench
