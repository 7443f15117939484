#include "companion/meter/port_unit.h"

#include "serial/win32/win32_serial_port_unit.h"

namespace tavr {

std::unique_ptr<SerialPortDevice> MakePortUnit(std::function<void()> postQueueReady) {
    // The companion polls all day: a reply costs a few wake-ups, not one per byte.
    return std::make_unique<Win32SerialPortUnit>(std::move(postQueueReady), SerialQueueBounds{},
                                                 Win32SerialPortUnit::ReplyDelivery::Batched);
}

SerialOpenResult OpenChosenPort(SerialPortDevice& unit, const ConnectionChoice& connection,
                                const SerialPortProperties& properties) {
    if (!connection.devicePath.empty()) {
        return {SerialOpenError::NoDevice, connection.devicePath,
                "Windows opens a serial port by its COM number; give --port COMn"};
    }
    return unit.Open(properties);
}

}  // namespace tavr
