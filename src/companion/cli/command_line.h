#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "companion/platform/console.h"
#include "companion/platform/exit_status.h"

namespace tavr {

// A sub-command's command line: its options declared once on App(), with their validators, the
// help generated from them, and its positional arguments. Options take "--name value" or
// "--name=value"; a negative number is a positional argument; "--" ends the options.
class CommandLine {
  public:
    // `arguments`: the positional arguments as the usage line names them ("ADDRESS VALUE").
    CommandLine(std::string command, std::string description, std::string arguments = "");

    CLI::App& App() { return app_; }

    // A flag without a value, given at most once.
    CLI::Option* AddFlag(const std::string& name, bool& flag, const std::string& description);

    // Takes `arguments` apart. Nothing when the sub-command goes on; Done after printing the
    // help for -h or --help; BadUsage after "tavr-12864-cli COMMAND: <why>" on a bad command
    // line (an unknown option, a missing value, an option given twice, a value its validator
    // refuses, a required option missing, options that exclude each other).
    std::optional<ExitStatus> Parse(const std::vector<std::string>& arguments, Console& console);

    const std::vector<std::string>& Positionals() const { return positionals_; }

    // Nothing when there is no positional argument; else BadUsage, naming the first.
    std::optional<ExitStatus> RefuseArguments(Console& console) const;

    // "tavr-12864-cli COMMAND: <message>" and a pointer to the help; BadUsage.
    ExitStatus UsageError(Console& console, std::string_view message) const;

  private:
    // The companion's words for what the parser refused.
    std::string Refusal(const CLI::ParseError& error) const;

    std::string command_;
    CLI::App app_;
    std::vector<std::string> positionals_;
};

// A validator made of one of the project's checks: `whyNot` returns why a value is refused, or
// an empty text when it is sound.
CLI::Validator Checked(std::function<std::string(const std::string& value)> whyNot);

// A value that is one of `values`; "xml is not table, csv or json" otherwise.
CLI::Validator OneOf(std::vector<std::string> values);

// Whether the option was given on the command line.
inline bool Given(const CLI::Option* option) {
    return option->count() > 0;
}

}  // namespace tavr
