#pragma once

#include <optional>
#include <string>
#include <vector>

#include "companion/meter/connection_choice.h"
#include "companion/meter/meter_link.h"
#include "companion/meter/meter_poll_cycle.h"
#include "companion/platform/console.h"

namespace tavr {

// One sub-command's conversation with the meters: opens the chosen port, asks again after a
// time-out or a garbled answer, and reports every failure on standard error with the port,
// the device and the reason.
class MeterSession {
  public:
    MeterSession(const ConnectionChoice& connection, Console& console, std::string command);

    // False, reported, when the port cannot be opened.
    bool Open();
    // All registers of the chosen device; nothing, reported, without an intact answer.
    std::optional<ReadReply> Read();
    // All registers of every chosen device, one after another; each failure is reported.
    std::vector<MeterPoll> ReadEach();
    // Writes `value` into the register at `address`; false, reported, unless the meter echoed it.
    bool Write(std::uint16_t address, std::uint16_t value);

    // Talk to another device ID from now on (after the meter's address was written).
    void UseDeviceId(std::uint8_t deviceId) {
        connection_.deviceId = deviceId;
        connection_.deviceIds = {deviceId};
    }

    // Reports `message` about the chosen device, as every failure is reported.
    void Report(const std::string& message) const { ReportFor(connection_.deviceId, message); }

  private:
    // "COM3 (/dev/ttyUSB0) at 9600 baud".
    std::string Where() const;
    void ReportFor(std::uint8_t deviceId, const std::string& message) const;

    ConnectionChoice connection_;
    Console& console_;
    std::string command_;
    MeterLink link_;
};

}  // namespace tavr
