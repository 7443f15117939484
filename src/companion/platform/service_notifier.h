#pragma once

#include <chrono>
#include <mutex>
#include <optional>
#include <string>

namespace tavr {

// What the gateway tells the service manager that started it (systemd, with Type=notify) about
// its state: started, reloading, stopping, a status line, and that it is still alive (the
// watchdog). The manager names its socket in NOTIFY_SOCKET and asks for watchdog pings through
// WATCHDOG_USEC and WATCHDOG_PID; both are read once, when the notifier is made. Without
// NOTIFY_SOCKET the gateway is not a service and every call does nothing. Any thread may call
// it; each message goes out whole, in the order of the calls.
class ServiceNotifier {
  public:
    ServiceNotifier();

    // Whether a service manager listens (NOTIFY_SOCKET is set).
    bool Active() const;

    // How often the manager wants a Watchdog() call at the latest; nothing when it wants none
    // (or asked another process, as WATCHDOG_PID says).
    std::optional<std::chrono::microseconds> WatchdogPeriod() const;
    // How often to call Watchdog(): half the period, so that a late ping is still in time.
    std::optional<std::chrono::microseconds> WatchdogPingInterval() const;

    // Each sends one message and returns false only when a manager listens and the message
    // could not be sent; without a manager they return true.

    // Start-up is over and the service works (READY=1); also ends a reload.
    bool Ready();
    // A reload has begun (RELOADING=1, with the monotonic time that systemd 253 and later
    // require); Ready() ends it.
    bool Reloading();
    // The service is shutting down (STOPPING=1).
    bool Stopping();
    // One line that `systemctl status` shows (STATUS=...); line breaks become spaces, since a
    // new line would start another field of the message.
    bool Status(const std::string& line);
    // The service is alive (WATCHDOG=1).
    bool Watchdog();

  private:
    bool Send(const std::string& message);

    bool active_;
    std::optional<std::chrono::microseconds> watchdogPeriod_;
    std::mutex sending_;
};

}  // namespace tavr
