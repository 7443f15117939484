#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "support/count_options.h"

namespace tavr {

// Runs a benchmark program: takes `options` from the command line (printing the usage for
// "--help", or the error and the usage for a bad option), then runs `measure` with them. An
// exception ends the benchmark with its message. Returns the program's exit code.
int RunBenchmark(std::string_view program, int argc, char** argv, CountOptions options,
                 const std::function<int(const CountOptions&)>& measure);

// The figures of `count` runs, each made by `run`.
template <class Run>
auto RepeatRuns(std::int64_t count, Run run) {
    std::vector<decltype(run())> runs;
    for (std::int64_t index = 0; index < count; ++index) {
        runs.push_back(run());
    }
    return runs;
}

}  // namespace tavr
