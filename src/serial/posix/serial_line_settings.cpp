#include "serial/posix/serial_line_settings.h"

#include <sys/ioctl.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <optional>
#include <utility>

#include "serial/posix/kernel_terminal_settings.h"

namespace tavr {
namespace {

constexpr unsigned char kXon = 0x11;
constexpr unsigned char kXoff = 0x13;

std::optional<speed_t> SpeedCode(std::int32_t baudRate) {
    static constexpr std::array<std::pair<std::int32_t, speed_t>, 30> kSpeeds{{
        {50, B50},           {75, B75},           {110, B110},         {134, B134},
        {150, B150},         {200, B200},         {300, B300},         {600, B600},
        {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
        {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
        {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
        {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
        {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
        {3500000, B3500000}, {4000000, B4000000},
    }};
    for (const auto& [rate, code] : kSpeeds) {
        if (rate == baudRate) {
            return code;
        }
    }
    return std::nullopt;
}

std::optional<tcflag_t> CharacterSize(std::int32_t dataBits) {
    switch (dataBits & 0xFF) {
        case 5:
            return CS5;
        case 6:
            return CS6;
        case 7:
            return CS7;
        case 8:
            return CS8;
        default:
            return std::nullopt;
    }
}

// 1 one stop bit; 2 (one and a half, which a UART gives for 5 data bits) and 3 two stop bits.
tcflag_t StopBitFlags(std::int32_t stopBits) {
    return stopBits == 2 || stopBits == 3 ? CSTOPB : 0;
}

// 1 odd, 2 even, 3 mark, 4 space, anything else none.
tcflag_t ParityFlags(std::int32_t parity) {
    switch (parity) {
        case 1:
            return PARENB | PARODD;
        case 2:
            return PARENB;
        case 3:
            return PARENB | CMSPAR | PARODD;
        case 4:
            return PARENB | CMSPAR;
        default:
            return 0;
    }
}

// Codes 1 and 2 make output wait for CTS; Linux hand-shakes on RTS for input in both (it has no
// DTR hand-shake). Codes 3 and 4 wait for DSR, which Linux cannot; they run without flow control.
bool UsesHardwareFlowControl(const SerialPortProperties& properties) {
    return properties.FlowControl() == 1 || properties.FlowControl() == 2;
}

void ApplyFlowControl(const SerialPortProperties& properties, termios& settings) {
    settings.c_cflag &= ~CRTSCTS;
    settings.c_iflag &= ~(IXON | IXOFF | IXANY);
    if (UsesHardwareFlowControl(properties)) {
        settings.c_cflag |= CRTSCTS;
    } else if (properties.FlowControl() == 5) {
        settings.c_iflag |= IXON | IXOFF;
        settings.c_cc[VSTART] = kXon;
        settings.c_cc[VSTOP] = kXoff;
    }
}

// A pseudo-terminal or a device without modem lines answers ENOTTY or EINVAL.
bool ChangeModemLine(int fd, unsigned long request, int line) {
    return ::ioctl(fd, request, &line) == 0 || errno == ENOTTY || errno == EINVAL;
}

// A UART's receiver samples each bit in its middle: the two ends may differ by a few percent in
// all, so each may be off by about half of that.
bool CloseEnough(std::uint32_t actualRate, std::int32_t wantedRate) {
    const long long difference = std::llabs(static_cast<long long>(actualRate) - wantedRate);
    return difference * 50 <= wantedRate;
}

}  // namespace

bool ApplyLineSettings(const SerialPortProperties& properties, termios& settings) {
    const std::optional<tcflag_t> size = CharacterSize(properties.DataBits());
    if (!size) {
        return false;
    }
    ::cfmakeraw(&settings);
    settings.c_cflag |= CREAD | CLOCAL;
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    if (const std::optional<speed_t> speed = SpeedCode(properties.BaudRate())) {
        ::cfsetispeed(&settings, *speed);
        ::cfsetospeed(&settings, *speed);
    }
    settings.c_cflag = (settings.c_cflag & ~(CSIZE | CSTOPB | PARENB | PARODD | CMSPAR)) | *size |
                       StopBitFlags(properties.StopBits()) | ParityFlags(properties.Parity());
    // Bytes with a parity error are read as 0 rather than dropped; the error is reported apart.
    settings.c_iflag &= ~(INPCK | IGNPAR | PARMRK);
    if ((properties.ParityCheck() & 1) != 0) {
        settings.c_iflag |= INPCK;
    }
    ApplyFlowControl(properties, settings);
    return true;
}

SerialOpenError ConfigureLine(int fd, const SerialPortProperties& properties) {
    const std::int32_t rate = properties.BaudRate();
    // Speed 0 would hang the line up.
    if (rate <= 0) {
        return SerialOpenError::BaudRateRefused;
    }
    termios settings{};
    if (::tcgetattr(fd, &settings) != 0) {
        return SerialOpenError::NotATerminal;
    }
    if (!ApplyLineSettings(properties, settings) || ::tcsetattr(fd, TCSANOW, &settings) != 0) {
        return SerialOpenError::LineSettingsRefused;
    }
    if (!SpeedCode(rate) && !SetExactBaudRate(fd, static_cast<std::uint32_t>(rate))) {
        return SerialOpenError::BaudRateRefused;
    }
    const std::optional<std::uint32_t> actualRate = ReadBaudRate(fd);
    if (!actualRate || !CloseEnough(*actualRate, rate)) {
        return SerialOpenError::BaudRateRefused;
    }
    if (!SetModemLines(fd, properties)) {
        return SerialOpenError::LineSettingsRefused;
    }
    return SerialOpenError::None;
}

bool SetModemLines(int fd, const SerialPortProperties& properties) {
    if (!UsesHardwareFlowControl(properties) &&
        !ChangeModemLine(fd, properties.RtsMode() == 1 ? TIOCMBIC : TIOCMBIS, TIOCM_RTS)) {
        return false;
    }
    if (properties.DtrMode() == 1) {
        return ChangeModemLine(fd, TIOCMBIC, TIOCM_DTR);
    }
    if (properties.DtrMode() == 2) {
        return ChangeModemLine(fd, TIOCMBIS, TIOCM_DTR);
    }
    return true;
}

}  // namespace tavr
