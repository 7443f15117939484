#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace tavr {

// A sub-command's arguments taken apart: options "--name value" or "--name=value", flags
// "--name" without a value, "--help" (or "-h"), and the positional arguments in order (a
// negative number is one).
struct CommandArguments {
    std::map<std::string, std::string> options;
    std::set<std::string, std::less<>> flags;
    std::vector<std::string> positionals;
    bool help = false;
    std::string error;  // empty when the arguments were understood

    std::optional<std::string> Option(const std::string& name) const;
    bool Flag(std::string_view name) const { return flags.contains(name); }
};

// Takes `arguments` apart; `valueOptions` are the options with a value the sub-command knows
// ("-o" may be among them), `flagOptions` those without. An unknown option, a missing value, a
// value given to a flag or an option given twice is an error. "--" ends the options.
CommandArguments ParseCommandArguments(const std::vector<std::string>& arguments,
                                       const std::set<std::string, std::less<>>& valueOptions,
                                       const std::set<std::string, std::less<>>& flagOptions = {});

}  // namespace tavr
