#include "companion/cli/command_arguments.h"

namespace tavr {

std::optional<std::string> CommandArguments::Option(const std::string& name) const {
    const auto found = options.find(name);
    if (found == options.end()) {
        return std::nullopt;
    }
    return found->second;
}

CommandArguments ParseCommandArguments(const std::vector<std::string>& arguments,
                                       const std::set<std::string, std::less<>>& valueOptions,
                                       const std::set<std::string, std::less<>>& flagOptions) {
    CommandArguments parsed;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size() && parsed.error.empty(); ++i) {
        const std::string& argument = arguments[i];
        // A negative number is a value, not an option.
        const bool negativeNumber =
            argument.size() > 1 && argument[0] == '-' && argument[1] >= '0' && argument[1] <= '9';
        if (optionsEnded || argument.size() < 2 || argument[0] != '-' || negativeNumber) {
            parsed.positionals.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (argument == "--help" || argument == "-h") {
            parsed.help = true;
            continue;
        }
        const std::size_t equals = argument.find('=');
        const std::string name = argument.substr(0, equals);
        if (flagOptions.contains(name)) {
            if (equals != std::string::npos) {
                parsed.error = name + " takes no value";
            } else if (!parsed.flags.insert(name).second) {
                parsed.error = name + " is given twice";
            }
        } else if (!valueOptions.contains(name)) {
            parsed.error = "unknown option " + name;
        } else if (parsed.options.contains(name)) {
            parsed.error = name + " is given twice";
        } else if (equals != std::string::npos) {
            parsed.options[name] = argument.substr(equals + 1);
        } else if (i + 1 < arguments.size()) {
            parsed.options[name] = arguments[++i];
        } else {
            parsed.error = name + " needs a value";
        }
    }
    return parsed;
}

}  // namespace tavr
