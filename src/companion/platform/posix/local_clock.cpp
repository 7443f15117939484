#include "companion/platform/local_clock.h"

namespace tavr {

LocalTime ToLocalTime(std::time_t seconds) {
    LocalTime local;
    localtime_r(&seconds, &local.fields);
    local.offsetSeconds = local.fields.tm_gmtoff;
    return local;
}

std::time_t UtcSeconds(std::tm fields) {
    return timegm(&fields);
}

}  // namespace tavr
