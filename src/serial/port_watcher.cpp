#include "serial/port_watcher.h"

namespace tavr {
namespace {

std::int32_t CharacterBits(const SerialPortProperties& properties) {
    const std::int32_t dataBits = properties.DataBits() & 0xFF;
    const std::int32_t parityBits = properties.Parity() == 0 ? 0 : 1;
    const std::int32_t stopBits = properties.StopBits() == 1 ? 1 : 2;
    return 1 + dataBits + parityBits + stopBits;
}

}  // namespace

WatcherOptions WatcherOptions::Of(const SerialPortProperties& properties) {
    return {properties.EventCharByte(), properties.Timeout(), properties.BaudRate(),
            CharacterBits(properties), false};
}

}  // namespace tavr
