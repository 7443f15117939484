#pragma once

#include <string>

#include "companion/log/logged_run.h"

namespace tavr {

// Draws a logged run into `path`, a PNG or SVG file by its extension (see DescribeRunPlot for
// the picture). False, with `error` set, when the run holds nothing to draw or the picture could
// not be written.
bool DrawRunPlot(const LoggedRun& run, const std::string& path, std::string& error);

}  // namespace tavr
