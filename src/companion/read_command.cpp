#include "companion/connection_options.h"
#include "companion/meter_link.h"
#include "companion/meter_session.h"
#include "companion/reading_formats.h"
#include "companion/sub_commands.h"
#include "companion/window_catalogue.h"

namespace tavr {

namespace {

std::string ReadHelp() {
    return "usage: tavr-12864-cli read [--port N] [--baud B] [--id ID] [--format table|csv|json]\n"
           "Reads the meter's 35 registers once and prints them.\n" +
           ConnectionOptionsHelp() +
           "  --format F   table: the window's five columns with the window's texts (default)\n"
           "               csv, json: per register also the raw value, the number shown (with\n"
           "               its decimals and sign), the unit and the remark\n";
}

}  // namespace

ExitStatus RunRead(const std::vector<std::string>& arguments, Console& console) {
    const CommandArguments parsed =
        ParseCommandArguments(arguments, {"--port", "--baud", "--id", "--format"});
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
    const std::optional<ConnectionChoice> connection = ChooseConnection(parsed, error);
    if (!connection) {
        return UsageError(console, "read", error);
    }
    MeterSession session(*connection, console, "read");
    if (!session.Open()) {
        return ExitStatus::PortUnavailable;
    }
    const std::optional<ReadReply> reply = session.Read();
    if (!reply) {
        return ExitStatus::NoAnswer;
    }
    RegisterCatalogue catalogue = WindowCatalogue();
    const RegisterReadings readings = DecodeReadings(*reply, catalogue);
    if (format == "csv") {
        console.out << ReadingsCsv(readings, catalogue);
    } else if (format == "json") {
        console.out << ReadingsJson(readings, catalogue);
    } else {
        console.out << ReadingsTable(readings);
    }
    return ExitStatus::Done;
}

}  // namespace tavr
