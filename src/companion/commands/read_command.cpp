#include <algorithm>

#include "companion/cli/connection_options.h"
#include "companion/commands/sub_commands.h"
#include "companion/log/log_timestamp.h"
#include "companion/meter/meter_session.h"
#include "companion/meter/reading_formats.h"
#include "companion/meter/window_catalogue.h"

namespace tavr {

namespace {

std::string ReadHelp() {
    return "usage: tavr-12864-cli read [--port P] [--baud B] [--id LIST] [--timeout MS]\n"
           "                           [--retries N] [--format table|csv|json]\n"
           "Reads the meter's 35 registers once and prints them. With several device IDs the\n"
           "meters are read one after another and each gets its own block; a meter that does\n"
           "not answer is reported and the exit code is 1.\n" +
           ConnectionOptionsHelp(MeterCount::Several) +
           "  --format F     table: the window's five columns with the window's texts (default)\n"
           "                 csv, json: per register also the raw value, the number shown (with\n"
           "                 its decimals and sign), the unit and the remark; json also the\n"
           "                 time of the reading, the port and the device ID, and with several\n"
           "                 IDs {\"port\": ..., \"meters\": [{\"device\": 3, \"time\": ...,\n"
           "                 \"registers\": [...]}, {\"device\": 9, \"error\": \"...\"}]}\n";
}

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
    const CommandArguments parsed =
        ParseCommandArguments(arguments, WithConnectionOptions({"--format"}));
    if (parsed.help) {
        console.out << ReadHelp();
        return ExitStatus::Done;
    }
    if (!parsed.error.empty()) {
        return UsageError(console, "read", parsed.error);
    }
    if (!parsed.positionals.empty()) {
        return UsageError(console, "read", "unexpected argument " + parsed.positionals[0]);
    }
    const std::string format = parsed.Option("--format").value_or("table");
    if (format != "table" && format != "csv" && format != "json") {
        return UsageError(console, "read", "--format: " + format + " is not table, csv or json");
    }
    std::string error;
    const std::optional<ConnectionChoice> connection =
        ChooseConnection(parsed, MeterCount::Several, error);
    if (!connection) {
        return UsageError(console, "read", error);
    }
    MeterSession session(*connection, console, "read");
    if (!session.Open()) {
        return ExitStatus::PortUnavailable;
    }
    const std::vector<MeterPoll> polls = session.ReadEach();
    const bool allAnswered = polls.size() == connection->deviceIds.size() &&
                             std::all_of(polls.begin(), polls.end(),
                                         [](const MeterPoll& poll) { return poll.Answered(); });
    const bool several = connection->deviceIds.size() > 1;
    if (!several && !allAnswered) {
        return ExitStatus::NoAnswer;
    }
    RegisterCatalogue catalogue = WindowCatalogue();
    console.out << (format == "json" ? Json(polls, *connection, catalogue)
                                     : Blocks(polls, several, format, catalogue));
    return allAnswered ? ExitStatus::Done : ExitStatus::NoAnswer;
}

}  // namespace tavr
