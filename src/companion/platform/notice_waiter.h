#pragma once

#include <chrono>
#include <cstdint>

#include "companion/platform/interrupt_handle.h"

namespace tavr {

// What the companion's thread sleeps on between requests and answers: the notices of the serial
// unit's watcher thread and the operator's interruption, each wait with its limit. An eventfd
// and poll() on Linux, an event and WaitForMultipleObjects on Windows; an idle wait costs no CPU.
class NoticeWaiter {
  public:
    enum class Woken {
        Notice,       // the watcher has queued entries
        Interrupted,  // the operator interrupted
        TimedOut,     // the deadline passed first
    };

    explicit NoticeWaiter(InterruptHandle interrupt);
    ~NoticeWaiter();
    NoticeWaiter(const NoticeWaiter&) = delete;
    NoticeWaiter& operator=(const NoticeWaiter&) = delete;

    // False when the system gave no object for the notices.
    bool Valid() const;

    // Wakes a waiting WaitForNotice; called on the watcher thread, never blocks.
    void Notify();
    // Forgets the notices given so far; the entries they announced are taken next.
    void Clear();

    // Waits for a notice or the interruption until `deadline`.
    Woken WaitForNotice(std::chrono::steady_clock::time_point deadline) const;
    // Waits for the interruption only until `deadline`: Interrupted or TimedOut.
    Woken WaitForInterrupt(std::chrono::steady_clock::time_point deadline) const;

  private:
    std::intptr_t notice_;
    InterruptHandle interrupt_;
};

}  // namespace tavr
