#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "companion/meter/polling_run.h"
#include "companion/platform/console.h"
#include "companion/platform/exit_status.h"

namespace tavr {

struct WatchOptions {
    PollPlan poll;
    std::string output;  // empty: standard output
    std::vector<std::uint16_t> registers;
};

// What a watch run met with one meter, for its status line and its summary.
struct WatchTally {
    std::int64_t readings = 0;  // rows written
    std::int64_t dropped = 0;   // garbled answers, not written
    std::int64_t timeouts = 0;  // requests that got no answer
};

// Reads the chosen meters every `every`, one after another, and appends one row per intact
// answer (with a device column when there are several). A request without an answer is
// retried while the next reading is not yet due (as often as the connection's retries allow);
// a garbled answer is dropped and counted; after a hang-up the port is reopened with a doubling
// wait. A cycle that takes longer than `every` is followed at once by the next, with one
// warning. Ends after `duration` or when interrupted, then prints a summary per meter.
// PortUnavailable when the port cannot be opened at the start, BadUsage when the log cannot be
// opened, OutputFailed when a row could not be written, NoAnswer when no reading was written.
ExitStatus RunWatch(const WatchOptions& options, Console& console);

}  // namespace tavr
