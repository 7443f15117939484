#include "serial/port_watcher.h"

namespace tavr {

WatcherOptions WatcherOptions::Of(const SerialPortProperties& properties) {
    return {properties.EventCharByte(), properties.Timeout(), properties.BaudRate()};
}

}  // namespace tavr
