#pragma once

#include "companion/platform/interrupt_handle.h"

namespace tavr {

// An interruption a test gives itself: what Ctrl+C signals in the companion (an eventfd on
// Linux, a manual-reset event on Windows), signalled when the test says.
class TestInterrupt {
  public:
    TestInterrupt();
    ~TestInterrupt();
    TestInterrupt(const TestInterrupt&) = delete;
    TestInterrupt& operator=(const TestInterrupt&) = delete;

    InterruptHandle Handle() const { return handle_; }
    void Signal();

  private:
    InterruptHandle handle_;
};

}  // namespace tavr
