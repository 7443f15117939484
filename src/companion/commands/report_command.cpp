#include <algorithm>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "companion/cli/command_line.h"
#include "companion/commands/sub_commands.h"
#include "companion/log/logged_run.h"
#include "companion/report/discharge_report.h"

namespace tavr {

namespace {

using json = nlohmann::ordered_json;

constexpr std::size_t kSkippedLinesShown = 10;
constexpr std::uint16_t kVoltage = 0x03;
constexpr std::uint16_t kCurrent = 0x04;
constexpr char kNotAReportableLog[] =
    " is not a log written by watch with the voltage and the current (its first line should be "
    "\"time,0003H V,0004H A,...\" or \"time,device,0003H V,0004H A,...\")";

constexpr char kReportDescription[] =
    "Sums up a log written by watch, for each meter in it: the duration; the charge out and in "
    "(Ah, integrated from the current; gaps over 3 times the median period are not bridged); the "
    "energy out and in (Wh, from voltage x current); the least, mean and largest voltage, "
    "current and temperature; the remaining charge and percentage at the start and the end; and "
    "the change of the meter's own Ah and Wh counters beside the integrated figures. A positive "
    "current is a discharge. Incomplete rows are left out, each with a line on standard error.";

std::string Fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value == 0 ? 0.0 : value);
    return text;
}

std::string Signed(double value, int decimals) {
    return (value > 0 ? "+" : "") + Fixed(value, decimals);
}

std::string Duration(double seconds) {
    const auto whole = static_cast<long long>(seconds);
    const long long hours = whole / 3600;
    const long long minutes = whole / 60 % 60;
    const std::string rest = Fixed(seconds - static_cast<double>(whole - whole % 60), 1) + " s";
    if (hours > 0) {
        return std::to_string(hours) + " h " + std::to_string(minutes) + " min " + rest;
    }
    return minutes > 0 ? std::to_string(minutes) + " min " + rest : rest;
}

// "-" when the log holds no value of the quantity.
std::string SpreadText(const std::optional<Spread>& spread, int decimals, const std::string& unit) {
    if (!spread) {
        return "-";
    }
    return "min " + Fixed(spread->min, decimals) + " " + unit + ", mean " +
           Fixed(spread->mean, decimals) + " " + unit + ", max " + Fixed(spread->max, decimals) +
           " " + unit;
}

std::string Line(const std::string& label, const std::string& text) {
    return "  " + label + std::string(18 - label.size(), ' ') + text + "\n";
}

std::string ChargeAt(const std::optional<double>& ah, const std::optional<double>& percent) {
    std::string text = ah ? Fixed(*ah, 1) + " Ah" : "-";
    if (percent) {
        text += " (" + Fixed(*percent, 2) + " %)";
    }
    return text;
}

std::string TextReport(const LoggedDevice& run, const DischargeReport& report) {
    std::string text = (run.id ? "device " + std::to_string(*run.id) : "meter") + ": " +
                       std::to_string(report.readings) + " readings from " + run.firstStamp +
                       " to " + run.lastStamp + "\n";
    text += Line("duration", Duration(report.durationSeconds) + " (median period " +
                                 Fixed(report.medianPeriodSeconds, 3) + " s, " +
                                 std::to_string(report.gaps) + " gaps not bridged)");
    text += Line("charge",
                 "out " + Fixed(report.ahOut, 3) + " Ah, in " + Fixed(report.ahIn, 3) + " Ah");
    text += Line("energy",
                 "out " + Fixed(report.whOut, 2) + " Wh, in " + Fixed(report.whIn, 2) + " Wh");
    text += Line("voltage", SpreadText(report.volts, 3, "V"));
    text += Line("current", SpreadText(report.amps, 3, "A"));
    if (report.celsius) {
        text += Line("temperature", SpreadText(report.celsius, 1, "°C"));
    }
    if (report.remainingAhStart || report.percentStart) {
        text += Line("remaining charge",
                     ChargeAt(report.remainingAhStart, report.percentStart) + " at the start, " +
                         ChargeAt(report.remainingAhEnd, report.percentEnd) + " at the end");
    }
    if (report.meterAhChange || report.meterWhChange) {
        std::string counters;
        if (report.meterAhChange) {
            counters += "remaining charge " + Signed(*report.meterAhChange, 1) + " Ah";
        }
        if (report.meterWhChange) {
            counters += std::string(counters.empty() ? "" : ", ") + "energy used " +
                        Signed(*report.meterWhChange, 0) + " Wh";
        }
        counters += " (integrated: net charge " + Signed(report.ahIn - report.ahOut, 3) +
                    " Ah, energy out " + Fixed(report.whOut, 2) + " Wh)";
        text += Line("meter's counters", counters);
    }
    return text;
}

