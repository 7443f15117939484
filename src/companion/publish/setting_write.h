#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "companion/meter/meter_link.h"
#include "companion/publish/setting_command.h"
#include "protocol/read_reply.h"

namespace tavr {

// How a setting's write ended on the line.
struct SettingWriteOutcome {
    // Whether the request went on the line; false when the register is no writable setting.
    bool sent = false;
    // True only when the meter echoed the write and its registers, read back, hold the raw
    // value written.
    bool ok = false;
    std::string reason;  // why not ok; empty when ok
    // The meter's registers as read back after the write, when they were: a fresh state.
    std::optional<ReadReply> readBack;
};

// Writes the setting into meter `deviceId` with one request of function 06H, then reads the
// meter's registers back with one request. Takes the line for two requests and their answers,
// so call it between two polls of the line, never while another request waits for its answer.
// Sends nothing for a register that is no writable setting.
SettingWriteOutcome WriteSetting(MeterLink& link, std::uint8_t deviceId, const SettingWrite& write);

}  // namespace tavr
