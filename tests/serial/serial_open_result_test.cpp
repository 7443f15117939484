#include "serial/serial_open_result.h"

#include <gtest/gtest.h>

namespace tavr {
namespace {

TEST(SerialOpenResultTest, AFailureReadsAsOneLineNamingPortDeviceAndReason) {
    using E = SerialOpenError;
    const struct {
        std::int32_t port;
        SerialOpenResult result;
        const char* line;
    } cases[] = {
        {1, {E::None, "/dev/ttyUSB0", ""}, ""},
        {3,
         {E::NoDevice, "", "no dosdevices link and only 2 serial ports found"},
         "COM3: no device (no dosdevices link and only 2 serial ports found)"},
        {2, {E::NoDevice, "/dev/pts/9", ""}, "COM2 (/dev/pts/9): no device"},
        {1,
         {E::PermissionDenied, "/dev/ttyUSB0", "add your user to the dialout group"},
         "COM1 (/dev/ttyUSB0): permission denied — add your user to the dialout group"},
        {1, {E::PermissionDenied, "/dev/ttyS0", ""}, "COM1 (/dev/ttyS0): permission denied"},
        {1, {E::InUse, "/dev/ttyUSB0", ""}, "COM1 (/dev/ttyUSB0): in use by another program"},
        {4,
         {E::BaudRateRefused, "/dev/ttyS1", ""},
         "COM4 (/dev/ttyS1): baud rate 14400 refused by the device"},
        {5,
         {E::NotACharacterDevice, "/home/me/notes", ""},
         "COM5 (/home/me/notes): not a character device"},
        {6, {E::NotATerminal, "/dev/null", ""}, "COM6 (/dev/null): not a serial device"},
        {1,
         {E::LineSettingsRefused, "/dev/ttyUSB0", ""},
         "COM1 (/dev/ttyUSB0): line settings refused by the device"},
        {1,
         {E::PortLookupFailed, "", "/home/me/.config/TAVR_12864/dosdevices: permission denied"},
         "COM1: the port links cannot be read (/home/me/.config/TAVR_12864/dosdevices: "
         "permission denied)"},
        {0, {E::BadPortNumber, "", ""}, "COM0: no such port number"},
        {1,
         {E::SystemError, "/dev/ttyUSB0", "Input/output error"},
         "COM1 (/dev/ttyUSB0): cannot be opened (Input/output error)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DescribeOpenFailure(c.port, 14400, c.result), c.line);
    }
}

}  // namespace
}  // namespace tavr
