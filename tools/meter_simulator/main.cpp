#include <cstdio>
#include <string_view>
#include <vector>

#include "meter_simulator/meter_simulator.h"
#include "meter_simulator/simulator_options.h"

int main(int argc, char** argv) {
    using namespace tavr::simulator;
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    const ParsedCommandLine parsed = ParseCommandLine(arguments);
    if (parsed.helpRequested) {
        std::fwrite(UsageText().data(), 1, UsageText().size(), stdout);
        return 0;
    }
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "tavr-meter-sim: %s\n", parsed.error.c_str());
        std::fwrite(UsageText().data(), 1, UsageText().size(), stderr);
        return 2;
    }
    MeterSimulator simulator(parsed.options);
    return simulator.Run();
}
