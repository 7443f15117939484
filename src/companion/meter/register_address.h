#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavr {

// The registers `watch` logs when none are chosen: the measurements (voltage, current, both
// temperatures, remaining charge, used energy, remaining percentage, second voltage).
inline const std::vector<std::uint16_t> kMeasurementRegisters = {0x03, 0x04, 0x05, 0x06,
                                                                 0x07, 0x08, 0x0B, 0x1E};

// A register address as the meter's documentation writes it ("0003H", "3H"), in C notation
// ("0x03") or in decimal ("3"). Nothing for another text or an address beyond 0022H.
std::optional<std::uint16_t> ParseRegisterAddress(std::string_view text);

// A comma-separated list of addresses, in the order given, each at most once. Nothing when any
// entry is not an address or the list is empty.
std::optional<std::vector<std::uint16_t>> ParseRegisterList(std::string_view text);

// "0003H".
std::string RegisterName(std::uint16_t address);

}  // namespace tavr
