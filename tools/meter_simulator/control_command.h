#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "meter_simulator/fault.h"

namespace tavr::simulator {

// One line of the control channel on standard input:
//   fault KIND [ARG]   change the fault (see Fault)
//   hangup [MS]        hang up the line now and offer a new one MS ms later (default 200)
//   set ADDR VALUE     store VALUE (0..65535) in register ADDR and keep the live values off it
//   get ADDR           print "value 0xADDR VALUE"
//   quit               end the simulator
// "meter ID " before fault, set or get aims it at the meter of the bus with that device ID;
// without it fault and set reach every meter and get reads the first.
// Numbers are decimal or 0x-prefixed hexadecimal.
struct ControlCommand {
    enum class Kind { SetFault, HangUp, Set, Get, Quit };
    Kind kind = Kind::Quit;
    Fault fault;
    std::chrono::milliseconds pause{200};
    int address = 0;
    std::uint16_t value = 0;
    std::optional<int> meter;  // the device ID aimed at; nothing: every meter
};

struct ParsedControlCommand {
    std::optional<ControlCommand> command;  // nullopt for a blank line or an error
    std::string error;
};

ParsedControlCommand ParseControlCommand(std::string_view line);

}  // namespace tavr::simulator
