#include "companion/commands/companion.h"

#include <cstdio>

#include "companion/cli/help_format.h"
#include "companion/commands/sub_commands.h"
#include "companion/platform/output_buffer.h"

namespace tavr {

namespace {

constexpr char kCommands[] =
    "usage: tavr-12864-cli COMMAND [OPTIONS]\n"
    "Reads, logs and plots a TAVR_12864 meter, with the control window's own texts.\n"
    "  ports    list the COM numbers, their devices and whether you may open them\n"
    "  read     read the 35 registers once (table, csv or json)\n"
    "  watch    log readings to a CSV file at a fixed period\n"
    "  write    write one register's raw value and read it back\n"
    "  plot     draw a logged run as PNG or SVG\n"
    "  publish  publish readings to an MQTT broker, with Home Assistant discovery\n"
    "  report   sum up a logged run per meter: charge, energy, extremes\n"
    "'tavr-12864-cli COMMAND --help' describes a command.\n"
    "'tavr-12864-cli --version' prints the version.\n";

constexpr char kExitCodes[] =
    "Exit codes: 0 done, 1 no valid answer (or a write that did not take), 2 bad usage or input, "
    "3 the port could not be opened, 4 the MQTT broker refused the login or TLS failed (or a timed "
    "publish never reached it), 5 the output could not be written.";

std::string ProgramHelp() {
    return kCommands + Wrapped(kExitCodes, kHelpWidth) + "\n";
}

}  // namespace

int RunCompanion(const std::vector<std::string>& arguments, Console& console,
                 const PlotRenderer& renderPlot) {
    if (arguments.empty()) {
        console.err << ProgramHelp();
        return ExitCode(ExitStatus::BadUsage);
    }
    const std::string& command = arguments[0];
    const std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
    if (command == "--help" || command == "-h" || command == "help") {
        console.out << ProgramHelp();
        return ExitCode(ExitStatus::Done);
    }
    if (command == "--version" || command == "version") {
        console.out << "tavr-12864-cli " << TAVR_VERSION << "\n";
        return ExitCode(ExitStatus::Done);
    }
    if (command == "ports") {
        return ExitCode(RunPorts(rest, console));
    }
    if (command == "read") {
        return ExitCode(RunRead(rest, console));
    }
    if (command == "watch") {
        return ExitCode(RunWatchCommand(rest, console));
    }
    if (command == "write") {
        return ExitCode(RunWrite(rest, console));
    }
    if (command == "plot") {
        return ExitCode(RunPlot(rest, console, renderPlot));
    }
    if (command == "report") {
        return ExitCode(RunReport(rest, console));
    }
    if (command == "publish") {
        return ExitCode(RunPublishCommand(rest, console));
    }
    console.err << "tavr-12864-cli: unknown command " << command << "\n" << ProgramHelp();
    return ExitCode(ExitStatus::BadUsage);
}

int FinishStandardOutput(std::ostream& out, OutputBuffer& buffer, std::ostream& err, int exitCode) {
    out.flush();
    if (buffer.Close()) {
        return exitCode;
    }
    // watch has said so already, and how many rows were written.
    if (exitCode != ExitCode(ExitStatus::OutputFailed)) {
        err << "tavr-12864-cli: cannot write standard output: " << buffer.Reason() << "\n";
    }
    return exitCode == ExitCode(ExitStatus::Done) ? ExitCode(ExitStatus::OutputFailed) : exitCode;
}

}  // namespace tavr
