#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "registers/register_catalogue.h"

namespace tavr {

struct WriteInput {
    std::uint16_t address = 0;
    std::uint16_t value = 0;
};

// Checks a register write before anything is sent: the address must name one of the 35
// registers, the value a whole raw number from 0 to the register's maximum in the catalogue
// (for 0000H, the device address, from 1: address 0 is the broadcast address, which would
// leave the meter unreachable). An output mode (001BH) of 0 or 1 takes the meter out of
// Modbus mode, after which nothing can talk to it over the line: it is refused unless `force`.
// Nothing, with `error` saying what is wrong, otherwise.
std::optional<WriteInput> CheckWriteInput(std::string_view addressText, std::string_view valueText,
                                          const RegisterCatalogue& catalogue, bool force,
                                          std::string& error);

// The warning about output modes 0 and 1, for the help.
std::string OutputModeWarning();

}  // namespace tavr
