#include "companion/platform/service_notifier.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <thread>
#include <vector>

#include "companion/platform/posix/notify_socket.h"

namespace tavr {
namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;
using std::chrono::seconds;

// Time enough for a datagram on this machine to arrive, however loaded; only a failing test
// waits it out.
constexpr milliseconds kPatience(5000);
// How long a test listens for a notification that must not come.
constexpr milliseconds kQuiet(100);

std::uint64_t MonotonicMicroseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000000U +
           static_cast<std::uint64_t>(now.tv_nsec) / 1000U;
}

// Each call sends one datagram, exactly what systemd reads; a status line cannot smuggle in a
// field of its own.
TEST(ServiceNotifierTest, SendsEachStateAsOneNotification) {
    NotifySocket socket;
    ASSERT_TRUE(socket.Valid());
    ServiceNotifier notifier;
    EXPECT_TRUE(notifier.Active());
    struct Case {
        const char* what;
        std::function<bool(ServiceNotifier&)> call;
        std::string sent;
    };
    const Case cases[] = {
        {"ready", [](ServiceNotifier& n) { return n.Ready(); }, "READY=1"},
        {"watchdog", [](ServiceNotifier& n) { return n.Watchdog(); }, "WATCHDOG=1"},
        {"stopping", [](ServiceNotifier& n) { return n.Stopping(); }, "STOPPING=1"},
        {"status", [](ServiceNotifier& n) { return n.Status("2 lines, 5 meters answering"); },
         "STATUS=2 lines, 5 meters answering"},
        {"empty status", [](ServiceNotifier& n) { return n.Status(""); }, "STATUS="},
        {"status with line breaks",
         [](ServiceNotifier& n) { return n.Status("broker away\nREADY=1\r\nSTOPPING=1"); },
         "STATUS=broker away READY=1  STOPPING=1"},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(c.call(notifier)) << c.what;
        EXPECT_EQ(socket.Next(kPatience), c.sent) << c.what;
    }
    EXPECT_EQ(socket.Next(kQuiet), std::nullopt);
}

// systemd 253 and later take a reload's start only with the monotonic time it began at.
TEST(ServiceNotifierTest, ReloadingCarriesTheMonotonicTimeItBegan) {
    NotifySocket socket;
    ASSERT_TRUE(socket.Valid());
    ServiceNotifier notifier;
    const std::uint64_t before = MonotonicMicroseconds();
    EXPECT_TRUE(notifier.Reloading());
    const std::uint64_t after = MonotonicMicroseconds();
    const std::optional<std::string> sent = socket.Next(kPatience);
    ASSERT_TRUE(sent);
    const std::string prefix = "RELOADING=1\nMONOTONIC_USEC=";
    ASSERT_TRUE(sent->starts_with(prefix)) << *sent;
    const std::string time = sent->substr(prefix.size());
    ASSERT_EQ(time.find_first_not_of("0123456789"), std::string::npos) << *sent;
    const std::uint64_t began = std::stoull(time);
    EXPECT_GE(began, before);
    EXPECT_LE(began, after);
    EXPECT_TRUE(notifier.Ready());
    EXPECT_EQ(socket.WaitFor("READY=1", kPatience), "READY=1");
}

// The watchdog's period comes from WATCHDOG_USEC, only for the process WATCHDOG_PID names (or
// any, when it names none); pings go out at half of it.
TEST(ServiceNotifierTest, ReadsTheWatchdogPeriodForThisProcess) {
    struct Case {
        const char* usec;
        std::optional<std::string> pid;
        std::optional<microseconds> period;
    };
    const std::string self = std::to_string(getpid());
    const std::string other = std::to_string(getppid());
    const Case cases[] = {
        {"30000000", self, seconds(30)},
        {"30000000", std::nullopt, seconds(30)},
        {"1", self, microseconds(1)},
        {"30000000", other, std::nullopt},
        {nullptr, self, std::nullopt},
        {"0", self, std::nullopt},
        {"30s", self, std::nullopt},
        {"-5", self, std::nullopt},
        {"30000000", std::string("not a pid"), std::nullopt},
    };
    for (const Case& c : cases) {
        NotifySocket socket;
        ASSERT_TRUE(socket.Valid());
        if (c.usec != nullptr) {
            setenv("WATCHDOG_USEC", c.usec, 1);
        }
        if (c.pid) {
            setenv("WATCHDOG_PID", c.pid->c_str(), 1);
        }
        const ServiceNotifier notifier;
        const std::string which = std::string(c.usec ? c.usec : "(unset)") + " for " +
                                  (c.pid ? *c.pid : std::string("(unset)"));
        EXPECT_EQ(notifier.WatchdogPeriod(), c.period) << which;
        EXPECT_EQ(notifier.WatchdogPingInterval(),
                  c.period ? std::optional<microseconds>(*c.period / 2) : std::nullopt)
            << which;
    }
}

