#include "companion/cli/command_line.h"
#include "companion/cli/connection_options.h"
#include "companion/cli/duration_text.h"
#include "companion/cli/value_checks.h"
#include "companion/commands/sub_commands.h"
#include "companion/log/run_log.h"
#include "companion/meter/register_address.h"
#include "companion/watch/watch_run.h"

namespace tavr {

namespace {

constexpr char kWatchDescription[] =
    "Reads the meter every SECONDS and writes one CSV row per reading: the time (ISO 8601 with "
    "the local offset) and the chosen registers as numbers in their units. With several device "
    "IDs the meters are read one after another, each row says its meter in a device column "
    "after the time, and the summary counts per meter. Keeps going through lost and garbled "
    "answers and reopens the port after a hang-up. Ctrl+C (or SIGTERM, SIGHUP) ends it with a "
    "summary.";

constexpr char kWatchExitCodes[] =
    "Exit codes: 0 rows written, 1 no reading, 2 bad usage, 3 the port could not be opened, 5 a "
    "row could not be written (the reason is printed).";

std::string RegistersProblem(const std::string& text) {
    return ParseRegisterList(text)
               ? ""
               : text + " is not a comma-separated list of addresses 0000H to 0022H";
}

}  // namespace

ExitStatus RunWatchCommand(const std::vector<std::string>& arguments, Console& console) {
    CommandLine line("watch", kWatchDescription);
    line.App().footer(kWatchExitCodes);
    std::string every;
    std::string duration;
    std::string registers;
    WatchOptions options;
    line.App()
        .add_option("--every", every,
                    "seconds between readings (decimals allowed); when reading all meters takes "
                    "longer, readings follow back to back (one warning)")
        ->type_name("SECONDS")
        ->required()
        ->check(SecondsCheck());
    CLI::Option* durationOption =
        line.App()
            .add_option("--for", duration,
                        "stop after D: 90, 90s, 10m, 1m30s, 2h or 1d (default: until Ctrl+C)")
            ->type_name("D")
            ->check(DurationCheck());
    line.App()
        .add_option("-o,--output", options.output,
                    "append the rows to FILE, a regular file, never truncating it (default: "
                    "standard output); the header is written when the file is new, and a last "
                    "row cut off by a kill is removed first")
        ->type_name("FILE");
    CLI::Option* registersOption =
        line.App()
            .add_option("--registers", registers,
                        "comma-separated addresses, e.g. 0003H,0004H,0007H (default: the "
                        "measurements 0003H,0004H,0005H,0006H,0007H,0008H,000BH,001EH)")
            ->type_name("LIST")
            ->check(Checked(RegistersProblem));
    const ConnectionOptions connectionOptions(line.App(), MeterCount::Several,
                                              "2 with one meter, 0 with several");
    if (const auto ended = line.Parse(arguments, console)) {
        return *ended;
    }
    if (const auto refused = line.RefuseArguments(console)) {
        return *refused;
    }
    std::string problem;
    options.poll.every = *ParseSeconds(every, problem);
    if (Given(durationOption)) {
        options.poll.duration = ParseDuration(duration, problem);
    }
    std::string error;
    if (!options.output.empty() && !RunLog::CheckPath(options.output, error)) {
        return line.UsageError(console, error);
    }
    options.registers =
        Given(registersOption) ? *ParseRegisterList(registers) : kMeasurementRegisters;
    options.poll.connection = connectionOptions.Choose();
    // A cycle asks each of several meters once: a silent one then costs one time-out.
    if (options.poll.connection.deviceIds.size() > 1 && !connectionOptions.RetriesGiven()) {
        options.poll.connection.retries = 0;
    }
    return RunWatch(options, console);
}

}  // namespace tavr
