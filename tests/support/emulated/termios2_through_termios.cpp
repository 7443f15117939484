// Linked, with -Wl,--wrap=ioctl, into every program of a build tested under qemu-user: Debian
// 12's qemu-user does not implement the termios2 requests (TCGETS2, TCSETS2...) that the serial
// unit and the simulator use to read and set a line's baud rate as a number, and answers them
// with ENOSYS. Here they become the plain termios requests, which qemu does carry, with the rate
// as one of the standard speed codes. Every other request goes through unchanged. A real arm64
// kernel has termios2, so packaged programs never contain this.
#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <array>
#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstring>
#include <optional>

extern "C" int __real_ioctl(int fd, unsigned long request, ...);
extern "C" int __wrap_ioctl(int fd, unsigned long request, ...);

namespace {

struct SpeedCode {
    tcflag_t code;
    speed_t rate;
};

constexpr std::array<SpeedCode, 31> kSpeedCodes{{
    {B0, 0},
    {B50, 50},
    {B75, 75},
    {B110, 110},
    {B134, 134},
    {B150, 150},
    {B200, 200},
    {B300, 300},
    {B600, 600},
    {B1200, 1200},
    {B1800, 1800},
    {B2400, 2400},
    {B4800, 4800},
    {B9600, 9600},
    {B19200, 19200},
    {B38400, 38400},
    {B57600, 57600},
    {B115200, 115200},
    {B230400, 230400},
    {B460800, 460800},
    {B500000, 500000},
    {B576000, 576000},
    {B921600, 921600},
    {B1000000, 1000000},
    {B1152000, 1152000},
    {B1500000, 1500000},
    {B2000000, 2000000},
    {B2500000, 2500000},
    {B3000000, 3000000},
    {B3500000, 3500000},
    {B4000000, 4000000},
}};

std::optional<speed_t> RateOf(tcflag_t code) {
    for (const SpeedCode& entry : kSpeedCodes) {
        if (entry.code == code) {
            return entry.rate;
        }
    }
    return std::nullopt;
}

std::optional<tcflag_t> CodeOf(speed_t rate) {
    for (const SpeedCode& entry : kSpeedCodes) {
        if (entry.rate == rate) {
            return entry.code;
        }
    }
    return std::nullopt;
}

int ReadAsTermios2(int fd, termios2* settings) {
    termios plain{};
    if (__real_ioctl(fd, TCGETS, &plain) != 0) {
        return -1;
    }
    *settings = termios2{};
    std::memcpy(settings, &plain, sizeof plain);
    settings->c_ospeed = RateOf(plain.c_cflag & CBAUD).value_or(0);
    const tcflag_t inputCode = (plain.c_cflag >> IBSHIFT) & CBAUD;
    settings->c_ispeed = inputCode == 0 ? settings->c_ospeed : RateOf(inputCode).value_or(0);
    return 0;
}

// A rate given as a number (BOTHER) is written as its speed code; the input speed follows the
// output one. A rate with no code cannot be set through plain termios.
int WriteAsTermios(int fd, unsigned long plainRequest, const termios2* settings) {
    termios plain{};
    std::memcpy(&plain, settings, sizeof plain);
    if ((settings->c_cflag & CBAUD) == BOTHER) {
        const std::optional<tcflag_t> code = CodeOf(settings->c_ospeed);
        if (!code) {
            errno = EINVAL;
            return -1;
        }
        plain.c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
        plain.c_cflag |= *code;
    }
    return __real_ioctl(fd, plainRequest, &plain);
}

std::optional<unsigned long> PlainSetRequest(unsigned long request) {
    switch (request) {
        case TCSETS2:
            return TCSETS;
        case TCSETSW2:
            return TCSETSW;
        case TCSETSF2:
            return TCSETSF;
        default:
            return std::nullopt;
    }
}

}  // namespace

extern "C" int __wrap_ioctl(int fd, unsigned long request, ...) {
    va_list arguments;
    va_start(arguments, request);
    void* argument = va_arg(arguments, void*);
    va_end(arguments);
    if (request == TCGETS2) {
        return ReadAsTermios2(fd, static_cast<termios2*>(argument));
    }
    if (const std::optional<unsigned long> plain = PlainSetRequest(request)) {
        return WriteAsTermios(fd, *plain, static_cast<const termios2*>(argument));
    }
    return __real_ioctl(fd, request, argument);
}
