#include "support/count_options.h"

#include <algorithm>
#include <charconv>
#include <stdexcept>

namespace tavr {

CountOptions::CountOptions(std::initializer_list<Declared> declared) {
    for (const Declared& option : declared) {
        Add(option.name, option.defaultValue, option.meaning);
    }
}

void CountOptions::Add(std::string name, std::int64_t defaultValue, std::string meaning) {
    options_.push_back({std::move(name), defaultValue, defaultValue, std::move(meaning)});
}

bool CountOptions::Parse(std::span<const std::string_view> arguments) {
    for (std::size_t next = 0; next < arguments.size(); ++next) {
        std::string_view name = arguments[next];
        if (name == "--help" || name == "-h") {
            helpRequested_ = true;
            return false;
        }
        std::string_view value;
        if (const std::size_t equals = name.find('='); equals != std::string_view::npos) {
            value = name.substr(equals + 1);
            name = name.substr(0, equals);
        } else if (Find(name) != nullptr && next + 1 < arguments.size()) {
            value = arguments[++next];
        }
        if (!Take(name, value)) {
            return false;
        }
    }
    return true;
}

bool CountOptions::Take(std::string_view name, std::string_view value) {
    Option* option = Find(name);
    if (option == nullptr) {
        error_ = "unknown option " + std::string(name);
        return false;
    }
    std::int64_t number = 0;
    const auto [end, problem] = std::from_chars(value.data(), value.data() + value.size(), number);
    if (value.empty() || problem != std::errc() || end != value.data() + value.size() ||
        number < 1) {
        error_ =
            option->name + " needs a whole number from 1 up, not \"" + std::string(value) + "\"";
        return false;
    }
    option->value = number;
    return true;
}

std::int64_t CountOptions::operator[](std::string_view name) const {
    const auto found = std::find_if(options_.begin(), options_.end(),
                                    [name](const Option& option) { return option.name == name; });
    if (found == options_.end()) {
        throw std::logic_error("no option " + std::string(name));
    }
    return found->value;
}

std::string CountOptions::Usage(std::string_view program) const {
    std::string text = "usage: " + std::string(program);
    for (const Option& option : options_) {
        text += " [" + option.name + " N]";
    }
    text += '\n';
    std::size_t width = 0;
    for (const Option& option : options_) {
        width = std::max(width, option.name.size());
    }
    for (const Option& option : options_) {
        text += "  " + option.name + " N" + std::string(width - option.name.size() + 2, ' ') +
                option.meaning + " (default " + std::to_string(option.defaultValue) + ")\n";
    }
    return text;
}

CountOptions::Option* CountOptions::Find(std::string_view name) {
    const auto found = std::find_if(options_.begin(), options_.end(),
                                    [name](const Option& option) { return option.name == name; });
    return found == options_.end() ? nullptr : &*found;
}

std::vector<std::string_view> ArgumentsOf(int argc, char** argv) {
    return std::vector<std::string_view>(argv + 1, argv + argc);
}

}  // namespace tavr
