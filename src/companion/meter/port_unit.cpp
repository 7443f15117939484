#include "companion/meter/port_unit.h"

namespace tavr {

SerialOpenResult TryOpeningComPort(std::int32_t port, std::int32_t baudRate) {
    const std::unique_ptr<SerialPortDevice> unit = MakePortUnit([] {});
    SerialPortProperties properties;
    properties.SetPortNumber(port);
    properties.SetBaudRate(baudRate);
    SerialOpenResult result = unit->Open(properties);
    unit->Close();
    return result;
}

}  // namespace tavr
