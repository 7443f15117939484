#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/thread_wakeups.h"

namespace tavr {

// What a master spent on a number of replies: the wake-ups of each of its process's threads and
// the process's CPU time.
struct ReplyCost {
    ThreadWakeups wakeups;
    std::int64_t replies = 0;
    double cpuSeconds = 0;
};

// A row of a cost table: which line, which master.
struct ReplyCostRow {
    std::string line;
    std::string master;
    ReplyCost cost;
};

// Measures what `read` costs, which reads `replies` replies.
template <class Read>
ReplyCost MeasureReplyCost(std::int64_t replies, Read read);

double ProcessCpuSeconds();

// The rows per reply: a column of wake-ups for each thread name any of them had, then the CPU.
std::string RenderReplyCosts(const std::vector<ReplyCostRow>& rows);

template <class Read>
ReplyCost MeasureReplyCost(std::int64_t replies, Read read) {
    const ThreadWakeups before = CountThreadWakeups();
    const double cpuBefore = ProcessCpuSeconds();
    read();
    return {WakeupsBetween(before, CountThreadWakeups()), replies, ProcessCpuSeconds() - cpuBefore};
}

}  // namespace tavr
