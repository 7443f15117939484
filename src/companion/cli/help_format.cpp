#include "companion/cli/help_format.h"

namespace tavr {

namespace {

constexpr std::size_t kOptionColumn = 24;

// One line of `text` (no line break in it) broken at blanks.
std::string WrappedLine(const std::string& line, std::size_t width) {
    std::string wrapped;
    std::size_t length = 0;
    std::size_t start = 0;
    while (start < line.size()) {
        std::size_t end = line.find(' ', start);
        if (end == std::string::npos) {
            end = line.size();
        }
        const std::string word = line.substr(start, end - start);
        if (length > 0 && length + 1 + word.size() > width) {
            wrapped += '\n';
            length = 0;
        } else if (length > 0) {
            wrapped += ' ';
            ++length;
        }
        wrapped += word;
        length += word.size();
        start = end + 1;
    }
    return wrapped;
}

}  // namespace

std::string Wrapped(const std::string& text, std::size_t width) {
    std::string wrapped;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        wrapped += WrappedLine(text.substr(start, end - start), width);
        if (end < text.size()) {
            wrapped += '\n';
        }
        start = end + 1;
    }
    return wrapped;
}

HelpFormat::HelpFormat(std::string arguments) : arguments_(std::move(arguments)) {
    column_width(kOptionColumn);
    label("OPTIONS", "[OPTIONS]");
}

std::string HelpFormat::make_help(const CLI::App* app, std::string name,
                                  CLI::AppFormatMode mode) const {
    std::string help = make_usage(app, std::move(name));
    help += Wrapped(app->get_description(), kHelpWidth) + "\n";
    // One blank line before each group of options, none after the last.
    std::string groups = make_groups(app, mode);
    for (std::size_t blanks = groups.find("\n\n\n"); blanks != std::string::npos;
         blanks = groups.find("\n\n\n")) {
        groups.erase(blanks, 1);
    }
    help += groups;
    if (!app->get_footer().empty()) {
        help += "\n" + Wrapped(app->get_footer(), kHelpWidth) + "\n";
    }
    return help;
}

std::string HelpFormat::make_usage(const CLI::App* app, std::string) const {
    std::string usage = "usage: tavr-12864-cli " + app->get_name() + " [OPTIONS]";
    if (!arguments_.empty()) {
        usage += " " + arguments_;
    }
    return usage + "\n";
}

std::string HelpFormat::make_option_opts(const CLI::Option* option) const {
    std::string opts;
    if (option->get_type_size() != 0 && !option->get_type_name().empty()) {
        opts += " " + option->get_type_name();
    }
    if (option->get_required()) {
        opts += " (required)";
    }
    return opts;
}

std::string HelpFormat::make_option_desc(const CLI::Option* option) const {
    // The formatter indents each continued line to the option column.
    return Wrapped(option->get_description(), kHelpWidth - kOptionColumn);
}

}  // namespace tavr
