#pragma once

#include <string_view>

#include "companion/cli/command_arguments.h"
#include "companion/commands/companion.h"
#include "companion/platform/console.h"
#include "companion/platform/exit_status.h"

namespace tavr {

// The sub-commands of the companion. Each takes its own arguments (after its name) and prints
// its help for --help.
ExitStatus RunPorts(const std::vector<std::string>& arguments, Console& console);
ExitStatus RunRead(const std::vector<std::string>& arguments, Console& console);
ExitStatus RunWatchCommand(const std::vector<std::string>& arguments, Console& console);
ExitStatus RunWrite(const std::vector<std::string>& arguments, Console& console);
ExitStatus RunPlot(const std::vector<std::string>& arguments, Console& console,
                   const PlotRenderer& renderPlot);
ExitStatus RunReport(const std::vector<std::string>& arguments, Console& console);
ExitStatus RunPublishCommand(const std::vector<std::string>& arguments, Console& console);

// Prints "tavr-12864-cli <command>: <message>" and a pointer to the help; BadUsage.
ExitStatus UsageError(Console& console, std::string_view command, std::string_view message);

}  // namespace tavr
