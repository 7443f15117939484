#pragma once

#include <cstdint>

namespace tavr {

// What becomes signalled when the operator interrupts (Ctrl+C): a descriptor that becomes
// readable on Linux, an event handle on Windows. Held as a number so that the code above the
// platform's waits can pass it along without knowing which.
using InterruptHandle = std::intptr_t;

// No interruption can come.
constexpr InterruptHandle kNoInterrupt = -1;

}  // namespace tavr
