#pragma once

#include <functional>
#include <string>
#include <vector>

#include "companion/log/logged_run.h"
#include "companion/platform/console.h"

namespace tavr {

// Draws a logged run into the picture file `path` (its extension says the kind); false, with
// `error` set, when it could not be written.
using PlotRenderer =
    std::function<bool(const LoggedRun& run, const std::string& path, std::string& error)>;

// The command-line companion: runs the sub-command that `arguments` (after the program name)
// name and returns the exit code (see ExitStatus).
int RunCompanion(const std::vector<std::string>& arguments, Console& console,
                 const PlotRenderer& renderPlot);

class OutputBuffer;

// Flushes and closes standard output (written through `buffer`) after a sub-command ended
// with `exitCode`. A write that failed on the way is reported on `err` with the system's
// reason, and turns success into ExitStatus::OutputFailed. Returns the exit code to end with.
int FinishStandardOutput(std::ostream& out, OutputBuffer& buffer, std::ostream& err, int exitCode);

}  // namespace tavr
