#pragma once

#include <sys/types.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

namespace tavr {

// A service manager's notification socket for a test: an AF_UNIX datagram socket bound in a
// fresh temporary folder and named in NOTIFY_SOCKET while it lives, so that the code under
// test, and every child process started meanwhile (they inherit the environment), notify it as
// they would systemd. The environment is restored and the folder removed when it ends.
class NotifySocket {
  public:
    NotifySocket();
    ~NotifySocket();
    NotifySocket(const NotifySocket&) = delete;
    NotifySocket& operator=(const NotifySocket&) = delete;

    // False when the socket could not be made; Path() then names nothing.
    bool Valid() const { return fd_ >= 0; }
    const std::string& Path() const { return path_; }

    // Asks for a watchdog ping every `period` (WATCHDOG_USEC) from process `pid`
    // (WATCHDOG_PID), as systemd does; without a pid, from any process, such as a child that is
    // yet to be started.
    void AskForWatchdog(std::chrono::microseconds period, std::optional<pid_t> pid);

    // The next notification received, waiting up to `limit`; nothing when none came in time.
    std::optional<std::string> Next(std::chrono::milliseconds limit);
    // The first notification with a line starting with `prefix` (such as "READY=1" or
    // "STATUS="), waiting up to `limit` in all; those before it are passed over.
    std::optional<std::string> WaitFor(const std::string& prefix, std::chrono::milliseconds limit);

  private:
    // The variables a service manager sets, and their values before this socket took them over.
    static constexpr std::array<const char*, 3> kManagerVariables = {
        "NOTIFY_SOCKET", "WATCHDOG_USEC", "WATCHDOG_PID"};
    std::array<std::optional<std::string>, kManagerVariables.size()> savedVariables_;

    std::filesystem::path folder_;
    std::string path_;
    int fd_ = -1;
};

}  // namespace tavr
