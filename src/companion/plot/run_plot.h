#pragma once

#include <string>

#include "companion/logged_run.h"

namespace tavr {

// Draws a logged run into `path`, a PNG or SVG file by its extension: voltage, current,
// remaining capacity and temperature over time, each in a panel with its own axis and unit,
// under a legend. Needs no window: a Qt application on the offscreen platform is made when none
// exists. False, with `error` set, when the picture could not be written.
bool DrawRunPlot(const LoggedRun& run, const std::string& path, std::string& error);

}  // namespace tavr
