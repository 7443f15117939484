#include "companion/log/logged_run.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>

#include "companion/log/log_path.h"
#include "companion/log/log_timestamp.h"
#include "companion/log/run_log.h"
#include "companion/meter/register_address.h"
#include "runtime/whole_number.h"

namespace tavr {

namespace {

constexpr std::string_view kDeviceHeading = "device";
constexpr int kLargestDeviceId = 247;

// "0003H V" → the register 0003H with unit "V".
std::optional<LoggedSeries> SeriesOfHeading(const std::string& heading) {
    const std::size_t blank = heading.find(' ');
    const std::optional<std::uint16_t> address =
        ParseRegisterAddress(std::string_view(heading).substr(0, blank));
    if (!address) {
        return std::nullopt;
    }
    LoggedSeries series;
    series.address = *address;
    series.unit = blank == std::string::npos ? "" : heading.substr(blank + 1);
    return series;
}

// The columns a header names: the time, the device when several meters were logged, then
// registers. Nothing for another header.
struct LogLayout {
    bool deviceColumn = false;
    std::vector<LoggedSeries> columns;  // without values

    std::size_t Cells() const { return columns.size() + (deviceColumn ? 2 : 1); }
};

std::optional<LogLayout> LayoutOfHeader(const std::string& header) {
    const std::vector<std::string> headings = SplitLogCells(header);
    LogLayout layout;
    layout.deviceColumn = headings.size() > 1 && headings[1] == kDeviceHeading;
    for (std::size_t k = layout.deviceColumn ? 2 : 1; k < headings.size(); ++k) {
        std::optional<LoggedSeries> series = SeriesOfHeading(headings[k]);
        if (!series) {
            return std::nullopt;
        }
        layout.columns.push_back(std::move(*series));
    }
    if (headings[0] != "time" || layout.columns.empty()) {
        return std::nullopt;
    }
    return layout;
}

std::optional<int> ParseDeviceId(const std::string& cell) {
    const auto id = ParseWholeNumber(cell, 1, kLargestDeviceId);
    return id ? std::optional(static_cast<int>(*id)) : std::nullopt;
}

// A cell's number; nothing for an empty cell (the meter gave no value). `bad` is set for a text
// that is not a finite number in the log's own notation (no locale, no blanks).
std::optional<double> ParseCell(const std::string& cell, bool& bad) {
    if (cell.empty()) {
        return std::nullopt;
    }
    double value = 0;
    const auto [end, error] = std::from_chars(cell.data(), cell.data() + cell.size(), value);
    bad = bad || error != std::errc() || end != cell.data() + cell.size() || !std::isfinite(value);
    return value;
}

void StripCarriageReturn(std::string& line) {
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
}

// One readable row of the log.
struct LogRow {
    std::string stamp;
    double time = 0;
    std::optional<int> device;
    std::vector<std::optional<double>> values;
};

// The row a line holds, or why it holds none.
std::optional<LogRow> ParseRow(const std::string& line, const LogLayout& layout,
                               std::string& reason) {
    const std::vector<std::string> cells = SplitLogCells(line);
    if (cells.size() != layout.Cells()) {
        reason = "holds " + std::to_string(cells.size()) + " of the header's " +
                 std::to_string(layout.Cells()) + " cells";
        return std::nullopt;
    }
    LogRow row;
    const std::optional<double> time = ParseTimestamp(cells[0]);
    if (!time) {
        reason = "\"" + cells[0] + "\" is not a time";
        return std::nullopt;
    }
    row.stamp = cells[0];
    row.time = *time;
    std::size_t next = 1;
    if (layout.deviceColumn) {
        row.device = ParseDeviceId(cells[next]);
        if (!row.device) {
            reason = "\"" + cells[next] + "\" is not a device ID";
            return std::nullopt;
        }
        ++next;
    }
    for (std::size_t k = 0; k < layout.columns.size(); ++k) {
        bool bad = false;
        row.values.push_back(ParseCell(cells[next + k], bad));
        if (bad) {
            reason = "\"" + cells[next + k] + "\" is not a number";
            return std::nullopt;
        }
    }
    return row;
}

void AddRow(LoggedDevice& device, const LogRow& row, double firstTime) {
    if (device.seconds.empty()) {
        device.firstStamp = row.stamp;
    }
    device.lastStamp = row.stamp;
    device.seconds.push_back(row.time - firstTime);
    for (std::size_t k = 0; k < row.values.size(); ++k) {
        device.series[k].values.push_back(row.values[k]);
    }
}

}  // namespace

std::optional<LoggedRun> ReadLoggedRun(const std::string& path, std::string& error) {
    const LogPathState state = LookAtLogPath(path);
    if (state.kind == LogPathState::Kind::NotAFile) {
        error = path + " is not a regular file (it is " + state.what + ")";
        return std::nullopt;
    }
    // The path is UTF-8 on every system (Windows would read a narrow one in its ANSI code page).
    const std::filesystem::path logPath(std::u8string(path.begin(), path.end()));
    std::ifstream file(logPath, std::ios::binary);
    if (!file) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    std::string line;
    std::getline(file, line);
    StripCarriageReturn(line);
    const std::optional<LogLayout> layout = LayoutOfHeader(line);
    if (!layout) {
        error =
            path + " is not a log written by watch (its first line should be \"time,0003H V,...\")";
        return std::nullopt;
    }
    LoggedRun run;
    for (const LoggedSeries& column : layout->columns) {
        run.registers.push_back(column.address);
    }
    std::map<std::optional<int>, LoggedDevice> devices;
    std::optional<double> firstTime;
    for (std::int64_t number = 2; std::getline(file, line); ++number) {
        // Every row watch writes ends with a line break; a last line without one was cut off
        // while it was written, and its last number may be cut short.
        if (file.eof()) {
            run.skipped.push_back({number, "cut off: the log ends inside it"});
            break;
        }
        StripCarriageReturn(line);
        std::string reason;
        const std::optional<LogRow> row = ParseRow(line, *layout, reason);
        if (!row) {
            run.skipped.push_back({number, reason});
            continue;
        }
        if (!firstTime) {
            firstTime = row->time;
            run.start = row->stamp;
        }
        auto [place, added] = devices.try_emplace(row->device);
        if (added) {
            place->second.id = row->device;
            place->second.series = layout->columns;
        }
        AddRow(place->second, *row, *firstTime);
    }
    for (auto& [id, device] : devices) {
        run.devices.push_back(std::move(device));
    }
    return run;
}

}  // namespace tavr
