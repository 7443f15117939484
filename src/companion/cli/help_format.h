#pragma once

#include <CLI/CLI.hpp>
#include <string>

namespace tavr {

// How a sub-command's help reads: "usage: tavr-12864-cli COMMAND [OPTIONS] ARGUMENTS", the
// description, the options by group (each with its value's name and whether it is required),
// then the footer; every text wrapped to 80 columns, so no help is wrapped by hand.
class HelpFormat : public CLI::Formatter {
  public:
    // `arguments`: the positional arguments as the usage line names them ("ADDRESS VALUE").
    explicit HelpFormat(std::string arguments);

    std::string make_help(const CLI::App* app, std::string name,
                          CLI::AppFormatMode mode) const override;
    std::string make_usage(const CLI::App* app, std::string name) const override;
    std::string make_option_opts(const CLI::Option* option) const override;
    std::string make_option_desc(const CLI::Option* option) const override;

  private:
    std::string arguments_;
};

// The width help texts are wrapped to.
inline constexpr std::size_t kHelpWidth = 80;

// `text` with its lines broken at blanks so that none is longer than `width` (unless one word
// is); the line breaks it holds are kept.
std::string Wrapped(const std::string& text, std::size_t width);

}  // namespace tavr
