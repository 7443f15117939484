#include "companion/meter/register_address.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "protocol/frame_codec.h"

namespace tavr {

namespace {

std::optional<std::uint16_t> ParseNumber(std::string_view digits, int base) {
    unsigned value = 0;
    const auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() ||
        value >= static_cast<unsigned>(kRegisterCount)) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(value);
}

}  // namespace

std::optional<std::uint16_t> ParseRegisterAddress(std::string_view text) {
    if (text.size() > 1 && (text.back() == 'H' || text.back() == 'h')) {
        return ParseNumber(text.substr(0, text.size() - 1), 16);
    }
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        return ParseNumber(text.substr(2), 16);
    }
    return ParseNumber(text, 10);
}

std::optional<std::vector<std::uint16_t>> ParseRegisterList(std::string_view text) {
    std::vector<std::uint16_t> addresses;
    while (true) {
        const std::size_t comma = text.find(',');
        const std::optional<std::uint16_t> address = ParseRegisterAddress(text.substr(0, comma));
        if (!address) {
            return std::nullopt;
        }
        if (std::find(addresses.begin(), addresses.end(), *address) == addresses.end()) {
            addresses.push_back(*address);
        }
        if (comma == std::string_view::npos) {
            return addresses;
        }
        text.remove_prefix(comma + 1);
    }
}

std::string RegisterName(std::uint16_t address) {
    char name[8];
    std::snprintf(name, sizeof name, "%04XH", static_cast<unsigned>(address));
    return name;
}

}  // namespace tavr
