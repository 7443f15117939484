#include "support/benchmark_main.h"

#include <cstdio>
#include <exception>
#include <string>

namespace tavr {

int RunBenchmark(std::string_view program, int argc, char** argv, CountOptions options,
                 const std::function<int(const CountOptions&)>& measure) {
    if (!options.Parse(ArgumentsOf(argc, argv))) {
        std::fprintf(options.HelpRequested() ? stdout : stderr, "%s%s%s", options.Error().c_str(),
                     options.Error().empty() ? "" : "\n", options.Usage(program).c_str());
        return options.HelpRequested() ? 0 : 2;
    }
    try {
        return measure(options);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s: %s\n", std::string(program).c_str(), error.what());
        return 1;
    }
}

}  // namespace tavr
