#include "companion/plot/plot_canvas.h"

#include <algorithm>

namespace tavr {

namespace {

void PaintText(const PlotText& text, PlotCanvas& canvas) {
    if (!text.text.empty()) {
        canvas.Text(text);
    }
}

void PaintSeries(const PlotSeries& series, PlotCanvas& canvas) {
    for (const std::vector<PlotPoint>& segment : series.segments) {
        if (segment.size() == 1) {
            canvas.Dot(segment[0], series.colour);
            continue;
        }
        // Stroked in pieces: each piece's last point is the next one's first.
        for (std::size_t start = 0; start + 1 < segment.size(); start += kPointsPerStroke - 1) {
            const std::size_t count = std::min(kPointsPerStroke, segment.size() - start);
            canvas.Stroke(std::span(segment).subspan(start, count), series.colour);
        }
    }
}

void PaintPanel(const PlotPanel& panel, PlotCanvas& canvas) {
    const PlotRect& area = panel.area;
    for (const PlotTick& tick : panel.values.ticks) {
        canvas.Line({area.left, tick.position}, {area.Right(), tick.position}, kPlotGrid,
                    kGridWidth);
        PaintText(tick.label, canvas);
    }
    for (const PlotTick& tick : panel.time.ticks) {
        canvas.Line({tick.position, area.top}, {tick.position, area.Bottom()}, kPlotGrid,
                    kGridWidth);
        PaintText(tick.label, canvas);
    }
    canvas.Frame(area, kPlotInk, kFrameWidth);
    PaintText(panel.values.title, canvas);
    PaintText(panel.time.title, canvas);
    for (const PlotSeries& series : panel.series) {
        PaintSeries(series, canvas);
    }
}

}  // namespace

void PaintPlot(const PlotDescription& plot, PlotCanvas& canvas) {
    canvas.Fill({0, 0, plot.width, plot.height}, kPlotBackground);
    PaintText(plot.title, canvas);
    for (const PlotLegendEntry& entry : plot.legend) {
        canvas.Line(entry.lineStart, entry.lineEnd, entry.colour, kLegendLineWidth);
        PaintText(entry.label, canvas);
    }
    for (const PlotPanel& panel : plot.panels) {
        PaintPanel(panel, canvas);
    }
}

}  // namespace tavr
