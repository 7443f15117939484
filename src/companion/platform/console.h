#pragma once

#include <atomic>
#include <ostream>
#include <string>

#include "companion/platform/interrupt_handle.h"

namespace tavr {

class OutputBuffer;

// Where a sub-command writes, and what it may know of its surroundings.
struct Console {
    std::ostream& out;
    std::ostream& err;
    // Standard error is a terminal: a live status line may be redrawn there.
    bool statusLine = false;
    // Standard error is the systemd journal: a line may start with its syslog priority.
    bool journal = false;
    // Signalled when the operator presses Ctrl+C.
    InterruptHandle interrupt = kNoInterrupt;
    // Signalled on a hang-up signal (SIGHUP) once `hangUpReloads` is set, which a command that can
    // read its configuration again does; until then a hang-up interrupts like Ctrl+C.
    InterruptHandle reload = kNoInterrupt;
    std::atomic<bool>* hangUpReloads = nullptr;
    // The buffer behind `out` when it is standard output; it knows why a write failed.
    const OutputBuffer* outBuffer = nullptr;

    // Why writing to `out` failed, in the system's words where they are known.
    std::string OutFailure() const;
};

}  // namespace tavr
