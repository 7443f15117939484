#include "companion/platform/posix/notify_socket.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace tavr {

namespace {

using Clock = std::chrono::steady_clock;

// Large enough for any notification; systemd itself takes no more.
constexpr std::size_t kLongestNotification = 64 * 1024;

bool StartsALine(const std::string& message, const std::string& prefix) {
    for (std::size_t start = 0; start < message.size();) {
        if (message.compare(start, prefix.size(), prefix) == 0) {
            return true;
        }
        const std::size_t end = message.find('\n', start);
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    return false;
}

}  // namespace

NotifySocket::NotifySocket() {
    for (std::size_t i = 0; i < kManagerVariables.size(); ++i) {
        const char* value = std::getenv(kManagerVariables[i]);
        savedVariables_[i] = value != nullptr ? std::optional<std::string>(value) : std::nullopt;
        unsetenv(kManagerVariables[i]);
    }
    std::string pattern =
        (std::filesystem::path(testing::TempDir()) / "tavr-notify-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        ADD_FAILURE() << "cannot make a folder for the notification socket: "
                      << std::strerror(errno);
        return;
    }
    folder_ = pattern;
    const std::string path = (folder_ / "notify").string();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        ADD_FAILURE() << "the notification socket's path is too long: " << path;
        return;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    fd_ = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd_ < 0 || bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ADD_FAILURE() << "cannot bind the notification socket " << path << ": "
                      << std::strerror(errno);
        return;
    }
    path_ = path;
    setenv("NOTIFY_SOCKET", path_.c_str(), 1);
}

NotifySocket::~NotifySocket() {
    for (std::size_t i = 0; i < kManagerVariables.size(); ++i) {
        const std::optional<std::string>& saved = savedVariables_[i];
        if (saved) {
            setenv(kManagerVariables[i], saved->c_str(), 1);
        } else {
            unsetenv(kManagerVariables[i]);
        }
    }
    if (fd_ >= 0) {
        close(fd_);
    }
    if (!folder_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
}

void NotifySocket::AskForWatchdog(std::chrono::microseconds period, std::optional<pid_t> pid) {
    setenv("WATCHDOG_USEC", std::to_string(period.count()).c_str(), 1);
    if (pid) {
        setenv("WATCHDOG_PID", std::to_string(*pid).c_str(), 1);
    } else {
        unsetenv("WATCHDOG_PID");
    }
}

std::optional<std::string> NotifySocket::Next(std::chrono::milliseconds limit) {
    if (fd_ < 0) {
        return std::nullopt;
    }
    const Clock::time_point deadline = Clock::now() + limit;
    std::vector<char> buffer(kLongestNotification);
    while (true) {
        const ssize_t received = recv(fd_, buffer.data(), buffer.size(), 0);
        if (received >= 0) {
            return std::string(buffer.data(), static_cast<std::size_t>(received));
        }
        if (errno != EAGAIN && errno != EINTR) {
            ADD_FAILURE() << "cannot receive on the notification socket: " << std::strerror(errno);
            return std::nullopt;
        }
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            return std::nullopt;
        }
        pollfd entry{fd_, POLLIN, 0};
        poll(&entry, 1, static_cast<int>(left));
    }
}

std::optional<std::string> NotifySocket::WaitFor(const std::string& prefix,
                                                 std::chrono::milliseconds limit) {
    const Clock::time_point deadline = Clock::now() + limit;
    while (true) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        std::optional<std::string> message = Next(std::max(left, std::chrono::milliseconds(0)));
        if (!message || StartsALine(*message, prefix)) {
            return message;
        }
    }
}

}  // namespace tavr
