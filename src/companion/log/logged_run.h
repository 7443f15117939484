#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavr {

// One register's column of a `watch` log, for one meter.
struct LoggedSeries {
    std::uint16_t address = 0;
    std::string unit;
    std::vector<std::optional<double>> values;  // one per row of the meter; nothing if empty
};

// The rows of one meter in a `watch` log.
struct LoggedDevice {
    std::optional<int> id;             // nothing in a log without a device column (one meter)
    std::vector<double> seconds;       // each row's time, in seconds since the run's first row
    std::vector<LoggedSeries> series;  // every register column, in the log's order
    std::string firstStamp;            // the timestamps of its first and last row, as logged
    std::string lastStamp;

    const LoggedSeries* Find(std::uint16_t address) const {
        for (const LoggedSeries& column : series) {
            if (column.address == address) {
                return &column;
            }
        }
        return nullptr;
    }
};

// A line of the log that holds no reading, and why.
struct SkippedRow {
    std::int64_t line = 0;  // the header is line 1
    std::string reason;
};

// A `watch` log read back: the one reading of it that plot, report and the tests share. A log of
// several meters has a `device` column right after the time; its rows are sorted out by device.
struct LoggedRun {
    std::string start;                  // the first row's timestamp as written, local time
    std::vector<LoggedDevice> devices;  // in the order of their IDs; one without a device column
    std::vector<SkippedRow> skipped;
    std::vector<std::uint16_t> registers;  // the header's register columns, in its order

    bool HasReadings() const {
        for (const LoggedDevice& device : devices) {
            if (!device.seconds.empty()) {
                return true;
            }
        }
        return false;
    }
};

// Reads the log at `path` (UTF-8). A row that cannot be read (a last line without its line break,
// which was cut off while written even when its cells look whole, a wrong number of cells, a
// time, device ID or number that does not parse) is skipped and listed; an empty cell is a
// reading the meter did not give. Nothing, with `error` set, when the file cannot be read, is not
// a regular file (a FIFO or a device could block or never end) or its first line is not a watch
// log's header.
std::optional<LoggedRun> ReadLoggedRun(const std::string& path, std::string& error);

}  // namespace tavr
