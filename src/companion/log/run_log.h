#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "companion/platform/console.h"
#include "registers/register_catalogue.h"
#include "registers/register_reading.h"

namespace tavr {

// The CSV log of a `watch` run: a header "time,0003H V,0004H A,..." (address and unit of each
// chosen register; "time,device,..." when several meters are watched), then one row per
// reading. A file that already holds a log is appended to, never truncated; every row goes to
// the file in one write as soon as it is taken, and a row that could not be written whole is
// cut off again, so the log only ever holds whole rows.
class RunLog {
  public:
    RunLog() = default;
    ~RunLog();
    RunLog(const RunLog&) = delete;
    RunLog& operator=(const RunLog&) = delete;

    // The header line (without its line break) for `registers`, with the device column when
    // `deviceColumn`.
    static std::string Header(const std::vector<std::uint16_t>& registers,
                              const RegisterCatalogue& catalogue, bool deviceColumn = false);

    // Whether `path` may hold a log: a regular file, or a path where nothing is yet. Anything
    // else (a device, a pipe, a folder) is refused, with `error` saying what it is; nothing is
    // opened, so this never blocks.
    static bool CheckPath(const std::string& path, std::string& error);

    // Opens `path` for appending (standard output for an empty path) and writes the header when
    // the file is new or empty. An existing log with other columns is refused: its rows would
    // no longer match their header. An incomplete last row (cut off by a kill or a full disk)
    // is removed first, and `notice` says so. On failure `error` says why.
    bool Open(const std::string& path, const std::string& header, Console& console,
              std::string& error, std::string& notice);

    // Writes one row (its cells without the line break); false, with Failure() saying why, when
    // it could not be written whole.
    bool WriteRow(const std::string& row);

    // The row of a reading: the timestamp, the device ID when given, the registers' numbers.
    static std::string Row(const std::string& timestamp, int deviceId,
                           const RegisterReadings& readings,
                           const std::vector<std::uint16_t>& registers,
                           const RegisterCatalogue& catalogue);

    // What the last failed write met, in the system's words.
    const std::string& Failure() const { return failure_; }
    // "log.csv", or "standard output".
    const std::string& Name() const { return name_; }

  private:
    bool OpenFile(const std::string& path, const std::string& header, std::string& error,
                  std::string& notice);
    bool WriteLine(const std::string& line);

    int fd_ = -1;
    Console* console_ = nullptr;  // writing to its standard output when no file is open
    std::int64_t size_ = 0;       // the file's length after the last whole row
    std::string name_;
    std::string failure_;
};

// The cells of one CSV line of a log; quoted cells may hold commas and doubled quotes.
std::vector<std::string> SplitLogCells(std::string_view line);

}  // namespace tavr
