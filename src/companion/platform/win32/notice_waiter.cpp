#include "companion/platform/notice_waiter.h"

#include <windows.h>

#include <algorithm>

namespace tavr {

namespace {

using Clock = std::chrono::steady_clock;

HANDLE AsHandle(std::intptr_t value) {
    return reinterpret_cast<HANDLE>(value);
}

// Waits on `handles` until one is signalled or `deadline` passes; the index of the signalled
// one (the earliest in the list when several are), or -1.
int WaitUntil(const HANDLE* handles, DWORD count, Clock::time_point deadline) {
    while (true) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            return -1;
        }
        // Below INFINITE, so that a far deadline is still a limit.
        const DWORD wait = static_cast<DWORD>(std::min<long long>(left, INFINITE - 1));
        const DWORD result = ::WaitForMultipleObjects(count, handles, FALSE, wait);
        if (result < WAIT_OBJECT_0 + count) {
            return static_cast<int>(result - WAIT_OBJECT_0);
        }
        if (result != WAIT_TIMEOUT) {
            return -1;
        }
    }
}

}  // namespace

NoticeWaiter::NoticeWaiter(InterruptHandle interrupt)
    : notice_(reinterpret_cast<std::intptr_t>(::CreateEventW(nullptr, FALSE, FALSE, nullptr))),
      interrupt_(interrupt) {}

NoticeWaiter::~NoticeWaiter() {
    if (Valid()) {
        ::CloseHandle(AsHandle(notice_));
    }
}

bool NoticeWaiter::Valid() const {
    return notice_ != 0;
}

void NoticeWaiter::Notify() {
    ::SetEvent(AsHandle(notice_));
}

void NoticeWaiter::Clear() {
    ::ResetEvent(AsHandle(notice_));
}

NoticeWaiter::Woken NoticeWaiter::WaitForNotice(Clock::time_point deadline) const {
    if (interrupt_ == kNoInterrupt) {
        const HANDLE notice = AsHandle(notice_);
        return WaitUntil(&notice, 1, deadline) == 0 ? Woken::Notice : Woken::TimedOut;
    }
    // The interruption first: a run that is asked to end does not take another answer.
    const HANDLE handles[2] = {AsHandle(interrupt_), AsHandle(notice_)};
    switch (WaitUntil(handles, 2, deadline)) {
        case 0:
            return Woken::Interrupted;
        case 1:
            return Woken::Notice;
        default:
            return Woken::TimedOut;
    }
}

NoticeWaiter::Woken NoticeWaiter::WaitForInterrupt(Clock::time_point deadline) const {
    if (interrupt_ == kNoInterrupt) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        ::Sleep(static_cast<DWORD>(std::clamp<long long>(left, 0, INFINITE - 1)));
        return Woken::TimedOut;
    }
    const HANDLE interrupt = AsHandle(interrupt_);
    return WaitUntil(&interrupt, 1, deadline) == 0 ? Woken::Interrupted : Woken::TimedOut;
}

}  // namespace tavr
