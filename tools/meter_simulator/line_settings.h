#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tavr::simulator {

// The line settings that the program last set on the terminal.
struct LineSettings {
    std::uint32_t baud = 0;
    int dataBits = 8;
    bool parity = false;

    // What a meter at `meterBaud` (8 data bits, no parity, 1 stop bit) can understand. Extra
    // stop bits only lengthen the pause between characters, so they do not matter.
    bool SuitMeterAt(std::uint32_t meterBaud) const {
        return baud == meterBaud && dataBits == 8 && !parity;
    }

    std::string Describe() const;
};

// Reads the settings of a terminal, with the exact baud rate also for rates that have no
// symbolic constant (such as 14400).
std::optional<LineSettings> ReadLineSettings(int fd);

}  // namespace tavr::simulator
