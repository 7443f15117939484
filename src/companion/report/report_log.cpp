#include "companion/report/report_log.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <map>

#include "companion/log/log_timestamp.h"
#include "companion/log/run_log.h"
#include "companion/meter/register_address.h"

namespace tavr {

namespace {

constexpr std::uint16_t kVoltage = 0x03;
constexpr std::uint16_t kCurrent = 0x04;
constexpr std::uint16_t kTemperature = 0x05;
constexpr std::uint16_t kRemaining = 0x07;
constexpr std::uint16_t kEnergy = 0x08;
constexpr std::uint16_t kPercent = 0x0B;

std::optional<double> Number(const std::string& cell) {
    double value = 0;
    const auto [end, failure] = std::from_chars(cell.data(), cell.data() + cell.size(), value);
    if (cell.empty() || failure != std::errc() || end != cell.data() + cell.size()) {
        return std::nullopt;
    }
    return value;
}

// Where each register's cells are in a row.
struct Columns {
    bool device = false;
    std::size_t count = 0;
    std::map<std::uint16_t, std::size_t> cell;

    std::optional<std::size_t> Of(std::uint16_t address) const {
        const auto found = cell.find(address);
        return found == cell.end() ? std::nullopt : std::optional(found->second);
    }
};

std::optional<Columns> ReadHeader(const std::vector<std::string>& headings) {
    Columns columns;
    columns.count = headings.size();
    columns.device = headings.size() > 1 && headings[1] == "device";
    if (headings[0] != "time") {
        return std::nullopt;
    }
    for (std::size_t k = columns.device ? 2 : 1; k < headings.size(); ++k) {
        const std::string& heading = headings[k];
        const auto address =
            ParseRegisterAddress(std::string_view(heading).substr(0, heading.find(' ')));
        if (!address) {
            return std::nullopt;
        }
        columns.cell[*address] = k;
    }
    if (!columns.Of(kVoltage) || !columns.Of(kCurrent)) {
        return std::nullopt;
    }
    return columns;
}

// The sample of one row; why not, when the row is incomplete.
std::optional<LoggedSample> ReadSample(const std::vector<std::string>& cells,
                                       const Columns& columns, std::string& why) {
    const std::optional<double> time = ParseTimestamp(cells[0]);
    if (!time) {
        why = "unreadable time " + cells[0];
        return std::nullopt;
    }
    LoggedSample sample;
    sample.seconds = *time;
    const auto take = [&](std::uint16_t address, std::optional<double>& target) {
        const auto column = columns.Of(address);
        if (!column) {
            return true;
        }
        target = Number(cells[*column]);
        if (!target) {
            why = "no number in " + RegisterName(address);
        }
        return target.has_value();
    };
    std::optional<double> volts;
    std::optional<double> amps;
    if (!take(kVoltage, volts) || !take(kCurrent, amps) || !take(kTemperature, sample.celsius) ||
        !take(kRemaining, sample.remainingAh) || !take(kEnergy, sample.energyWh) ||
        !take(kPercent, sample.percent)) {
        return std::nullopt;
    }
    sample.volts = *volts;
    sample.amps = *amps;
    return sample;
}

}  // namespace

std::optional<ReportLog> ReadReportLog(const std::string& path, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    std::string line;
    std::getline(file, line);
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    const std::optional<Columns> columns = ReadHeader(SplitLogCells(line));
    if (!columns) {
        error = path +
                " is not a log written by watch with the voltage and the current (its first line "
                "should be \"time,0003H V,0004H A,...\" or \"time,device,0003H V,0004H A,...\")";
        return std::nullopt;
    }
    ReportLog log;
    std::map<int, std::size_t> runOfDevice;
    for (std::size_t number = 2; std::getline(file, line); ++number) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const std::vector<std::string> cells = SplitLogCells(line);
        std::string why = "cut off";
        std::optional<LoggedSample> sample;
        std::optional<int> device;
        if (cells.size() == columns->count) {
            sample = ReadSample(cells, *columns, why);
        }
        if (sample && columns->device) {
            const std::optional<double> id = Number(cells[1]);
            device = id ? std::optional(static_cast<int>(*id)) : std::nullopt;
            if (!id || *id != static_cast<double>(*device) || *device < 1 || *device > 247) {
                why = "no device ID in " + cells[1];
                sample.reset();
            }
        }
        if (!sample) {
            log.skipped.push_back("line " + std::to_string(number) + ": " + why);
            continue;
        }
        const int key = device.value_or(0);
        if (!runOfDevice.contains(key)) {
            runOfDevice[key] = log.devices.size();
            log.devices.push_back({device, cells[0], cells[0], {}});
        }
        DeviceRun& run = log.devices[runOfDevice[key]];
        run.lastTime = cells[0];
        run.samples.push_back(*sample);
    }
    return log;
}

}  // namespace tavr
