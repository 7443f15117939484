// Only the kernel's terminal definitions are included here: they clash with <termios.h>.
#include "serial/posix/kernel_terminal_settings.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cstring>

namespace tavr {
namespace {

static_assert(sizeof(termios2) <= 64, "a snapshot holds one termios2");

std::optional<termios2> ReadSettings(int fd) {
    termios2 settings{};
    if (ioctl(fd, TCGETS2, &settings) != 0) {
        return std::nullopt;
    }
    return settings;
}

}  // namespace

bool SetExactBaudRate(int fd, std::uint32_t baudRate) {
    std::optional<termios2> settings = ReadSettings(fd);
    if (!settings) {
        return false;
    }
    // BOTHER for the output speed and, shifted, for the input speed: both follow the numbers.
    settings->c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
    settings->c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    settings->c_ispeed = baudRate;
    settings->c_ospeed = baudRate;
    return ioctl(fd, TCSETS2, &*settings) == 0;
}

std::optional<std::uint32_t> ReadBaudRate(int fd) {
    const std::optional<termios2> settings = ReadSettings(fd);
    if (!settings) {
        return std::nullopt;
    }
    return settings->c_ospeed;
}

std::optional<TerminalSnapshot> TerminalSnapshot::Take(int fd) {
    const std::optional<termios2> settings = ReadSettings(fd);
    if (!settings) {
        return std::nullopt;
    }
    TerminalSnapshot snapshot;
    std::memcpy(snapshot.settings_.data(), &*settings, sizeof *settings);
    return snapshot;
}

bool TerminalSnapshot::Restore(int fd) const {
    termios2 settings{};
    std::memcpy(&settings, settings_.data(), sizeof settings);
    return ioctl(fd, TCSETS2, &settings) == 0;
}

}  // namespace tavr
