#pragma once

#include <string>

#include "companion/plot/plot_description.h"

namespace tavr {

// Paints the description into the bytes of a PNG file with the platform's own painting: QPainter
// on Linux, GDI+ on Windows. Needs no window. False, with `error` set, when the picture could
// not be made.
bool EncodePlotPng(const PlotDescription& plot, std::string& png, std::string& error);

}  // namespace tavr
