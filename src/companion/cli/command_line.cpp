#include "companion/cli/command_line.h"

#include <algorithm>

#include "companion/cli/help_format.h"

namespace tavr {

namespace {

// An argument that names an option: "-x" or "--name", not a negative number.
bool LooksLikeOption(const std::string& argument) {
    return argument.size() > 1 && argument[0] == '-' && (argument[1] < '0' || argument[1] > '9');
}

// The option a parser message starts with ("--id: ...").
std::string OptionOf(const std::string& message) {
    return message.substr(0, message.find(':'));
}

}  // namespace

CommandLine::CommandLine(std::string command, std::string description, std::string arguments)
    : command_(std::move(command)), app_(std::move(description), command_) {
    app_.formatter(std::make_shared<HelpFormat>(std::move(arguments)));
    app_.set_help_flag("-h,--help", "show this help");
    // What the declarations do not take is sorted out by Parse: positionals or unknown options.
    app_.allow_extras();
}

CLI::Option* CommandLine::AddFlag(const std::string& name, bool& flag,
                                  const std::string& description) {
    return app_.add_flag(name, flag, description)
        ->multi_option_policy(CLI::MultiOptionPolicy::Throw)
        ->disable_flag_override();
}

std::optional<ExitStatus> CommandLine::Parse(const std::vector<std::string>& arguments,
                                             Console& console) {
    // Help comes first, whatever else the command line holds.
    for (const std::string& argument : arguments) {
        if (argument == "--") {
            break;
        }
        if (argument == "-h" || argument == "--help") {
            console.out << app_.help();
            return ExitStatus::Done;
        }
    }
    // The parser takes the arguments last first.
    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    try {
        app_.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        // "--help=..." and the like.
        console.out << app_.help();
        return ExitStatus::Done;
    } catch (const CLI::ParseError& error) {
        return UsageError(console, Refusal(error));
    }
    bool optionsEnded = false;
    for (const std::string& argument : app_.remaining()) {
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && LooksLikeOption(argument)) {
            return UsageError(console, "unknown option " + argument.substr(0, argument.find('=')));
        } else {
            positionals_.push_back(argument);
        }
    }
    return std::nullopt;
}

std::optional<ExitStatus> CommandLine::RefuseArguments(Console& console) const {
    if (positionals_.empty()) {
        return std::nullopt;
    }
    return UsageError(console, "unexpected argument " + positionals_.front());
}

ExitStatus CommandLine::UsageError(Console& console, std::string_view message) const {
    console.err << "tavr-12864-cli " << command_ << ": " << message << "\n"
                << "(see tavr-12864-cli " << command_ << " --help)\n";
    return ExitStatus::BadUsage;
}

std::string CommandLine::Refusal(const CLI::ParseError& error) const {
    const std::string message = error.what();
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) != nullptr) {
        if (message.find("disallowed flag override") != std::string::npos) {
            return "--" + message.substr(0, message.find(' ')) + " takes no value";
        }
        if (message.find("received") != std::string::npos) {
            return OptionOf(message) + " is given twice";
        }
        return OptionOf(message) + " needs a value";
    }
    if (dynamic_cast<const CLI::RequiredError*>(&error) != nullptr) {
        // "--every is required": said with the value it takes.
        const std::string name = message.substr(0, message.find(' '));
        const CLI::Option* option = app_.get_option_no_throw(name);
        return option != nullptr ? name + " " + option->get_type_name() + " is required" : message;
    }
    if (dynamic_cast<const CLI::ExcludesError*>(&error) != nullptr) {
        const std::size_t excludes = message.find(" excludes ");
        return message.substr(0, excludes) + " and " + message.substr(excludes + 10) +
               " exclude each other";
    }
    return message;
}

CLI::Validator Checked(std::function<std::string(const std::string& value)> whyNot) {
    return CLI::Validator(
        [whyNot = std::move(whyNot)](std::string& value) { return whyNot(value); }, "");
}

CLI::Validator OneOf(std::vector<std::string> values) {
    return Checked([values = std::move(values)](const std::string& value) -> std::string {
        if (std::find(values.begin(), values.end(), value) != values.end()) {
            return "";
        }
        std::string list;
        for (std::size_t k = 0; k < values.size(); ++k) {
            list += (k == 0 ? "" : k + 1 == values.size() ? " or " : ", ") + values[k];
        }
        return value + " is not " + list;
    });
}

}  // namespace tavr
