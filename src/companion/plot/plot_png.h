#pragma once

#include <string>

#include "companion/plot/plot_description.h"

namespace tavr {

// Paints the description into a PNG file at `path` (UTF-8) with the platform's own painting:
// QPainter on Linux, GDI+ on Windows. Needs no window. False, with `error` set, when the picture
// could not be made or written.
bool WritePlotPng(const PlotDescription& plot, const std::string& path, std::string& error);

}  // namespace tavr
