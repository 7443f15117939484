#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <vector>

#include <modbus.h>

#include "protocol/frame_codec.h"

namespace tavr {

// A plain Modbus RTU master from Debian's library, the yardstick the round trip is set against:
// it reads the meter's 35 holding registers back to back on the calling thread and decodes
// nothing. Used only by benchmarks.
class ReferenceMaster {
  public:
    // Opens `line` (a tty or a link to one) at `baud` for reads of `device`. Throws
    // std::runtime_error when the line cannot be opened.
    ReferenceMaster(const std::filesystem::path& line, int baud, int device);
    ~ReferenceMaster();
    ReferenceMaster(const ReferenceMaster&) = delete;
    ReferenceMaster& operator=(const ReferenceMaster&) = delete;

    using Registers = std::array<std::uint16_t, kRegisterCount>;

    // Reads all registers `cycles` times after `warmUpCycles` unmeasured reads; the round trip of
    // each measured read in µs. Throws std::runtime_error when a read fails.
    std::vector<double> ReadBackToBack(std::int64_t cycles, std::int64_t warmUpCycles);
    // Reads all registers once. Throws std::runtime_error when the read fails.
    Registers ReadAll();

  private:
    modbus_t* context_ = nullptr;
};

}  // namespace tavr
