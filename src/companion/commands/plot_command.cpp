#include "companion/commands/sub_commands.h"
#include "companion/log/logged_run.h"

namespace tavr {

namespace {

constexpr std::string_view kPlotHelp =
    "usage: tavr-12864-cli plot FILE.csv -o FILE.png|FILE.svg\n"
    "Draws a run logged by watch: voltage, current, remaining capacity and temperature over\n"
    "time (and the second temperature and second voltage when logged), each in a panel with\n"
    "its axis and unit, under a title with the run's start and a legend, as a PNG or SVG\n"
    "picture. A log of several meters (a device column) draws one line per device. Lines break\n"
    "where readings are missing (a gap over 3 times the median period). Rows that cannot be\n"
    "read, such as a last row cut off by a kill, are skipped and named on standard error.\n";

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
    const CommandArguments parsed = ParseCommandArguments(arguments, {"-o", "--output"});
    if (parsed.help) {
        console.out << kPlotHelp;
        return ExitStatus::Done;
    }
    if (!parsed.error.empty()) {
        return UsageError(console, "plot", parsed.error);
    }
    if (parsed.positionals.size() != 1) {
        return UsageError(console, "plot", "give one logged FILE.csv");
    }
    const std::string output = parsed.Option("-o").value_or(parsed.Option("--output").value_or(""));
    if (!EndsWith(output, ".png") && !EndsWith(output, ".svg")) {
        return UsageError(console, "plot", "-o FILE.png or -o FILE.svg is required");
    }
    std::string error;
    const std::optional<LoggedRun> run = ReadLoggedRun(parsed.positionals[0], error);
    if (!run) {
        return UsageError(console, "plot", error);
    }
    ReportSkippedRows(*run, parsed.positionals[0], console);
    if (!run->HasReadings()) {
        return UsageError(console, "plot", parsed.positionals[0] + " holds no readings");
    }
    if (!renderPlot(*run, output, error)) {
        console.err << "tavr-12864-cli plot: " << error << "\n";
        return ExitStatus::BadUsage;
    }
    return ExitStatus::Done;
}

}  // namespace tavr
