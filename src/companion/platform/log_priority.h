#pragma once

#include <string>

namespace tavr {

// How much a line on standard error matters, as syslog and the systemd journal number it.
enum class LogPriority { Error = 3, Warning = 4, Info = 6 };

// The line's start when standard error is the journal: "<3>", "<4>" or "<6>"; otherwise none.
std::string PriorityPrefix(LogPriority priority, bool journal);

// Whether descriptor `fd` is the journal's stream, which systemd names in the environment
// variable JOURNAL_STREAM as "device:inode" when it connects a service's standard error to it.
bool IsJournalStream(int fd, const char* journalStream);

}  // namespace tavr
