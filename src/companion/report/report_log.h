#pragma once

#include <optional>
#include <string>
#include <vector>

#include "companion/report/discharge_report.h"

namespace tavr {

// The readings of one meter in a watch log, in the log's order.
struct DeviceRun {
    std::optional<int> deviceId;  // nothing in a log of one meter (no device column)
    std::string firstTime;        // the timestamps of the first and last reading, as logged
    std::string lastTime;
    std::vector<LoggedSample> samples;
};

// A watch log read for its report: "time[,device],0003H V,0004H A,..." with at least the
// voltage 0003H and the current 0004H; the temperature 0005H, remaining charge 0007H, energy
// 0008H and percentage 000BH are taken when logged.
struct ReportLog {
    std::vector<DeviceRun> devices;  // in the order they first appear
    // One line per row left out ("line 7: ...": cut off, an empty cell, an unreadable time).
    std::vector<std::string> skipped;
};

// Nothing, with `error` set, when the file cannot be read or is not such a log.
std::optional<ReportLog> ReadReportLog(const std::string& path, std::string& error);

}  // namespace tavr
