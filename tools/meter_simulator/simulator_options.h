#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "meter_simulator/fault.h"
#include "meter_simulator/meter_bus.h"

namespace tavr::simulator {

// How the simulator is started; see UsageText() for the command line.
struct SimulatorOptions {
    int com = 1;
    int address = 1;
    std::vector<int> bus;         // device IDs sharing the line; empty: the one at `address`
    std::vector<int> silentIds;   // meters of the bus that never answer
    std::vector<int> garbledIds;  // meters of the bus that answer with a wrong checksum
    int baud = 2400;
    bool checkBaud = false;
    std::string logDestination;  // empty: no log; "-": standard output; otherwise a file
    Fault fault;
    std::uint64_t seed = 1;
    bool frozen = false;       // the measurements and counters stand still
    bool readCommands = true;  // control commands come on standard input; its end stops
    bool paced = false;        // answers go out at the wire pace of `baud`
    int pacedGroup = 1;        // bytes handed over together on a paced line
};

struct ParsedCommandLine {
    SimulatorOptions options;
    bool helpRequested = false;
    std::string error;  // empty when the command line was understood
};

// Reads the arguments after the program name. Options take their value as the next argument or
// after "=".
ParsedCommandLine ParseCommandLine(std::span<const std::string_view> arguments);

std::string_view UsageText();

// The meters on the line: the bus's IDs (or the one address), each with the start fault, or
// silent or garbled where asked.
std::vector<BusMeterSetup> BusSetup(const SimulatorOptions& options);

}  // namespace tavr::simulator
