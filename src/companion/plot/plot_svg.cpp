#include "companion/plot/plot_svg.h"

#include <charconv>
#include <cstdio>

namespace tavr {

namespace {

constexpr const char* kFontFamily = "DejaVu Sans, Arial, sans-serif";

// Coordinates to a hundredth of a pixel, written without the C locale (it may use a comma).
std::string Number(double value) {
    char text[64];
    const auto result =
        std::to_chars(text, text + sizeof text, value, std::chars_format::general, 8);
    return std::string(text, result.ptr);
}

std::string Colour(PlotColour colour) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", colour.red, colour.green, colour.blue);
    return text;
}

std::string Escaped(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

class SvgWriter {
  public:
    void Line(PlotPoint from, PlotPoint to, PlotColour colour, double width) {
        svg_ += "<line x1=\"" + Number(from.x) + "\" y1=\"" + Number(from.y) + "\" x2=\"" +
                Number(to.x) + "\" y2=\"" + Number(to.y) + "\" stroke=\"" + Colour(colour) +
                "\" stroke-width=\"" + Number(width) + "\"/>\n";
    }

    void Frame(const PlotRect& area) {
        svg_ += "<rect x=\"" + Number(area.left) + "\" y=\"" + Number(area.top) + "\" width=\"" +
                Number(area.width) + "\" height=\"" + Number(area.height) +
                "\" fill=\"none\" stroke=\"" + Colour(kPlotInk) + "\" stroke-width=\"" +
                Number(kFrameWidth) + "\"/>\n";
    }

    // Centred on its anchor vertically by shifting its baseline a third of an em down, which
    // every SVG renderer follows (not all follow dominant-baseline).
    void Text(const PlotText& text) {
        if (text.text.empty()) {
            return;
        }
        const char* anchor = text.align == TextAlign::Start    ? "start"
                             : text.align == TextAlign::Centre ? "middle"
                                                               : "end";
        const std::string x = Number(text.anchor.x);
        const std::string y = Number(text.anchor.y);
        svg_ += "<text x=\"" + x + "\" y=\"" + y + "\" font-size=\"" + Number(text.size) +
                "\" text-anchor=\"" + anchor + "\" dy=\"0.35em\"";
        if (text.rotated) {
            svg_ += " transform=\"rotate(-90 " + x + " " + y + ")\"";
        }
        svg_ += ">" + Escaped(text.text) + "</text>\n";
    }

    void Series(const PlotSeries& series) {
        const std::string colour = Colour(series.colour);
        for (const std::vector<PlotPoint>& segment : series.segments) {
            if (segment.size() == 1) {
                svg_ += "<circle cx=\"" + Number(segment[0].x) + "\" cy=\"" + Number(segment[0].y) +
                        "\" r=\"" + Number(kDotRadius) + "\" fill=\"" + colour + "\"/>\n";
                continue;
            }
            svg_ += "<polyline fill=\"none\" stroke=\"" + colour + "\" stroke-width=\"" +
                    Number(kSeriesWidth) + "\" stroke-linejoin=\"round\" points=\"";
            for (const PlotPoint& point : segment) {
                svg_ += Number(point.x) + "," + Number(point.y) + " ";
            }
            svg_.back() = '"';
            svg_ += "/>\n";
        }
    }

    void Panel(const PlotPanel& panel) {
        const PlotRect& area = panel.area;
        for (const PlotTick& tick : panel.values.ticks) {
            Line({area.left, tick.position}, {area.Right(), tick.position}, kPlotGrid, kGridWidth);
            Text(tick.label);
        }
        for (const PlotTick& tick : panel.time.ticks) {
            Line({tick.position, area.top}, {tick.position, area.Bottom()}, kPlotGrid, kGridWidth);
            Text(tick.label);
        }
        Frame(area);
        Text(panel.values.title);
        Text(panel.time.title);
        for (const PlotSeries& series : panel.series) {
            Series(series);
        }
    }

    std::string Document(const PlotDescription& plot) {
        const std::string width = Number(plot.width);
        const std::string height = Number(plot.height);
        std::string head =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
            width + "\" height=\"" + height + "\" viewBox=\"0 0 " + width + " " + height +
            "\" font-family=\"" + kFontFamily + "\">\n<title>" + Escaped(plot.title.text) +
            "</title>\n<rect width=\"" + width + "\" height=\"" + height + "\" fill=\"" +
            Colour(kPlotBackground) + "\"/>\n<g fill=\"" + Colour(kPlotInk) + "\">\n";
        return head + svg_ + "</g>\n</svg>\n";
    }

  private:
    std::string svg_;
};

}  // namespace

std::string PlotSvg(const PlotDescription& plot) {
    SvgWriter writer;
    writer.Text(plot.title);
    for (const PlotLegendEntry& entry : plot.legend) {
        writer.Line(entry.lineStart, entry.lineEnd, entry.colour, kLegendLineWidth);
        writer.Text(entry.label);
    }
    for (const PlotPanel& panel : plot.panels) {
        writer.Panel(panel);
    }
    return writer.Document(plot);
}

}  // namespace tavr
