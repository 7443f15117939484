// The kernel's termios2 carries the baud rate as a number; its header cannot be combined with
// <termios.h>, so this file includes only the kernel's definitions.
#include "meter_simulator/line_settings.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace tavr::simulator {

std::string LineSettings::Describe() const {
    return std::to_string(baud) + " baud, " + std::to_string(dataBits) + " data bits, " +
           (parity ? "parity" : "no parity");
}

std::optional<LineSettings> ReadLineSettings(int fd) {
    termios2 settings{};
    if (ioctl(fd, TCGETS2, &settings) != 0) {
        return std::nullopt;
    }
    LineSettings line;
    line.baud = settings.c_ospeed;
    switch (settings.c_cflag & CSIZE) {
        case CS5:
            line.dataBits = 5;
            break;
        case CS6:
            line.dataBits = 6;
            break;
        case CS7:
            line.dataBits = 7;
            break;
        default:
            line.dataBits = 8;
            break;
    }
    line.parity = (settings.c_cflag & PARENB) != 0;
    return line;
}

}  // namespace tavr::simulator
