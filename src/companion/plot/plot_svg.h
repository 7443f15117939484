#pragma once

#include <string>

#include "companion/plot/plot_description.h"

namespace tavr {

// The description as an SVG document, written as text: the same on every platform.
std::string PlotSvg(const PlotDescription& plot);

}  // namespace tavr
