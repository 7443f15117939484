#include "companion/cli/connection_values.h"

#include "companion/cli/device_id_list.h"
#include "runtime/whole_number.h"

namespace tavr {

namespace {

std::string RangeProblem(const std::string& text, int low, int high, const std::string& what) {
    return ParseWholeNumber(text, low, high)
               ? ""
               : text + " is not " + what + " from " + std::to_string(low) + " to " +
                     std::to_string(high);
}

}  // namespace

std::string PortProblem(const std::string& text) {
    if (text.starts_with('/') || ParsePortNumber(text)) {
        return "";
    }
    return text + " is not a COM port number from 1 to 255 or a device path such as /dev/ttyUSB0";
}

std::string BaudProblem(const std::string& text) {
    return ParseBaudRate(text) ? "" : text + " is not one of " + BaudRateList();
}

std::string IdsProblem(const std::string& text, bool onlyOne) {
    std::string problem;
    const auto ids = ParseDeviceIdList(text, problem);
    if (ids && onlyOne && ids->size() != 1) {
        return text + " names " + std::to_string(ids->size()) +
               " meters; this command talks to one, give one device ID";
    }
    return problem;
}

std::string TimeoutProblem(const std::string& text) {
    return RangeProblem(text, kShortestTimeoutMs, kLongestTimeoutMs, "a number of milliseconds");
}

std::string RetriesProblem(const std::string& text) {
    return RangeProblem(text, 0, kMostRetries, "a whole number");
}

bool ConnectionValues::Any() const {
    return port || baud || ids || timeout || retries;
}

ConnectionChoice ConnectionValues::AppliedTo(ConnectionChoice base) const {
    if (port) {
        if (port->starts_with('/')) {
            base.devicePath = *port;
        } else {
            base.devicePath.clear();
            base.port = *ParsePortNumber(*port);
        }
    }
    if (baud) {
        base.baud = *ParseBaudRate(*baud);
    }
    if (ids) {
        std::string problem;
        base.deviceIds = *ParseDeviceIdList(*ids, problem);
        base.deviceId = base.deviceIds.front();
    }
    if (timeout) {
        base.timeout = std::chrono::milliseconds(
            *ParseWholeNumber(*timeout, kShortestTimeoutMs, kLongestTimeoutMs));
    }
    if (retries) {
        base.retries = static_cast<int>(*ParseWholeNumber(*retries, 0, kMostRetries));
    }
    return base;
}

}  // namespace tavr
