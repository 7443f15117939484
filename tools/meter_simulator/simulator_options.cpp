#include "meter_simulator/simulator_options.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <type_traits>
#include <utility>

#include "meter_simulator/number_text.h"

namespace tavr::simulator {

namespace {

constexpr std::string_view kUsage =
    "usage: tavr-meter-sim [options]\n"
    "Simulates a TAVR_12864 meter as a Modbus RTU slave on a pseudo-terminal linked as\n"
    "$XDG_CONFIG_HOME/TAVR_12864/dosdevices/com<N>.\n"
    "  --com N            COM port number to link (default 1)\n"
    "  --address ID       device address 1..247 (default 1)\n"
    "  --bus LIST         several meters on the line instead, e.g. 1,2,5 or 1-4; each has its\n"
    "                     own registers and battery\n"
    "  --silent ID        the bus's meter ID never answers (may be repeated)\n"
    "  --garbled ID       the bus's meter ID answers with a wrong checksum (may be repeated)\n"
    "  --baud B           the meter's baud rate (default 2400)\n"
    "  --check-baud       answer only while the line is set to B baud, 8 data bits, no parity\n"
    "  --log FILE|-       log every frame received and sent (- for standard output)\n"
    "  --fault KIND[=ARG] start with a fault: none, silent, short[=N], bad-crc, delay[=MS],\n"
    "                     garbage[=N], hangup[=MS]\n"
    "  --seed N           seed of the wobble and of garbage bytes (default 1)\n"
    "  --frozen           keep the measurements and counters still\n"
    "  --no-stdin         take no commands from standard input; run until a signal\n"
    "  --paced            send answers at the wire pace of B baud, a byte per 10 bit times\n"
    "  --paced-group N    the same, in groups of N bytes as a USB adapter hands them over\n"
    "Prints \"ready <device> com<N>\" when the line is ready. Commands on standard input, one a\n"
    "line: fault KIND [ARG] | hangup [MS] | set ADDR VALUE | get ADDR | quit; \"meter ID \"\n"
    "before fault, set or get aims at one meter of the bus (otherwise: all, get the first).\n";

class ArgumentReader {
  public:
    explicit ArgumentReader(std::span<const std::string_view> arguments) : arguments_(arguments) {}

    bool AtEnd() const { return next_ >= arguments_.size(); }

    // Splits "--name=value" into its name and an inline value.
    std::string_view NextName() {
        std::string_view argument = arguments_[next_++];
        inlineValue_.reset();
        if (const std::size_t equals = argument.find('='); equals != std::string_view::npos) {
            inlineValue_ = argument.substr(equals + 1);
            argument = argument.substr(0, equals);
        }
        return argument;
    }

    std::optional<std::string_view> Value() {
        if (inlineValue_) {
            return std::exchange(inlineValue_, std::nullopt);
        }
        if (AtEnd()) {
            return std::nullopt;
        }
        return arguments_[next_++];
    }

    bool HasInlineValue() const { return inlineValue_.has_value(); }

