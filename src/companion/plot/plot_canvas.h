#pragma once

#include <span>

#include "companion/plot/plot_description.h"

namespace tavr {

// What a PNG painter draws with: the platform's few primitives. PaintPlot walks a description in
// one order for every platform, so the pictures differ only in how the primitives are drawn.
class PlotCanvas {
  public:
    virtual ~PlotCanvas() = default;

    virtual void Fill(const PlotRect& area, PlotColour colour) = 0;
    virtual void Line(PlotPoint from, PlotPoint to, PlotColour colour, double width) = 0;
    virtual void Frame(const PlotRect& area, PlotColour colour, double width) = 0;
    // A text that is not empty, in kPlotInk.
    virtual void Text(const PlotText& text) = 0;
    virtual void Dot(PlotPoint centre, PlotColour colour) = 0;
    // A line through `points` (at most kPointsPerStroke), with round joins and caps, so that
    // the pieces of one long line join as its points do.
    virtual void Stroke(std::span<const PlotPoint> points, PlotColour colour) = 0;
};

// Draws `plot` on `canvas`: background, title, legend, then each panel's grid with its numbers,
// frame, axis titles and lines (a segment of one point as a dot).
void PaintPlot(const PlotDescription& plot, PlotCanvas& canvas);

}  // namespace tavr
