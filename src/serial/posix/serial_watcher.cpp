#include "serial/posix/serial_watcher.h"

#include <linux/serial.h>
#include <poll.h>
#include <pthread.h>
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
      errorCounts_(ReadErrorCounts(portFd_)),
      batching_(options.Pace()) {}

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
    // The answer's first byte is to go at once: a watcher asleep in a burst queues what it holds
    // and watches the port again.
    if (inBurst_) {
        requestSent_ = true;
        Wake();
    }
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
    // So that the thread can be told apart in top -H and /proc/<pid>/task/*/comm.
    ::pthread_setname_np(::pthread_self(), "serial watcher");
    for (;;) {
        // A negative descriptor is skipped by poll(): a hung-up port is no longer watched, or its
        // permanent hang-up state would wake the thread at once, forever; a full queue takes
        // nothing more until the window thread has taken from it and woken this thread; during
        // a burst the kernel would wake the thread for every byte, and the planned look reads
        // them all at once.
        const bool reading = !hungUp_ && !queue_.ReadingPaused();
        const std::optional<Clock::time_point> look = reading ? batching_.NextLook() : std::nullopt;
        std::array<pollfd, 2> watched{{
            {wakeFd_.Get(), POLLIN, 0},
            {reading && !look ? portFd_ : -1, POLLIN, 0},
        }};
        timespec wait{};
        if (look) {
            const auto nanoseconds = std::max<std::int64_t>(
                std::chrono::duration_cast<std::chrono::nanoseconds>(*look - Clock::now()).count(),
                0);
            wait = {static_cast<time_t>(nanoseconds / 1'000'000'000),
                    static_cast<long>(nanoseconds % 1'000'000'000)};
        }
        if (::ppoll(watched.data(), watched.size(), look ? &wait : nullptr, nullptr) < 0) {
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
        if (requestSent_.exchange(false)) {
            EndBurst();
        }
        if (watched[1].revents != 0 || Clock::now() >= look.value_or(Clock::time_point::max())) {
            LookAtPort(watched[1].revents);
        }
    }
}

void SerialWatcher::ConsumeWakeCounter() {
    std::uint64_t counter = 0;
    [[maybe_unused]] const ssize_t read = ::read(wakeFd_.Get(), &counter, sizeof counter);
}

void SerialWatcher::LookAtPort(short revents) {
    const std::size_t count = ReadInput(revents);
    if (hungUp_) {
        return;
    }
    if (batching_.Look(Clock::now(), count)) {
        QueueHeld();
    }
    inBurst_ = batching_.NextLook().has_value();
}

std::size_t SerialWatcher::ReadInput(short revents) {
    std::array<std::uint8_t, 256> buffer{};
    std::size_t total = 0;
    for (;;) {
        const std::size_t room = queue_.Room();
        const std::size_t wanted =
            std::min(buffer.size(), room > held_.size() ? room - held_.size() : 0);
        if (wanted == 0) {
            break;
        }
        const ssize_t count = ::read(portFd_, buffer.data(), wanted);
        if (count > 0) {
            HoldReceived(buffer.data(), static_cast<std::size_t>(count));
            total += static_cast<std::size_t>(count);
            // A short read took all the driver held.
            if (static_cast<std::size_t>(count) < wanted) {
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
    return total;
}

void SerialWatcher::HoldReceived(const std::uint8_t* bytes, std::size_t count) {
    HoldLineErrors();
    AppendReceivedBytes({bytes, count}, options_.eventChar, held_);
}

void SerialWatcher::HoldLineErrors() {
    if (!errorCounts_) {
        return;
    }
    const std::optional<LineErrorCounts> now = ReadErrorCounts(portFd_);
    if (!now) {
        return;
    }
    if (now->breaks != errorCounts_->breaks) {
        held_.push_back(CommEvent(CommEventCode::Break));
    }
    if (now->errors != errorCounts_->errors) {
        held_.push_back(CommEvent(CommEventCode::LineError));
    }
    errorCounts_ = now;
}

void SerialWatcher::EndBurst() {
    if (batching_.Restart()) {
        QueueHeld();
    }
    inBurst_ = false;
}

void SerialWatcher::QueueHeld() {
    if (held_.empty()) {
        return;
    }
    const bool readOn = queue_.Append(held_);
    held_.clear();
    if (!readOn) {
        // The bytes after the pause are a burst of their own, their first ones delivered at once.
        batching_.Restart();
    }
}

void SerialWatcher::NoteHangUp() {
    if (hungUp_) {
        return;
    }
    hungUp_ = true;
    ended_ = true;
    held_.push_back(CommEvent(CommEventCode::CarrierLost));
    batching_.Restart();
    inBurst_ = false;
    QueueHeld();
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
