#include "companion/meter/port_unit.h"

#include "serial/posix/serial_port_unit.h"

namespace tavr {

std::unique_ptr<SerialPortDevice> MakePortUnit(std::function<void()> postQueueReady) {
    return std::make_unique<SerialPortUnit>(std::move(postQueueReady));
}

SerialOpenResult OpenChosenPort(SerialPortDevice& unit, const ConnectionChoice& connection,
                                const SerialPortProperties& properties) {
    if (connection.devicePath.empty()) {
        return unit.Open(properties);
    }
    // MakePortUnit made it: the Linux unit, which also opens a terminal by its path.
    return static_cast<SerialPortUnit&>(unit).OpenDevice(connection.devicePath, properties);
}

}  // namespace tavr
