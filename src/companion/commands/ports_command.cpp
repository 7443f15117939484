#include "companion/cli/command_line.h"
#include "companion/commands/sub_commands.h"
#include "companion/meter/port_probe.h"

namespace tavr {

ExitStatus RunPorts(const std::vector<std::string>& arguments, Console& console) {
    CommandLine line("ports", std::string(kPortsDescription));
    if (const auto ended = line.Parse(arguments, console)) {
        return *ended;
    }
    if (const auto refused = line.RefuseArguments(console)) {
        return *refused;
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
