#include "companion/port_probe.h"
#include "companion/sub_commands.h"

namespace tavr {

namespace {

constexpr std::string_view PortsHelp =
    "usage: tavr-12864-cli ports\n"
    "Lists every COM number that resolves to a device (the links in\n"
    "$XDG_CONFIG_HOME/TAVR_12864/dosdevices, then the serial devices present), the device\n"
    "behind it and whether you may open it; if not, why.\n";

}  // namespace

ExitStatus RunPorts(const std::vector<std::string>& arguments, Console& console) {
    const CommandArguments parsed = ParseCommandArguments(arguments, {});
    if (parsed.help) {
        console.out << PortsHelp;
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
        console.out << "no COM port resolves: no serial device is present and no link is in "
                       "$XDG_CONFIG_HOME/TAVR_12864/dosdevices\n";
    }
    for (const std::int32_t port : ports) {
        console.out << DescribeProbe(ProbePort(port)) << "\n";
    }
    return ExitStatus::Done;
}

}  // namespace tavr
