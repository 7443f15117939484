#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace tavr {

// How often each thread of this process has gone to sleep and been woken since it started: its
// voluntary context switches from /proc/self/task/*/status, summed by the thread's name (its
// comm; the process's main thread is "main"). Threads that ended are no longer counted.
using ThreadWakeups = std::map<std::string, std::int64_t>;

ThreadWakeups CountThreadWakeups();

// What each thread name gained from `before` to `after`.
ThreadWakeups WakeupsBetween(const ThreadWakeups& before, const ThreadWakeups& after);

}  // namespace tavr
