#include "companion/publish/meter_availability.h"

namespace tavr {

std::optional<bool> MeterAvailability::Record(bool answered) {
    missed_ = answered ? 0 : missed_ + 1;
    bool online = online_.value_or(false);
    if (answered) {
        online = true;
    } else if (missed_ >= kCyclesToOffline) {
        online = false;
    } else if (!online_) {
        return std::nullopt;  // not yet known
    }
    if (online_ == online) {
        return std::nullopt;
    }
    online_ = online;
    return online;
}

std::optional<bool> MeterAvailability::Lose() {
    missed_ = kCyclesToOffline;
    if (online_ == false) {
        return std::nullopt;
    }
    online_ = false;
    return false;
}

}  // namespace tavr
