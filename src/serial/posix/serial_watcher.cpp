#include "serial/posix/serial_watcher.h"

#include <linux/serial.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <limits>
#include <system_error>
#include <utility>

namespace tavr {
namespace {

using Clock = std::chrono::steady_clock;

constexpr short kHangUpEvents = POLLHUP | POLLERR | POLLNVAL;

// Waits until the port can take more bytes or the deadline passes.
bool WaitWritable(int fd, Clock::time_point deadline) {
    for (;;) {
        const auto remaining =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd port{fd, POLLOUT, 0};
        const int ready = ::poll(
            &port, 1,
            static_cast<int>(std::clamp<long long>(remaining, 0, std::numeric_limits<int>::max())));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        return ready > 0 && (port.revents & POLLOUT) != 0 && (port.revents & kHangUpEvents) == 0;
    }
}

}  // namespace

// Nothing for a device that keeps no counts (a pseudo-terminal, some USB adapters).
std::optional<SerialWatcher::LineErrorCounts> SerialWatcher::ReadErrorCounts(int fd) {
    serial_icounter_struct counts{};
    if (::ioctl(fd, TIOCGICOUNT, &counts) != 0) {
        return std::nullopt;
    }
    return LineErrorCounts{counts.brk, std::int64_t{counts.overrun} + counts.parity + counts.frame};
}

std::unique_ptr<SerialWatcher> SerialWatcher::Start(ExclusiveTty port, SerialEventQueue& queue,
                                                    const WatcherOptions& options) {
    UniqueFd wakeFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!wakeFd.Valid()) {
        return nullptr;
    }
    std::unique_ptr<SerialWatcher> watcher(
        new SerialWatcher(std::move(port), queue, options, std::move(wakeFd)));
    SerialWatcher* const awake = watcher.get();
    queue.SetResumeReader([awake] { awake->Wake(); });
    try {
        watcher->thread_ = std::thread(&SerialWatcher::Run, watcher.get());
    } catch (const std::system_error&) {
        queue.SetResumeReader(nullptr);
        return nullptr;
    }
    return watcher;
}

SerialWatcher::SerialWatcher(ExclusiveTty port, SerialEventQueue& queue,
                             const WatcherOptions& options, UniqueFd wakeFd)
    : port_(std::move(port)),
      portFd_(port_.Fd()),
      queue_(queue),
      options_(options),
      wakeFd_(std::move(wakeFd)),
      errorCounts_(ReadErrorCounts(portFd_)) {}

SerialWatcher::~SerialWatcher() {
    if (!thread_.joinable()) {
        return;
    }
    stopRequested_ = true;
    Wake();
    thread_.join();
    queue_.SetResumeReader(nullptr);
}

bool SerialWatcher::Write(const ByteSet& bytes) {
    // Input the driver holds is stale once a request goes out; what the watcher has read before
    // this purge is already queued and keeps its place.
    ::tcflush(portFd_, TCIOFLUSH);
    if (ended_) {
        return false;
    }
    return WriteAll(bytes);
}

void SerialWatcher::Wake() {
    const std::uint64_t one = 1;
    // The counter cannot overflow: the watcher empties it on every wake-up.
    [[maybe_unused]] const ssize_t written = ::write(wakeFd_.Get(), &one, sizeof one);
}

void SerialWatcher::Run() {
    for (;;) {
        // A negative descriptor is skipped by poll(): a hung-up port is no longer watched, or its
        // permanent hang-up state would wake the thread at once, forever; a full queue takes
        // nothing more until the window thread has taken from it and woken this thread.
        const bool watchPort = !hungUp_ && !queue_.ReadingPaused();
        std::array<pollfd, 2> watched{{
            {wakeFd_.Get(), POLLIN, 0},
            {watchPort ? portFd_ : -1, POLLIN, 0},
        }};
        if (::poll(watched.data(), watched.size(), -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            ended_ = true;
            return;
        }
        if ((watched[0].revents & POLLIN) != 0) {
            ConsumeWakeCounter();
        }
        if (stopRequested_) {
            return;
        }
        if (watched[1].revents != 0) {
            ReadInput(watched[1].revents);
        }
    }
}

void SerialWatcher::ConsumeWakeCounter() {
    std::uint64_t counter = 0;
    [[maybe_unused]] const ssize_t read = ::read(wakeFd_.Get(), &counter, sizeof counter);
}

void SerialWatcher::ReadInput(short revents) {
    std::array<std::uint8_t, 256> buffer{};
    for (;;) {
        const std::size_t wanted = std::min(buffer.size(), queue_.Room());
        if (wanted == 0) {
            break;
        }
        const ssize_t count = ::read(portFd_, buffer.data(), wanted);
        if (count > 0) {
            // A short read took all the driver held; poll() tells when more comes.
            if (!QueueReceived(buffer.data(), static_cast<std::size_t>(count)) ||
                static_cast<std::size_t>(count) < wanted) {
                break;
            }
            continue;
        }
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0 && errno != EAGAIN) {
            NoteHangUp();
        }
        break;
    }
    if ((revents & kHangUpEvents) != 0) {
        NoteHangUp();
    }
}

bool SerialWatcher::QueueReceived(const std::uint8_t* bytes, std::size_t count) {
    std::vector<SerialEvent> events;
    events.reserve(count + 2);
    QueueLineErrors(events);
    AppendReceivedBytes({bytes, count}, options_.eventChar, events);
    return queue_.Append(events);
}

void SerialWatcher::QueueLineErrors(std::vector<SerialEvent>& events) {
    if (!errorCounts_) {
        return;
    }
    const std::optional<LineErrorCounts> now = ReadErrorCounts(portFd_);
    if (!now) {
        return;
    }
    if (now->breaks != errorCounts_->breaks) {
        events.push_back(CommEvent(CommEventCode::Break));
    }
    if (now->errors != errorCounts_->errors) {
        events.push_back(CommEvent(CommEventCode::LineError));
    }
    errorCounts_ = now;
}

void SerialWatcher::NoteHangUp() {
    if (hungUp_) {
        return;
    }
    hungUp_ = true;
    ended_ = true;
    const SerialEvent carrierLost = CommEvent(CommEventCode::CarrierLost);
    queue_.Append({&carrierLost, 1});
}

bool SerialWatcher::WriteAll(const ByteSet& bytes) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(options_.timeoutMs);
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t count = ::write(portFd_, bytes.data() + written, bytes.size() - written);
        if (count > 0) {
            written += static_cast<std::size_t>(count);
            continue;
        }
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0 && errno != EAGAIN) {
            return false;
        }
        if (!WaitWritable(portFd_, deadline)) {
            return false;
        }
    }
    return true;
}

}  // namespace tavr
