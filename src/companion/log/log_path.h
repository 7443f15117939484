#pragma once

#include <string>

namespace tavr {

// What stands at a log's path. Every use of watch's log (appending to it, plot, report) takes
// only a regular file, or a path where nothing is yet: a FIFO or a device could block or never
// end, and a folder holds no rows.
struct LogPathState {
    enum class Kind { Missing, RegularFile, NotAFile, Unseen };
    Kind kind = Kind::Missing;
    // For NotAFile what it is ("a pipe (FIFO)", "a folder"), for Unseen the system's reason.
    std::string what;
};

// Looks at `path` (UTF-8) without opening it, so this never blocks.
LogPathState LookAtLogPath(const std::string& path);

}  // namespace tavr
