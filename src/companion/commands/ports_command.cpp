#include "companion/commands/sub_commands.h"
#include "companion/meter/port_probe.h"

namespace tavr {

ExitStatus RunPorts(const std::vector<std::string>& arguments, Console& console) {
    const CommandArguments parsed = ParseCommandArguments(arguments, {});
    if (parsed.help) {
        console.out << kPortsHelp;
        return ExitStatus::Done;
    }
    if (!parsed.error.empty()) {
        return UsageError(console, "ports", parsed.error);
    }
    if (!parsed.positionals.empty()) {
        return UsageError(console, "ports", "unexpected argument " + parsed.positionals[0]);
    }
    const std::vector<std::int32_t> ports = ResolvingPorts();
    if (ports.empty()) {
        console.out << kNoPortResolves;
    }
    for (const std::int32_t port : ports) {
        console.out << DescribeProbe(ProbePort(port)) << "\n";
    }
    return ExitStatus::Done;
}

}  // namespace tavr
