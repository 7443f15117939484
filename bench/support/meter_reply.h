#pragma once

#include <span>

#include "runtime/types.h"

namespace tavr {

// The meter simulator's 75-byte answer to device 1's read request, as the meter sends it.
// With `flipped` (register addresses), the lowest bit of those registers is inverted: set against
// the plain answer, each of them reads differently. Throws std::runtime_error when the simulator
// gives none.
ByteSet SimulatedMeterReply(std::span<const int> flipped = {});

}  // namespace tavr
