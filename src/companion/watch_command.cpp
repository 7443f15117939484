#include "companion/connection_options.h"
#include "companion/duration_text.h"
#include "companion/register_address.h"
#include "companion/sub_commands.h"
#include "companion/watch_run.h"

namespace tavr {

namespace {

std::string WatchHelp() {
    return "usage: tavr-12864-cli watch --every SECONDS [--for DURATION] [--output FILE.csv]\n"
           "                            [--registers LIST] [--port N] [--baud B] [--id ID]\n"
           "Reads the meter every SECONDS and writes one CSV row per reading: the time (ISO\n"
           "8601 with the local offset) and the chosen registers as numbers in their units.\n"
           "Keeps going through lost and garbled answers and reopens the port after a\n"
           "hang-up. Ctrl+C ends it with a summary.\n"
           "  --every S        seconds between readings (decimals allowed)\n"
           "  --for D          stop after D: 90, 90s, 10m, 2h or 1d (default: until Ctrl+C)\n"
           "  --output FILE    append the rows to FILE, never truncating it (default: standard\n"
           "                   output); the header is written when the file is new\n"
           "  --registers L    comma-separated addresses, e.g. 0003H,0004H,0007H (default: the\n"
           "                   measurements 0003H,0004H,0005H,0006H,0007H,0008H,000BH,001EH)\n" +
           ConnectionOptionsHelp();
}

}  // namespace

ExitStatus RunWatchCommand(const std::vector<std::string>& arguments, Console& console) {
    const CommandArguments parsed = ParseCommandArguments(
        arguments, {"--every", "--for", "--output", "--registers", "--port", "--baud", "--id"});
    if (parsed.help) {
        console.out << WatchHelp();
        return ExitStatus::Done;
    }
    if (!parsed.error.empty()) {
        return UsageError(console, "watch", parsed.error);
    }
    if (!parsed.positionals.empty()) {
        return UsageError(console, "watch", "unexpected argument " + parsed.positionals[0]);
    }
    WatchOptions options;
    const std::optional<std::string> every = parsed.Option("--every");
    if (!every) {
        return UsageError(console, "watch", "--every SECONDS is required");
    }
    const auto period = ParseSeconds(*every);
    if (!period) {
        return UsageError(console, "watch",
                          "--every: " + *every + " is not a number of seconds above 0");
    }
    options.every = *period;
    if (const auto duration = parsed.Option("--for")) {
        options.duration = ParseDuration(*duration);
        if (!options.duration) {
            return UsageError(console, "watch",
                              "--for: " + *duration + " is not a duration such as 90s, 10m or 2h");
        }
    }
    options.output = parsed.Option("--output").value_or("");
    options.registers = MeasurementRegisters;
    if (const auto list = parsed.Option("--registers")) {
        const auto registers = ParseRegisterList(*list);
        if (!registers) {
            return UsageError(console, "watch",
                              "--registers: " + *list +
                                  " is not a comma-separated list of addresses 0000H to 0022H");
        }
        options.registers = *registers;
    }
    std::string error;
    const std::optional<ConnectionChoice> connection = ChooseConnection(parsed, error);
    if (!connection) {
        return UsageError(console, "watch", error);
    }
    options.connection = *connection;
    return RunWatch(options, console);
}

}  // namespace tavr
