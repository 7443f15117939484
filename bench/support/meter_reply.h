#pragma once

#include "runtime/types.h"

namespace tavr {

// The meter simulator's 75-byte answer to device 1's read request, as the meter sends it.
// Throws std::runtime_error when the simulator gives none.
ByteSet SimulatedMeterReply();

}  // namespace tavr
