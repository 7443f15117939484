#pragma once

#include <ctime>

namespace tavr {

// The local calendar time of a moment and how far local time is then from UTC.
struct LocalTime {
    std::tm fields{};
    long offsetSeconds = 0;  // east of UTC is positive
};

// The local time of `seconds` since 1970-01-01T00:00:00Z, in the system's time zone.
LocalTime ToLocalTime(std::time_t seconds);

// The seconds since 1970-01-01T00:00:00Z of calendar `fields` read as UTC.
std::time_t UtcSeconds(std::tm fields);

}  // namespace tavr
