#include "companion/cli/connection_options.h"
#include "companion/cli/duration_text.h"
#include "companion/commands/sub_commands.h"
#include "companion/log/run_log.h"
#include "companion/meter/register_address.h"
#include "companion/watch/watch_run.h"

namespace tavr {

namespace {

std::string WatchHelp() {
    return "usage: tavr-12864-cli watch --every SECONDS [--for DURATION] [--output FILE.csv]\n"
           "                            [--registers LIST] [--port P] [--baud B] [--id LIST]\n"
           "                            [--timeout MS] [--retries N]\n"
           "Reads the meter every SECONDS and writes one CSV row per reading: the time (ISO\n"
           "8601 with the local offset) and the chosen registers as numbers in their units.\n"
           "With several device IDs the meters are read one after another, each row says its\n"
           "meter in a device column after the time, and the summary counts per meter.\n"
           "Keeps going through lost and garbled answers and reopens the port after a\n"
           "hang-up. Ctrl+C (or SIGTERM, SIGHUP) ends it with a summary.\n"
           "  --every S        seconds between readings (decimals allowed); when reading all\n"
           "                   meters takes longer, readings follow back to back (one warning)\n"
           "  --for D          stop after D: 90, 90s, 10m, 1m30s, 2h or 1d (default: until\n"
           "                   Ctrl+C)\n"
           "  --output FILE    append the rows to FILE, a regular file, never truncating it\n"
           "                   (default: standard output); the header is written when the file\n"
           "                   is new, and a last row cut off by a kill is removed first\n"
           "  --registers L    comma-separated addresses, e.g. 0003H,0004H,0007H (default: the\n"
           "                   measurements 0003H,0004H,0005H,0006H,0007H,0008H,000BH,001EH)\n" +
           ConnectionOptionsHelp(MeterCount::Several, "2 with one meter, 0 with several") +
           "Exit codes: 0 rows written, 1 no reading, 2 bad usage, 3 the port could not be\n"
           "opened, 5 a row could not be written (the reason is printed).\n";
}

}  // namespace

ExitStatus RunWatchCommand(const std::vector<std::string>& arguments, Console& console) {
    const CommandArguments parsed = ParseCommandArguments(
        arguments, WithConnectionOptions({"--every", "--for", "--output", "--registers"}));
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
    std::string problem;
    const auto period = ParseSeconds(*every, problem);
    if (!period) {
        return UsageError(console, "watch", "--every: " + *every + " " + problem);
    }
    options.every = *period;
    if (const auto duration = parsed.Option("--for")) {
        options.duration = ParseDuration(*duration, problem);
        if (!options.duration) {
            return UsageError(console, "watch", "--for: " + *duration + " " + problem);
        }
    }
    options.output = parsed.Option("--output").value_or("");
    std::string error;
    if (!options.output.empty() && !RunLog::CheckPath(options.output, error)) {
        return UsageError(console, "watch", error);
    }
    options.registers = kMeasurementRegisters;
    if (const auto list = parsed.Option("--registers")) {
        const auto registers = ParseRegisterList(*list);
        if (!registers) {
            return UsageError(console, "watch",
                              "--registers: " + *list +
                                  " is not a comma-separated list of addresses 0000H to 0022H");
        }
        options.registers = *registers;
    }
    const std::optional<ConnectionChoice> connection =
        ChooseConnection(parsed, MeterCount::Several, error);
    if (!connection) {
        return UsageError(console, "watch", error);
    }
    options.connection = *connection;
    // A cycle asks each of several meters once: a silent one then costs one time-out.
    if (options.connection.deviceIds.size() > 1 && !parsed.Option("--retries")) {
        options.connection.retries = 0;
    }
    return RunWatch(options, console);
}

}  // namespace tavr