// The fixture's way of asking for pings, for this process or a child yet to start.
TEST(ServiceNotifierTest, TheSocketAsksForTheWatchdogAsSystemdDoes) {
    NotifySocket socket;
    ASSERT_TRUE(socket.Valid());
    socket.AskForWatchdog(seconds(20), getpid());
    EXPECT_EQ(ServiceNotifier().WatchdogPingInterval(), seconds(10));
    socket.AskForWatchdog(seconds(4), getppid());
    EXPECT_EQ(ServiceNotifier().WatchdogPeriod(), std::nullopt);
    socket.AskForWatchdog(seconds(4), std::nullopt);
    EXPECT_EQ(ServiceNotifier().WatchdogPeriod(), seconds(4));
}

// Outside systemd every call is a quiet success, even with a watchdog variable left over.
TEST(ServiceNotifierTest, DoesNothingWithoutAServiceManager) {
    NotifySocket socket;
    ASSERT_TRUE(socket.Valid());
    socket.AskForWatchdog(seconds(30), getpid());
    unsetenv("NOTIFY_SOCKET");
    ServiceNotifier notifier;
    EXPECT_FALSE(notifier.Active());
    EXPECT_EQ(notifier.WatchdogPeriod(), std::nullopt);
    EXPECT_EQ(notifier.WatchdogPingInterval(), std::nullopt);
    EXPECT_TRUE(notifier.Ready());
    EXPECT_TRUE(notifier.Reloading());
    EXPECT_TRUE(notifier.Status("polling"));
    EXPECT_TRUE(notifier.Watchdog());
    EXPECT_TRUE(notifier.Stopping());
    EXPECT_EQ(socket.Next(kQuiet), std::nullopt);
}

// A manager that has gone (its socket removed) is a failure to report, not a success.
TEST(ServiceNotifierTest, ReportsANotificationThatCannotBeSent) {
    NotifySocket socket;
    ASSERT_TRUE(socket.Valid());
    ServiceNotifier notifier;
    ASSERT_EQ(unlink(socket.Path().c_str()), 0);
    EXPECT_TRUE(notifier.Active());
    EXPECT_FALSE(notifier.Ready());
    EXPECT_FALSE(notifier.Watchdog());
}

// The serial lines' threads share one notifier: every message arrives whole, and each thread's
// in the order it sent them.
TEST(ServiceNotifierTest, ThreadsShareTheNotifier) {
    NotifySocket socket;
    ASSERT_TRUE(socket.Valid());
    ServiceNotifier notifier;
    constexpr int kThreads = 4;
    constexpr int kMessages = 20;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&notifier, t] {
            for (int m = 0; m < kMessages; ++m) {
                notifier.Status("line " + std::to_string(t) + " cycle " + std::to_string(m));
            }
        });
    }
    std::vector<int> next(kThreads, 0);
    for (int received = 0; received < kThreads * kMessages; ++received) {
        const std::optional<std::string> message = socket.Next(kPatience);
        ASSERT_TRUE(message) << "after " << received << " messages";
        int line = -1;
        int cycle = -1;
        ASSERT_EQ(std::sscanf(message->c_str(), "STATUS=line %d cycle %d", &line, &cycle), 2)
            << *message;
        ASSERT_TRUE(line >= 0 && line < kThreads) << *message;
        EXPECT_EQ(cycle, next[static_cast<std::size_t>(line)]++) << *message;
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(socket.Next(kQuiet), std::nullopt);
}

}  // namespace
}  // namespace tavr
