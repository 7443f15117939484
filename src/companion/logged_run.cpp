#include "companion/logged_run.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "companion/log_timestamp.h"
#include "companion/register_address.h"
#include "companion/run_log.h"

namespace tavr {

namespace {

// Splits one CSV line; quoted fields may hold commas and doubled quotes.
std::vector<std::string> SplitCsv(const std::string& line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
            fields.back() += '"';
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

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

std::optional<double> ParseCell(const std::string& cell, bool& bad) {
    if (cell.empty()) {
        return std::nullopt;
    }
    char* end = nullptr;
    const double value = std::strtod(cell.c_str(), &end);
    bad = bad || end != cell.c_str() + cell.size();
    return value;
}

void StripCarriageReturn(std::string& line) {
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
}

}  // namespace

const LoggedSeries* LoggedRun::Find(std::uint16_t address) const {
    for (const LoggedSeries& column : series) {
        if (column.address == address) {
            return &column;
        }
    }
    return nullptr;
}

std::optional<LoggedRun> ReadLoggedRun(const std::string& path, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    std::string line;
    std::getline(file, line);
    StripCarriageReturn(line);
    const std::vector<std::string> headings = SplitCsv(line);
    const bool deviceColumn = headings.size() > 1 && headings[1] == "device";
    const std::size_t firstSeries = deviceColumn ? 2 : 1;
    LoggedRun run;
    for (std::size_t k = firstSeries; k < headings.size(); ++k) {
        std::optional<LoggedSeries> series = SeriesOfHeading(headings[k]);
        if (!series) {
            break;
        }
        run.series.push_back(std::move(*series));
    }
    if (headings[0] != "time" || run.series.size() + firstSeries != headings.size()) {
        error =
            path + " is not a log written by watch (its first line should be \"time,0003H V,...\")";
        return std::nullopt;
    }
    std::optional<double> first;
    while (std::getline(file, line)) {
        const bool terminated = !file.eof();
        StripCarriageReturn(line);
        const std::vector<std::string> cells = SplitCsv(line);
        const std::optional<double> time = ParseTimestamp(cells[0]);
        bool bad = !IsCompleteLogRow(line, terminated, headings.size()) || !time;
        int device = 0;
        if (deviceColumn && !bad) {
            const std::optional<double> id = ParseCell(cells[1], bad);
            device = id ? static_cast<int>(*id) : 0;
            bad = bad || !id || *id != device;
        }
        std::vector<std::optional<double>> values;
        for (std::size_t k = firstSeries; k < cells.size() && !bad; ++k) {
            values.push_back(ParseCell(cells[k], bad));
        }
        if (bad) {
            ++run.skippedRows;
            continue;
        }
        first = first.value_or(*time);
        run.seconds.push_back(*time - *first);
        if (deviceColumn) {
            run.devices.push_back(device);
        }
        for (std::size_t k = 0; k < values.size(); ++k) {
            run.series[k].values.push_back(values[k]);
        }
    }
    return run;
}

}  // namespace tavr
