#include "companion/platform/service_notifier.h"

#include <systemd/sd-daemon.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <ctime>

namespace tavr {

namespace {

std::optional<std::chrono::microseconds> WatchdogPeriodFromEnvironment() {
    std::uint64_t period = 0;
    // Zero when no watchdog is asked for or WATCHDOG_PID names another process; negative when
    // the variables are malformed, which leaves the service without a watchdog as well.
    if (sd_watchdog_enabled(0, &period) <= 0 || period == 0) {
        return std::nullopt;
    }
    return std::chrono::microseconds(period);
}

// CLOCK_MONOTONIC in microseconds, the clock systemd compares a reload's start against.
std::uint64_t MonotonicMicroseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000000U +
           static_cast<std::uint64_t>(now.tv_nsec) / 1000U;
}

}  // namespace

ServiceNotifier::ServiceNotifier()
    : active_(std::getenv("NOTIFY_SOCKET") != nullptr),
      watchdogPeriod_(active_ ? WatchdogPeriodFromEnvironment() : std::nullopt) {}

bool ServiceNotifier::Active() const {
    return active_;
}

std::optional<std::chrono::microseconds> ServiceNotifier::WatchdogPeriod() const {
    return watchdogPeriod_;
}

std::optional<std::chrono::microseconds> ServiceNotifier::WatchdogPingInterval() const {
    if (!watchdogPeriod_) {
        return std::nullopt;
    }
    return *watchdogPeriod_ / 2;
}

bool ServiceNotifier::Ready() {
    return Send("READY=1");
}

bool ServiceNotifier::Reloading() {
    return Send("RELOADING=1\nMONOTONIC_USEC=" + std::to_string(MonotonicMicroseconds()));
}

bool ServiceNotifier::Stopping() {
    return Send("STOPPING=1");
}

bool ServiceNotifier::Status(const std::string& line) {
    std::string oneLine = line;
    std::replace_if(
        oneLine.begin(), oneLine.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    return Send("STATUS=" + oneLine);
}

bool ServiceNotifier::Watchdog() {
    return Send("WATCHDOG=1");
}

bool ServiceNotifier::Send(const std::string& message) {
    if (!active_) {
        return true;
    }
    const std::lock_guard<std::mutex> lock(sending_);
    return sd_notify(0, message.c_str()) > 0;
}

}  // namespace tavr
