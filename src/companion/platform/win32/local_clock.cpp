#include "companion/platform/local_clock.h"

namespace tavr {

LocalTime ToLocalTime(std::time_t seconds) {
    LocalTime local;
    localtime_s(&local.fields, &seconds);
    // The local fields read as UTC are ahead of the moment by the offset.
    std::tm copy = local.fields;
    local.offsetSeconds = static_cast<long>(_mkgmtime(&copy) - seconds);
    return local;
}

std::time_t UtcSeconds(std::tm fields) {
    return _mkgmtime(&fields);
}

}  // namespace tavr
