#include "companion/cli/command_line.h"
#include "companion/commands/sub_commands.h"
#include "companion/log/logged_run.h"

namespace tavr {

namespace {

constexpr char kPlotDescription[] =
    "Draws a run logged by watch: voltage, current, remaining capacity and temperature over time "
    "(and the second temperature and second voltage when logged), each in a panel with its axis "
    "and unit, under a title with the run's start and a legend, as a PNG or SVG picture. A log "
    "of several meters (a device column) draws one line per device. Lines break where readings "
    "are missing (a gap over 3 times the median period). Rows that cannot be read, such as a "
    "last row cut off by a kill, are skipped and named on standard error.";

// Skipped rows named one by one; past these, only counted.
constexpr std::size_t kNamedSkips = 5;

bool EndsWith(const std::string& text, std::string_view end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

void ReportSkippedRows(const LoggedRun& run, const std::string& path, Console& console) {
    for (std::size_t k = 0; k < run.skipped.size() && k < kNamedSkips; ++k) {
        console.err << "tavr-12864-cli plot: skipped line " << run.skipped[k].line << " of " << path
                    << ": " << run.skipped[k].reason << "\n";
    }
    if (run.skipped.size() > kNamedSkips) {
        console.err << "tavr-12864-cli plot: skipped " << run.skipped.size() - kNamedSkips
                    << " more unreadable lines of " << path << "\n";
    }
}

}  // namespace

ExitStatus RunPlot(const std::vector<std::string>& arguments, Console& console,
                   const PlotRenderer& renderPlot) {
    CommandLine line("plot", kPlotDescription, "FILE.csv");
    std::string output;
    line.App()
        .add_option("-o,--output", output, "the picture to draw: FILE.png or FILE.svg")
        ->type_name("FILE");
    if (const auto ended = line.Parse(arguments, console)) {
        return *ended;
    }
    if (line.Positionals().size() != 1) {
        return line.UsageError(console, "give one logged FILE.csv");
    }
    if (!EndsWith(output, ".png") && !EndsWith(output, ".svg")) {
        return line.UsageError(console, "-o FILE.png or -o FILE.svg is required");
    }
    const std::string& path = line.Positionals()[0];
    std::string error;
    const std::optional<LoggedRun> run = ReadLoggedRun(path, error);
    if (!run) {
        return line.UsageError(console, error);
    }
    ReportSkippedRows(*run, path, console);
    if (!run->HasReadings()) {
        return line.UsageError(console, path + " holds no readings");
    }
    if (!renderPlot(*run, output, error)) {
        console.err << "tavr-12864-cli plot: " << error << "\n";
        return ExitStatus::BadUsage;
    }
    return ExitStatus::Done;
}

}  // namespace tavr
