#pragma once

#include <cstdint>

#include "framework/combo_box.h"

namespace tavr {

// Selects `baud` in the program's baud rate selector, whatever a fresh start restored there: a
// paced simulator sends at that rate, and the serial unit batches by it. Throws
// std::runtime_error when the selector has no such entry.
void SelectBaudRate(ComboBox& selector, std::int32_t baud);

}  // namespace tavr
