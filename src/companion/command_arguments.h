#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace tavr {

// A sub-command's arguments taken apart: options "--name value" or "--name=value", the flag
// "--help" (or "-h"), and the positional arguments in order (a negative number is one).
struct CommandArguments {
    std::map<std::string, std::string> options;
    std::vector<std::string> positionals;
    bool help = false;
    std::string error;  // empty when the arguments were understood

    std::optional<std::string> Option(const std::string& name) const;
};

// Takes `arguments` apart; `valueOptions` are the options the sub-command knows ("-o" may be
// among them). An unknown option, a missing value or an option given twice is an error. "--"
// ends the options.
CommandArguments ParseCommandArguments(const std::vector<std::string>& arguments,
                                       const std::set<std::string, std::less<>>& valueOptions);

}  // namespace tavr
