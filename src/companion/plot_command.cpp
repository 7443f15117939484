#include "companion/logged_run.h"
#include "companion/sub_commands.h"

namespace tavr {

namespace {

constexpr std::string_view PlotHelp =
    "usage: tavr-12864-cli plot FILE.csv -o FILE.png|FILE.svg\n"
    "Draws a run logged by watch: voltage, current, remaining capacity and temperature over\n"
    "time, with axes, units and a legend, as a PNG or SVG picture.\n";

bool EndsWith(const std::string& text, std::string_view end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

ExitStatus RunPlot(const std::vector<std::string>& arguments, Console& console,
                   const PlotRenderer& renderPlot) {
    const CommandArguments parsed = ParseCommandArguments(arguments, {"-o", "--output"});
    if (parsed.help) {
        console.out << PlotHelp;
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
    if (run->seconds.empty()) {
        return UsageError(console, "plot", parsed.positionals[0] + " holds no readings");
    }
    if (run->skippedRows > 0) {
        console.err << "tavr-12864-cli plot: skipped " << run->skippedRows << " unreadable rows of "
                    << parsed.positionals[0] << "\n";
    }
    if (!renderPlot(*run, output, error)) {
        console.err << "tavr-12864-cli plot: " << error << "\n";
        return ExitStatus::BadUsage;
    }
    return ExitStatus::Done;
}

}  // namespace tavr
