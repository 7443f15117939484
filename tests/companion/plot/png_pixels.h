#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "companion/plot/plot_description.h"

namespace tavr {

// A PNG picture decoded by the platform's own imaging (Qt on Linux, GDI+ on Windows), so that a
// test can look at what a painter drew.
struct PngPixels {
    int width = 0;
    int height = 0;
    std::vector<PlotColour> pixels;  // row by row from the top left

    PlotColour At(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)];
    }
};

std::optional<PngPixels> DecodePng(const std::string& bytes);

}  // namespace tavr
