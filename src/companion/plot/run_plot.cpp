#include "companion/plot/run_plot.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "companion/plot/plot_description.h"
#include "companion/plot/plot_png.h"
#include "companion/plot/plot_svg.h"

namespace tavr {

namespace {

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Every write is checked, the close too (a full disk may show only there). `path` is UTF-8 on
// every platform.
bool WriteFile(const std::string& text, const std::string& path, std::string& error) {
    std::ofstream file(std::filesystem::path(std::u8string(path.begin(), path.end())),
                       std::ios::binary | std::ios::trunc);
    if (file) {
        file.write(text.data(), static_cast<std::streamsize>(text.size()));
        file.close();
    }
    if (!file) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace

bool DrawRunPlot(const LoggedRun& run, const std::string& path, std::string& error) {
    const PlotDescription plot = DescribeRunPlot(run);
    if (plot.panels.empty()) {
        error = "the log holds no readings of 0003H, 0004H, 0007H, 0005H, 0006H or 001EH to draw";
        return false;
    }
    if (EndsWith(path, ".svg")) {
        return WriteFile(PlotSvg(plot), path, error);
    }
    std::string png;
    return EncodePlotPng(plot, png, error) && WriteFile(png, path, error);
}

}  // namespace tavr
