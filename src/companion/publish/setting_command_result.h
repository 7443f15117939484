#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "companion/publish/mqtt_payloads.h"
#include "companion/publish/setting_command.h"
#include "companion/publish/setting_write.h"

namespace tavr {

// How one setting command ended, as P/<device>/write_result tells it.
struct SettingCommandResult {
    std::string key;
    std::string requested;                    // the payload as sent
    std::optional<std::uint16_t> writtenRaw;  // the raw value put on the line; nothing if none
    std::string written;  // "120.0 Ah (0009H = 1200)" when a value was put on the line
    bool ok = false;
    std::string reason;  // empty when ok
};

// A command refused before anything went on the line.
SettingCommandResult RefusedResult(const SettingCommand& command, const std::string& reason);

// A command whose write was tried on the line.
SettingCommandResult WrittenResult(const SettingCommand& command, const SettingWrite& write,
                                   const SettingWriteOutcome& outcome);

// How much of a payload a result repeats.
inline constexpr std::size_t kShownPayloadBytes = 64;

// The result for the broker at P/<device>/write_result, not retained (it tells of one command,
// not of a state): {"key": "capacity_ah", "requested": "120.0", "written_raw": 1200, "ok":
// true, "reason": ""}. "written_raw" is null when nothing was put on the line; "reason" is
// always there, empty when ok. The requested text is cut after kShownPayloadBytes bytes, and
// bytes that are no UTF-8 become U+FFFD.
MqttMessage WriteResultMessage(const TopicPlan& plan, const MeterPlace& meter,
                               const SettingCommandResult& result);

// One line for the log: "device 3 on COM7: capacity_ah set to 120.0 Ah (0009H = 1200)" or
// "device 3 on COM7: capacity_ah "abc" refused: ...". Control characters of the payload or the
// key are shown as '?', so a command cannot forge log lines.
std::string WriteResultLogLine(const MeterPlace& meter, const SettingCommandResult& result);

}  // namespace tavr
