#pragma once

#include <ostream>

namespace tavr {

// Where a sub-command writes, and what it may know of its surroundings.
struct Console {
    std::ostream& out;
    std::ostream& err;
    // Standard error is a terminal: a live status line may be redrawn there.
    bool statusLine = false;
    // Becomes readable when the operator presses Ctrl+C; -1 when nothing interrupts.
    int interruptFd = -1;
};

}  // namespace tavr
