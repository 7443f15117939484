#pragma once

#include <optional>
#include <string>

#include "companion/command_arguments.h"
#include "companion/connection_choice.h"

namespace tavr {

// The options --port, --baud and --id of a sub-command that talks to the meter.
std::string ConnectionOptionsHelp();

// The connection the options choose, each option not given taken from the window's last
// connection. Nothing, with `error` set, for a bad value.
std::optional<ConnectionChoice> ChooseConnection(const CommandArguments& arguments,
                                                 std::string& error);

}  // namespace tavr
