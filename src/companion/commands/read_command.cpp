#include <algorithm>

#include "companion/cli/command_line.h"
#include "companion/cli/connection_options.h"
#include "companion/commands/sub_commands.h"
#include "companion/log/log_timestamp.h"
#include "companion/meter/meter_session.h"
#include "companion/meter/reading_formats.h"
#include "companion/meter/window_catalogue.h"

namespace tavr {

namespace {

constexpr char kReadDescription[] =
    "Reads the meter's 35 registers once and prints them. With several device IDs the meters "
    "are read one after another and each gets its own block; a meter that does not answer is "
    "reported and the exit code is 1.";

constexpr char kFormatHelp[] =
    "table: the window's five columns with the window's texts (default)\n"
    "csv, json: per register also the raw value, the number shown (with its decimals and "
    "sign), the unit and the remark; json also the time of the reading, the port and the "
    "device ID, and with several IDs {\"port\": ..., \"meters\": [{\"device\": 3, \"time\": "
    "..., \"registers\": [...]}, {\"device\": 9, \"error\": \"...\"}]}";

std::string JsonText(const nlohmann::ordered_json& json) {
    return json.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

// One meter's reading, or why there is none, as a JSON object.
nlohmann::ordered_json MeterJson(const MeterPoll& poll, RegisterCatalogue& catalogue) {
    nlohmann::ordered_json meter;
    meter["device"] = poll.deviceId;
    if (!poll.Answered()) {
        meter["error"] = PollFailureText(poll);
        return meter;
    }
    meter["time"] = LocalTimestamp(poll.time);
    meter["registers"] = RegistersJson(DecodeReadings(poll.reply, catalogue), catalogue);
    return meter;
}

std::string Json(const std::vector<MeterPoll>& polls, const ConnectionChoice& connection,
                 RegisterCatalogue& catalogue) {
    if (connection.deviceIds.size() == 1) {
        const nlohmann::ordered_json meter = MeterJson(polls.front(), catalogue);
        nlohmann::ordered_json json;
        json["time"] = meter["time"];
        json["port"] = connection.PortName();
        json["device"] = meter["device"];
        json["registers"] = meter["registers"];
        return JsonText(json);
    }
    nlohmann::ordered_json json;
    json["port"] = connection.PortName();
    json["meters"] = nlohmann::ordered_json::array();
    for (const MeterPoll& poll : polls) {
        json["meters"].push_back(MeterJson(poll, catalogue));
    }
    return JsonText(json);
}

// Table or CSV: one block per meter that answered; with several meters each table is headed by
// its device and each CSV row starts with it.
std::string Blocks(const std::vector<MeterPoll>& polls, bool several, const std::string& format,
                   RegisterCatalogue& catalogue) {
    std::string text = format == "csv" ? ReadingsCsvHeader(several) : "";
    for (const MeterPoll& poll : polls) {
        if (!poll.Answered()) {
            continue;
        }
        const RegisterReadings readings = DecodeReadings(poll.reply, catalogue);
        if (format == "csv") {
            text += ReadingsCsvRows(readings, catalogue, several ? poll.deviceId : 0);
        } else if (several) {
            text += (text.empty() ? "" : "\n") +
                    ("device " + std::to_string(poll.deviceId) + "\n") + ReadingsTable(readings);
        } else {
            text += ReadingsTable(readings);
        }
    }
    return text;
}

}  // namespace

ExitStatus RunRead(const std::vector<std::string>& arguments, Console& console) {
    CommandLine line("read", kReadDescription);
    std::string format = "table";
    line.App()
        .add_option("--format", format, kFormatHelp)
        ->type_name("F")
        ->check(OneOf({"table", "csv", "json"}));
    const ConnectionOptions connectionOptions(line.App(), MeterCount::Several);
    if (const auto ended = line.Parse(arguments, console)) {
        return *ended;
    }
    if (const auto refused = line.RefuseArguments(console)) {
        return *refused;
    }
    const ConnectionChoice connection = connectionOptions.Choose();
    MeterSession session(connection, console, "read");
    if (!session.Open()) {
        return ExitStatus::PortUnavailable;
    }
    const std::vector<MeterPoll> polls = session.ReadEach();
    const bool allAnswered = polls.size() == connection.deviceIds.size() &&
                             std::all_of(polls.begin(), polls.end(),
                                         [](const MeterPoll& poll) { return poll.Answered(); });
    const bool several = connection.deviceIds.size() > 1;
    if (!several && !allAnswered) {
        return ExitStatus::NoAnswer;
    }
    RegisterCatalogue catalogue = WindowCatalogue();
    console.out << (format == "json" ? Json(polls, connection, catalogue)
                                     : Blocks(polls, several, format, catalogue));
    return allAnswered ? ExitStatus::Done : ExitStatus::NoAnswer;
}

}  // namespace tavr
