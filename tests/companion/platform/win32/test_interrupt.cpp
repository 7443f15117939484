#include "companion/platform/test_interrupt.h"

#include <windows.h>

namespace tavr {

TestInterrupt::TestInterrupt()
    : handle_(reinterpret_cast<InterruptHandle>(::CreateEventW(nullptr, TRUE, FALSE, nullptr))) {}

TestInterrupt::~TestInterrupt() {
    ::CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

void TestInterrupt::Signal() {
    ::SetEvent(reinterpret_cast<HANDLE>(handle_));
}

}  // namespace tavr
