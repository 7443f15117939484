#include "companion/cli/value_checks.h"

#include "companion/cli/command_line.h"
#include "companion/cli/duration_text.h"

namespace tavr {

CLI::Validator SecondsCheck() {
    return Checked([](const std::string& text) {
        std::string problem;
        return ParseSeconds(text, problem) ? "" : text + " " + problem;
    });
}

CLI::Validator DurationCheck() {
    return Checked([](const std::string& text) {
        std::string problem;
        return ParseDuration(text, problem) ? "" : text + " " + problem;
    });
}

}  // namespace tavr
