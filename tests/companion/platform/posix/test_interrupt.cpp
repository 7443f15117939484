#include "companion/platform/test_interrupt.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

namespace tavr {

TestInterrupt::TestInterrupt() : handle_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

TestInterrupt::~TestInterrupt() {
    ::close(static_cast<int>(handle_));
}

void TestInterrupt::Signal() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(static_cast<int>(handle_), &one, sizeof one);
}

}  // namespace tavr
