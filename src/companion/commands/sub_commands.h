#pragma once

#include <string>
#include <vector>

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

}  // namespace tavr
