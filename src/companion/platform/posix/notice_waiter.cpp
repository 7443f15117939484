#include "companion/platform/notice_waiter.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>

namespace tavr {

namespace {

using Clock = std::chrono::steady_clock;

bool Readable(const pollfd& entry) {
    return (entry.revents & (POLLIN | POLLHUP | POLLERR)) != 0;
}

// Polls `entries` (a negative descriptor is left out) until one is readable or `deadline`
// passes; the index of the readable one, the interrupt's first, or -1.
int PollUntil(pollfd* entries, nfds_t count, Clock::time_point deadline) {
    while (true) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            return -1;
        }
        const int ready = ::poll(entries, count, static_cast<int>(left));
        if (ready < 0 && errno != EINTR) {
            return -1;
        }
        for (nfds_t i = count; ready > 0 && i-- > 0;) {
            if (Readable(entries[i])) {
                return static_cast<int>(i);
            }
        }
    }
}

}  // namespace

NoticeWaiter::NoticeWaiter(InterruptHandle interrupt)
    : notice_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)), interrupt_(interrupt) {}

NoticeWaiter::~NoticeWaiter() {
    if (Valid()) {
        ::close(static_cast<int>(notice_));
    }
}

bool NoticeWaiter::Valid() const {
    return notice_ >= 0;
}

void NoticeWaiter::Notify() {
    const std::uint64_t one = 1;
    // A full counter already wakes the reader; nothing is lost by a failed write.
    [[maybe_unused]] const ssize_t written = ::write(static_cast<int>(notice_), &one, sizeof one);
}

void NoticeWaiter::Clear() {
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t read = ::read(static_cast<int>(notice_), &count, sizeof count);
}

NoticeWaiter::Woken NoticeWaiter::WaitForNotice(Clock::time_point deadline) const {
    pollfd entries[2] = {{static_cast<int>(notice_), POLLIN, 0},
                         {static_cast<int>(interrupt_), POLLIN, 0}};
    switch (PollUntil(entries, 2, deadline)) {
        case 0:
            return Woken::Notice;
        case 1:
            return Woken::Interrupted;
        default:
            return Woken::TimedOut;
    }
}

NoticeWaiter::Woken NoticeWaiter::WaitForInterrupt(Clock::time_point deadline) const {
    pollfd entry{static_cast<int>(interrupt_), POLLIN, 0};
    return PollUntil(&entry, 1, deadline) == 0 ? Woken::Interrupted : Woken::TimedOut;
}

}  // namespace tavr
