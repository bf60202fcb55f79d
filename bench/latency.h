// What the latency benchmarks share: milliseconds between two moments, the
// median/p95/max counters of a set of latencies, and an engine stand-in
// that notes when a command's first call arrives.
#pragma once

#include "support/fake_engine.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double msSince(Clock::time_point from, Clock::time_point to = Clock::now()) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// Counters prefix + "median_ms", "p95_ms" and "max_ms"; nothing for no values.
inline void reportLatencies(benchmark::State& state, const std::string& prefix,
                            std::vector<double> values) {
    if (values.empty())
        return;
    std::sort(values.begin(), values.end());
    state.counters[prefix + "median_ms"] = values[values.size() / 2];
    state.counters[prefix + "p95_ms"] = values[values.size() * 95 / 100];
    state.counters[prefix + "max_ms"] = values.back();
}

class TimedEngine : public FakeEngine {
  public:
    std::optional<Clock::time_point> firstCall;
    std::int32_t getState(std::int32_t* position) override {
        if (!firstCall)
            firstCall = Clock::now();
        return FakeEngine::getState(position);
    }
};

} // namespace bench
