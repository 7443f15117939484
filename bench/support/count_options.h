#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tavr {

// The command line of a benchmark program: options that each take a whole number of at least 1
// ("--runs 5" or "--runs=5"), each with a default, and "--help".
class CountOptions {
  public:
    // An option as a benchmark declares it.
    struct Declared {
        std::string name;
        std::int64_t defaultValue;
        std::string meaning;
    };

    CountOptions() = default;
    CountOptions(std::initializer_list<Declared> declared);

    void Add(std::string name, std::int64_t defaultValue, std::string meaning);

    // Takes the values given; false with Error() set for an unknown option, a missing value or
    // one that is not a whole number from 1 up, and false with HelpRequested() for "--help".
    bool Parse(std::span<const std::string_view> arguments);
    bool HelpRequested() const { return helpRequested_; }
    const std::string& Error() const { return error_; }

    // The value of an option added before.
    std::int64_t operator[](std::string_view name) const;
    std::string Usage(std::string_view program) const;

  private:
    struct Option {
        std::string name;
        std::int64_t defaultValue;
        std::int64_t value;
        std::string meaning;
    };

    Option* Find(std::string_view name);
    bool Take(std::string_view name, std::string_view value);

    std::vector<Option> options_;
    std::string error_;
    bool helpRequested_ = false;
};

// The arguments after the program name.
std::vector<std::string_view> ArgumentsOf(int argc, char** argv);

}  // namespace tavr
