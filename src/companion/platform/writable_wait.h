#pragma once

#include "companion/platform/interrupt_handle.h"

namespace tavr {

// Waits until descriptor `fd` takes more bytes (a pipe whose reader is slow) or the operator
// interrupts; false when interrupted first. Returns at once without an interrupt to wait for, or
// where the system cannot wait for writability (Windows' pipes): the write then blocks as it would.
bool WaitUntilWritable(int fd, InterruptHandle interrupt);

}  // namespace tavr
