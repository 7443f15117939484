#include "companion/publish/setting_command_result.h"

#include <nlohmann/json.hpp>

#include "companion/meter/register_address.h"

namespace tavr {

namespace {

using json = nlohmann::ordered_json;

std::string Cut(const std::string& text) {
    return text.size() > kShownPayloadBytes ? text.substr(0, kShownPayloadBytes) + "..." : text;
}

// The text with control characters as '?', cut, for one line of the log.
std::string Printable(const std::string& text) {
    std::string shown = Cut(text);
    for (char& c : shown) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            c = '?';
        }
    }
    return shown;
}

}  // namespace

SettingCommandResult RefusedResult(const SettingCommand& command, const std::string& reason) {
    return {command.key, command.payload, std::nullopt, "", false, reason};
}

SettingCommandResult WrittenResult(const SettingCommand& command, const SettingWrite& write,
                                   const SettingWriteOutcome& outcome) {
    if (!outcome.sent) {
        return RefusedResult(command, outcome.reason);
    }
    const std::string written = write.scale.ValueWithUnit(write.raw) + " (" +
                                RegisterName(write.address) + " = " + std::to_string(write.raw) +
                                ")";
    return {command.key, command.payload, write.raw, written, outcome.ok, outcome.reason};
}

MqttMessage WriteResultMessage(const TopicPlan& plan, const MeterPlace& meter,
                               const SettingCommandResult& result) {
    const json payload = {
        {"key", result.key},
        {"requested", Cut(result.requested)},
        {"written_raw", result.writtenRaw ? json(*result.writtenRaw) : json(nullptr)},
        {"ok", result.ok},
        {"reason", result.ok ? "" : result.reason},
    };
    return {plan.WriteResultTopic(meter),
            payload.dump(-1, ' ', false, json::error_handler_t::replace), false};
}

std::string WriteResultLogLine(const MeterPlace& meter, const SettingCommandResult& result) {
    const std::string line = meter.lineName.empty() ? meter.port : meter.lineName;
    const std::string head = "device " + std::to_string(meter.deviceId) + " on " + Printable(line) +
                             ": " + Printable(result.key) + " ";
    if (result.ok) {
        return head + "set to " + result.written;
    }
    const std::string requested = "\"" + Printable(result.requested) + "\"";
    if (!result.writtenRaw) {
        return head + requested + " refused: " + result.reason;
    }
    return head + "not set to " + result.written + ": " + result.reason;
}

}  // namespace tavr
