#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "registers/register_catalogue.h"
#include "registers/register_reading.h"

namespace tavr {

// The CSV log of a `watch` run: a header "time,0003H V,0004H A,..." (address and unit of each
// chosen register), then one row per reading: the timestamp and the registers' numbers. A file
// that already holds a log is appended to, never truncated; every row is flushed to the file
// as soon as it is written, so a kill loses at most the row being written.
class RunLog {
  public:
    // The header line (without its line break) for `registers`.
    static std::string Header(const std::vector<std::uint16_t>& registers,
                              const RegisterCatalogue& catalogue);

    // Opens `path` for appending (`standardOutput` for an empty path) and writes the header when
    // the file is new or empty. An existing log with other columns is refused: its rows would
    // no longer match their header. On failure `error` says why.
    bool Open(const std::string& path, const std::string& header, std::ostream& standardOutput,
              std::string& error);

    // Writes one row; false when it could not be written whole.
    bool WriteRow(const std::string& timestamp, const RegisterReadings& readings,
                  const std::vector<std::uint16_t>& registers, const RegisterCatalogue& catalogue);

    bool ToStandardOutput() const { return stream_ != nullptr; }

  private:
    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    bool WriteLine(const std::string& line);

    std::unique_ptr<std::FILE, Closer> file_;
    std::ostream* stream_ = nullptr;
};

}  // namespace tavr
