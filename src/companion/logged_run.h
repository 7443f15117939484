#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavr {

// One register's column of a `watch` log.
struct LoggedSeries {
    std::uint16_t address = 0;
    std::string unit;
    std::vector<std::optional<double>> values;  // one per row; nothing for an empty cell
};

// A `watch` log read back: the rows' times in seconds since the first row, the device of each
// row when the log watched several meters, and every register column.
struct LoggedRun {
    std::vector<double> seconds;
    std::vector<int> devices;  // one per row when the log has a device column; else empty
    std::vector<LoggedSeries> series;
    std::int64_t skippedRows = 0;  // rows that could not be read (e.g. cut off by a kill)

    const LoggedSeries* Find(std::uint16_t address) const;
};

// Reads the log at `path`. Nothing, with `error` set, when the file cannot be read or its first
// line is not a watch log's header.
std::optional<LoggedRun> ReadLoggedRun(const std::string& path, std::string& error);

}  // namespace tavr
