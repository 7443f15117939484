#include "serial/posix/serial_line_settings.h"

#include <gtest/gtest.h>

#include <functional>

namespace tavr {
namespace {

// Settings as a driver might report them for a terminal in cooked mode.
termios CookedSettings() {
    termios settings{};
    settings.c_iflag = ICRNL | IXON | IXANY | IGNPAR | PARMRK | ISTRIP | BRKINT;
    settings.c_oflag = OPOST | ONLCR;
    settings.c_cflag = CS7 | PARENB | HUPCL;
    settings.c_lflag = ICANON | ECHO | ISIG | IEXTEN;
    ::cfsetspeed(&settings, B38400);
    return settings;
}

TEST(SerialLineSettingsTest, PropertiesBecomeTheTerminalSettings) {
    using P = SerialPortProperties;
    const struct {
        const char* line;
        std::function<void(P&)> configure;
        speed_t speed;
        tcflag_t size;
        tcflag_t controlOn;
        tcflag_t controlOff;
        tcflag_t inputOn;
        tcflag_t inputOff;
    } cases[] = {
        {"9600 8N1", [](P& p) { p.SetBaudRate(9600); }, B9600, CS8, CREAD | CLOCAL | HUPCL,
         PARENB | CSTOPB | CRTSCTS, 0, IXON | IXOFF | IXANY | INPCK | IGNPAR | PARMRK},
        {"19200 7E2, parity checked",
         [](P& p) {
             p.SetDataBits(0x107);
             p.SetStopBits(3);
             p.SetParity(2);
             p.SetParityCheck(1);
         },
         B19200, CS7, PARENB | CSTOPB, PARODD | CMSPAR, INPCK, IGNPAR | PARMRK},
        {"115200 5O1.5",
         [](P& p) {
             p.SetBaudRate(115200);
             p.SetDataBits(5);
             p.SetStopBits(2);
             p.SetParity(1);
             p.SetParityCheck(2);
         },
         B115200, CS5, PARENB | PARODD | CSTOPB, CMSPAR, 0, INPCK},
        {"mark parity", [](P& p) { p.SetParity(3); }, B19200, CS8, PARENB | PARODD | CMSPAR, 0, 0,
         0},
        {"space parity", [](P& p) { p.SetParity(4); }, B19200, CS8, PARENB | CMSPAR, PARODD, 0, 0},
        {"14400, left for the exact rate", [](P& p) { p.SetBaudRate(14400); }, B38400, CS8, 0, 0, 0,
         0},
        {"RTS/CTS", [](P& p) { p.SetFlowControl(1); }, B19200, CS8, CRTSCTS, 0, 0, IXON | IXOFF},
        {"CTS out, DTR in", [](P& p) { p.SetFlowControl(2); }, B19200, CS8, CRTSCTS, 0, 0, 0},
        {"DSR flow, which Linux lacks", [](P& p) { p.SetFlowControl(3); }, B19200, CS8, 0, CRTSCTS,
         0, IXON | IXOFF},
        {"XON/XOFF", [](P& p) { p.SetFlowControl(5); }, B19200, CS8, 0, CRTSCTS, IXON | IXOFF,
         IXANY},
    };
    for (const auto& c : cases) {
        SerialPortProperties properties;
        c.configure(properties);
        termios settings = CookedSettings();
        ASSERT_TRUE(ApplyLineSettings(properties, settings)) << c.line;
        EXPECT_EQ(::cfgetispeed(&settings), c.speed) << c.line;
        EXPECT_EQ(::cfgetospeed(&settings), c.speed) << c.line;
        EXPECT_EQ(settings.c_cflag & CSIZE, c.size) << c.line;
        EXPECT_EQ(settings.c_cflag & c.controlOn, c.controlOn) << c.line;
        EXPECT_EQ(settings.c_cflag & c.controlOff, 0u) << c.line;
        EXPECT_EQ(settings.c_iflag & c.inputOn, c.inputOn) << c.line;
        EXPECT_EQ(settings.c_iflag & c.inputOff, 0u) << c.line;
        // Raw: every byte, 0x0D, 0x0A and the control characters included, passes unchanged.
        EXPECT_EQ(settings.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u) << c.line;
        EXPECT_EQ(settings.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP | BRKINT), 0u) << c.line;
        EXPECT_EQ(settings.c_oflag & OPOST, 0u) << c.line;
        if (properties.FlowControl() == 5) {
            EXPECT_EQ(settings.c_cc[VSTART], 0x11) << c.line;
            EXPECT_EQ(settings.c_cc[VSTOP], 0x13) << c.line;
        }
    }
}

TEST(SerialLineSettingsTest, SettingsTheDriverLacksAreRefused) {
    using P = SerialPortProperties;
    const struct {
        const char* why;
        std::function<void(P&)> configure;
    } cases[] = {
        {"nine data bits", [](P& p) { p.SetDataBits(9); }},
        {"four data bits", [](P& p) { p.SetDataBits(4); }},
    };
    for (const auto& c : cases) {
        SerialPortProperties properties;
        c.configure(properties);
        termios settings = CookedSettings();
        EXPECT_FALSE(ApplyLineSettings(properties, settings)) << c.why;
    }
}

}  // namespace
}  // namespace tavr
