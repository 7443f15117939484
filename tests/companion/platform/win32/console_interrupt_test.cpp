#include "companion/platform/win32/console_interrupt.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace tavr {
namespace {

constexpr DWORD kEventLimitMs = 10000;

bool Signalled(HANDLE event, DWORD limitMs = 0) {
    return ::WaitForSingleObject(event, limitMs) == WAIT_OBJECT_0;
}

// A console of the test program's own, which the events it generates reach (the console that
// wine starts a console program with refuses them, ERROR_INVALID_ACCESS); and, beneath the
// handler under test, one that takes whatever reaches it, so that no event can end the test
// program.
class ConsoleEvents : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        ::FreeConsole();
        ASSERT_TRUE(::AllocConsole());
        ::SetConsoleCtrlHandler(nullptr, FALSE);  // Ctrl+C may be turned off by the parent
        ::SetConsoleCtrlHandler(TakeEvent, TRUE);
    }

    static BOOL WINAPI TakeEvent(DWORD) {
        ++reachedBeneath;
        return TRUE;
    }

    static inline std::atomic<int> reachedBeneath{0};
};

// Wine generates only Ctrl+C (Ctrl+Break fails with ERROR_INVALID_HANDLE), and sometimes
// delivers it twice.
TEST_F(ConsoleEvents, CtrlCSignalsTheEventAndLeavesTheProgramRunning) {
    ConsoleInterrupt interrupt;
    ASSERT_TRUE(interrupt.Installed());
    EXPECT_FALSE(Signalled(ConsoleInterrupt::Event())) << "signalled before any event";
    const int beneath = reachedBeneath;
    ASSERT_TRUE(::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0));
    EXPECT_TRUE(Signalled(ConsoleInterrupt::Event(), kEventLimitMs));
    EXPECT_EQ(reachedBeneath, beneath) << "the handler did not take the event";
}

TEST_F(ConsoleEvents, AfterTheObjectIsGoneCtrlCHasItsOtherHandling) {
    { ConsoleInterrupt interrupt; }
    const int beneath = reachedBeneath;
    ASSERT_TRUE(::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0));
    for (DWORD waited = 0; reachedBeneath == beneath && waited < kEventLimitMs; waited += 10) {
        ::Sleep(10);
    }
    EXPECT_GT(reachedBeneath, beneath);
    EXPECT_FALSE(Signalled(ConsoleInterrupt::Event()));
}

TEST(ConsoleInterrupt, EveryConsoleEventIsTakenAndSignalled) {
    for (const DWORD event : {CTRL_C_EVENT, CTRL_BREAK_EVENT}) {
        ConsoleInterrupt interrupt;
        EXPECT_TRUE(ConsoleInterrupt::HandleControlEvent(event)) << event;
        EXPECT_TRUE(Signalled(ConsoleInterrupt::Event())) << event;
    }
}

TEST(ConsoleInterrupt, ClosingTheConsoleWaitsUntilTheRunHasFinished) {
    for (const DWORD event : {CTRL_CLOSE_EVENT, CTRL_LOGOFF_EVENT, CTRL_SHUTDOWN_EVENT}) {
        std::atomic<bool> returned{false};
        std::thread windowsThread;
        {
            ConsoleInterrupt interrupt;
            windowsThread = std::thread([&returned, event] {
                EXPECT_TRUE(ConsoleInterrupt::HandleControlEvent(event));
                returned = true;
            });
            EXPECT_TRUE(Signalled(ConsoleInterrupt::Event(), kEventLimitMs)) << event;
            // The run has seen the event and is still writing its summary: the handler must
            // not return yet, or Windows would end the process now.
            EXPECT_FALSE(returned) << event;
        }
        windowsThread.join();
        EXPECT_TRUE(returned) << event;
    }
}

}  // namespace
}  // namespace tavr