  private:
    std::span<const std::string_view> arguments_;
    std::size_t next_ = 0;
    std::optional<std::string_view> inlineValue_;
};

// "1,2,5", "1-4" or a mix: device IDs 1..247, each once, in the order given.
std::optional<std::vector<int>> ParseIdList(std::string_view text) {
    std::vector<int> ids;
    while (true) {
        const std::size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        const std::size_t dash = item.find('-');
        const auto first = ParseWholeNumber(item.substr(0, dash), 1, 247);
        const auto last = dash == std::string_view::npos
                              ? first
                              : ParseWholeNumber(item.substr(dash + 1), 1, 247);
        if (!first || !last || *last < *first) {
            return std::nullopt;
        }
        for (std::int64_t id = *first; id <= *last; ++id) {
            if (std::find(ids.begin(), ids.end(), id) != ids.end()) {
                return std::nullopt;
            }
            ids.push_back(static_cast<int>(id));
        }
        if (comma == std::string_view::npos) {
            return ids;
        }
        text.remove_prefix(comma + 1);
    }
}

std::string Apply(std::string_view name, ArgumentReader& reader, SimulatorOptions& options) {
    const auto flag = [&](auto set) {
        set();
        return reader.HasInlineValue() ? std::string(name) + " takes no value" : std::string();
    };
    if (name == "--check-baud") {
        return flag([&] { options.checkBaud = true; });
    }
    if (name == "--frozen") {
        return flag([&] { options.frozen = true; });
    }
    if (name == "--no-stdin") {
        return flag([&] { options.readCommands = false; });
    }
    if (name == "--paced") {
        return flag([&] { options.paced = true; });
    }
    const auto value = reader.Value();
    if (!value) {
        return std::string(name) + " needs a value";
    }
    const auto number = [&](auto& target, std::int64_t low, std::int64_t high) {
        const auto parsed = ParseWholeNumber(*value, low, high);
        if (!parsed) {
            return std::string(name) + ": " + std::string(*value) + " is not a number from " +
                   std::to_string(low) + " to " + std::to_string(high);
        }
        target = static_cast<std::remove_reference_t<decltype(target)>>(*parsed);
        return std::string();
    };
    if (name == "--com") {
        return number(options.com, 1, 255);
    }
    if (name == "--address") {
        return number(options.address, 1, 247);
    }
    if (name == "--bus") {
        const auto ids = ParseIdList(*value);
        if (!ids) {
            return "--bus: " + std::string(*value) +
                   " is not a list of distinct device IDs 1..247 such as 1,2,5 or 1-4";
        }
        options.bus = *ids;
        return "";
    }
    if (name == "--silent" || name == "--garbled") {
        int id = 0;
        std::string error = number(id, 1, 247);
        (name == "--silent" ? options.silentIds : options.garbledIds).push_back(id);
        return error;
    }
    if (name == "--baud") {
        return number(options.baud, 50, 4'000'000);
    }
    if (name == "--paced-group") {
        options.paced = true;
        return number(options.pacedGroup, 1, 4096);
    }
    if (name == "--seed") {
        return number(options.seed, 0, std::numeric_limits<std::int64_t>::max());
    }
    if (name == "--log") {
        options.logDestination = std::string(*value);
        return options.logDestination.empty() ? "--log needs a file name or -" : "";
    }
    if (name == "--fault") {
        const auto fault = ParseFault(*value);
        if (!fault) {
            return "--fault: " + std::string(*value) + " is not a fault";
        }
        options.fault = *fault;
        return "";
    }
    return "unknown option " + std::string(name);
}

bool Contains(const std::vector<int>& ids, int id) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

std::vector<int> BusIds(const SimulatorOptions& options) {
    return options.bus.empty() ? std::vector<int>{options.address} : options.bus;
}

}  // namespace

ParsedCommandLine ParseCommandLine(std::span<const std::string_view> arguments) {
    ParsedCommandLine parsed;
    ArgumentReader reader(arguments);
    while (!reader.AtEnd() && parsed.error.empty() && !parsed.helpRequested) {
        const std::string_view name = reader.NextName();
        if (name == "--help" || name == "-h") {
            parsed.helpRequested = true;
        } else {
            parsed.error = Apply(name, reader, parsed.options);
        }
    }
    for (const int id : parsed.options.silentIds) {
        if (parsed.error.empty() && !Contains(BusIds(parsed.options), id)) {
            parsed.error = "--silent: meter " + std::to_string(id) + " is not on the line";
        }
    }
    for (const int id : parsed.options.garbledIds) {
        if (parsed.error.empty() && !Contains(BusIds(parsed.options), id)) {
            parsed.error = "--garbled: meter " + std::to_string(id) + " is not on the line";
        }
    }
    return parsed;
}

std::string_view UsageText() {
    return kUsage;
}

std::vector<BusMeterSetup> BusSetup(const SimulatorOptions& options) {
    std::vector<BusMeterSetup> meters;
    for (const int id : BusIds(options)) {
        BusMeterSetup setup{id, options.fault};
        if (Contains(options.garbledIds, id)) {
            setup.fault = {FaultKind::BadCrc, 0};
        }
        if (Contains(options.silentIds, id)) {
            setup.fault = {FaultKind::Silent, 0};
        }
        meters.push_back(setup);
    }
    return meters;
}

}  // namespace tavr::simulator
