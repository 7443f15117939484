#pragma once

#include <optional>
#include <set>
#include <string>

#include "companion/cli/command_arguments.h"
#include "companion/meter/connection_choice.h"

namespace tavr {

// How many meters a sub-command talks to.
enum class MeterCount { One, Several };

// `own` with the options of a sub-command that talks to the meter: --port, --baud, --id,
// --timeout and --retries.
std::set<std::string, std::less<>> WithConnectionOptions(std::set<std::string, std::less<>> own);

// Their help; `retriesDefault` describes the default of --retries.
std::string ConnectionOptionsHelp(MeterCount meters, const std::string& retriesDefault = "2");

// The connection the options choose, each option not given taken from the window's last
// connection. Nothing, with `error` set, for a bad value (or a list of IDs for MeterCount::One).
std::optional<ConnectionChoice> ChooseConnection(const CommandArguments& arguments,
                                                 MeterCount meters, std::string& error);

}  // namespace tavr