// Figures to the micro-unit: enough for any meter, without binary fractions' long tails.
json Rounded(double value) {
    return std::round(value * 1e6) / 1e6;
}

json Optional(const std::optional<double>& value) {
    return value ? Rounded(*value) : json(nullptr);
}

json SpreadJson(const std::optional<Spread>& spread) {
    if (!spread) {
        return nullptr;
    }
    return {{"min", Rounded(spread->min)},
            {"mean", Rounded(spread->mean)},
            {"max", Rounded(spread->max)}};
}

json JsonReport(const LoggedDevice& run, const DischargeReport& report) {
    return {
        {"device", run.id ? json(*run.id) : json(nullptr)},
        {"first_time", run.firstStamp},
        {"last_time", run.lastStamp},
        {"readings", report.readings},
        {"duration_s", Rounded(report.durationSeconds)},
        {"median_period_s", Rounded(report.medianPeriodSeconds)},
        {"gaps", report.gaps},
        {"charge_ah", {{"out", Rounded(report.ahOut)}, {"in", Rounded(report.ahIn)}}},
        {"energy_wh", {{"out", Rounded(report.whOut)}, {"in", Rounded(report.whIn)}}},
        {"voltage_v", SpreadJson(report.volts)},
        {"current_a", SpreadJson(report.amps)},
        {"temperature_c", SpreadJson(report.celsius)},
        {"remaining_ah",
         {{"start", Optional(report.remainingAhStart)}, {"end", Optional(report.remainingAhEnd)}}},
        {"percent",
         {{"start", Optional(report.percentStart)}, {"end", Optional(report.percentEnd)}}},
        {"meter_counters",
         {{"remaining_ah_change", Optional(report.meterAhChange)},
          {"energy_wh_change", Optional(report.meterWhChange)}}},
    };
}

void ReportSkipped(const std::vector<SkippedRow>& skipped, const std::string& path,
                   Console& console) {
    for (std::size_t k = 0; k < skipped.size() && k < kSkippedLinesShown; ++k) {
        console.err << "tavr-12864-cli report: " << path << " line " << skipped[k].line << ": "
                    << skipped[k].reason << "; row left out\n";
    }
    if (skipped.size() > kSkippedLinesShown) {
        console.err << "tavr-12864-cli report: " << path << ": "
                    << skipped.size() - kSkippedLinesShown << " more rows left out\n";
    }
}

bool HoldsVoltageAndCurrent(const LoggedRun& log) {
    const auto logged = [&](std::uint16_t address) {
        return std::find(log.registers.begin(), log.registers.end(), address) !=
               log.registers.end();
    };
    return logged(kVoltage) && logged(kCurrent);
}

}  // namespace

ExitStatus RunReport(const std::vector<std::string>& arguments, Console& console) {
    CommandLine line("report", kReportDescription, "LOG.csv");
    std::string format = "text";
    line.App()
        .add_option("--format", format, "text (default) or json")
        ->type_name("F")
        ->check(OneOf({"text", "json"}));
    if (const auto ended = line.Parse(arguments, console)) {
        return *ended;
    }
    if (line.Positionals().size() != 1) {
        return line.UsageError(console, "give one logged FILE.csv");
    }
    const std::string& path = line.Positionals()[0];
    std::string error;
    const std::optional<LoggedRun> log = ReadLoggedRun(path, error);
    if (!log) {
        return line.UsageError(console, error);
    }
    if (!HoldsVoltageAndCurrent(*log)) {
        return line.UsageError(console, path + kNotAReportableLog);
    }
    ReportSkipped(log->skipped, path, console);
    if (!log->HasReadings()) {
        return line.UsageError(console, path + " holds no complete reading");
    }
    json devices = json::array();
    std::string text;
    for (const LoggedDevice& run : log->devices) {
        const DischargeReport report = ReportRun(run);
        devices.push_back(JsonReport(run, report));
        text += (text.empty() ? "" : "\n") + TextReport(run, report);
    }
    if (format == "json") {
        console.out << json{{"devices", devices}, {"skipped_rows", log->skipped.size()}}.dump(2)
                    << "\n";
    } else {
        console.out << text;
    }
    return ExitStatus::Done;
}

}  // namespace tavr
