#pragma once

#include <functional>
#include <string_view>

#include "support/count_options.h"

namespace tavr {

// Runs a benchmark program: takes `options` from the command line (printing the usage for
// "--help", or the error and the usage for a bad option), then runs `measure` with them. An
// exception ends the benchmark with its message. Returns the program's exit code.
int RunBenchmark(std::string_view program, int argc, char** argv, CountOptions& options,
                 const std::function<int(const CountOptions&)>& measure);

}  // namespace tavr
