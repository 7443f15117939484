#include "serial/win32/win32_serial_port_unit.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "protocol/frame_codec.h"
#include "serial/win32/line_settings.h"
#include "serial/win32/unique_handle.h"

// The Win32 serial port unit on real COM ports: under wine, pseudo-terminals that the test
// fixture "meter_lines" maps as COM7 (the meter simulator), COM11..COM17 (a simulator per baud
// rate that answers only at its own rate), COM18 (a simulator that sends at the wire pace of
// 9600 baud, a byte a millisecond) and COM8/COM9 (the two ends of one line). Without those
// lines (TAVR_TEST_METER_CONTROL unset) the tests that need them are skipped.

namespace tavr {

// Found by argument-dependent lookup, so in the namespace of SerialEvent.
bool operator==(const SerialEvent& a, const SerialEvent& b) {
    return a.kind == b.kind && a.argument == b.argument;
}
void PrintTo(const SerialEvent& event, std::ostream* out) {
    *out << (event.kind == SerialEvent::Kind::DataArrival ? "DataArrival(" : "CommEvent(")
         << event.argument << ")";
}

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Only a lost line makes a test wait this long; a working one answers in milliseconds.
constexpr auto kPatience = 10s;

constexpr int kMeterCom = 7;
constexpr int kLineCom = 8;
constexpr int kPeerCom = 9;
constexpr int kFirstBaudCom = 11;
constexpr int kPacedMeterCom = 18;
constexpr std::int32_t kOfferedBauds[] = {2400, 4800, 9600, 14400, 19200, 38400, 115200};

std::optional<std::string> MeterControlFile() {
    const char* path = std::getenv("TAVR_TEST_METER_CONTROL");
    return path != nullptr && *path != '\0' ? std::optional<std::string>(path) : std::nullopt;
}

// One control line for the meter simulator on COM7.
void TellMeter(const std::string& command) {
    std::ofstream(*MeterControlFile(), std::ios::app) << command << '\n';
}

SerialEvent Data(std::uint8_t byte) {
    return {SerialEvent::Kind::DataArrival, byte};
}
SerialEvent Comm(std::int32_t code) {
    return {SerialEvent::Kind::CommEvent, code};
}

// The process's CPU time, user and kernel, in milliseconds.
double ProcessCpuMs() {
    FILETIME created{};
    FILETIME exited{};
    FILETIME kernel{};
    FILETIME user{};
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto ticks = [](FILETIME time) {
        return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 10'000.0;
}

// The test plays the window thread: the unit's poster counts notices, and DeliverUntil() takes
// what the unit queued, a batch per notice, as a posted message would.
class WindowThreadStandIn {
  public:
    Win32SerialPortUnit::QueueReadyPoster Poster() {
        return [this] {
            const std::lock_guard lock(mutex_);
            ++posts_;
            posted_.notify_all();
        };
    }

    int Posts() {
        const std::lock_guard lock(mutex_);
        return posts_;
    }

    // Waits until the unit holds `count` entries not yet taken, or the patience runs out.
    static bool WaitForQueued(Win32SerialPortUnit& unit, std::size_t count) {
        const Clock::time_point deadline = Clock::now() + kPatience;
        while (unit.QueuedEvents() < count) {
            if (Clock::now() > deadline) {
                return false;
            }
            std::this_thread::sleep_for(1ms);
        }
        return true;
    }

    // Delivers until `count` events have arrived in all, or the patience runs out.
    const std::vector<SerialEvent>& DeliverUntil(Win32SerialPortUnit& unit, std::size_t count) {
        const Clock::time_point deadline = Clock::now() + kPatience;
        while (events_.size() < count) {
            {
                std::unique_lock lock(mutex_);
                if (!posted_.wait_until(lock, deadline, [&] { return posts_ > taken_; })) {
                    break;
                }
                taken_ = posts_;
            }
            largestQueue = std::max(largestQueue, unit.QueuedEvents());
            std::size_t delivered = 0;
            unit.DeliverQueued([&](const SerialEvent& event) {
                events_.push_back(event);
                ++delivered;
                return true;
            });
            largestDelivery = std::max(largestDelivery, delivered);
        }
        return events_;
    }

    std::vector<SerialEvent> Take() { return std::exchange(events_, {}); }

    // The most entries one delivery raised, and the most the unit held before one.
    std::size_t largestDelivery = 0;
    std::size_t largestQueue = 0;

  private:
    std::mutex mutex_;
    std::condition_variable posted_;
    int posts_ = 0;
    int taken_ = 0;
    std::vector<SerialEvent> events_;
};

std::vector<SerialEvent> DataEvents(const ByteSet& bytes) {
    std::vector<SerialEvent> events;
    for (const std::uint8_t byte : bytes) {
        events.push_back(Data(byte));
    }
    return events;
}

ByteSet BytesOf(const std::vector<SerialEvent>& events) {
    ByteSet bytes;
    for (const SerialEvent& event : events) {
        if (event.kind == SerialEvent::Kind::DataArrival) {
            bytes.push_back(static_cast<std::uint8_t>(event.argument));
        }
    }
    return bytes;
}

void ExpectMeterReply(const ByteSet& reply) {
    ASSERT_EQ(reply.size(), 75U);
    EXPECT_EQ(reply[0], 0x01);
    EXPECT_EQ(reply[1], 0x03);
    EXPECT_EQ(reply[2], 70);
    EXPECT_TRUE(CrcMatches(reply));
}

SerialPortProperties Line(int com, std::int32_t baud = 9600) {
    SerialPortProperties properties;
    properties.SetPortNumber(com);
    properties.SetBaudRate(baud);
    return properties;
}

// The far end of the COM8/COM9 line, opened plainly (no overlapped I/O), 9600 8N1.
class Peer {
  public:
    Peer() {
        handle_ = UniqueHandle(::CreateFileW(L"\\\\.\\COM9", GENERIC_READ | GENERIC_WRITE, 0,
                                             nullptr, OPEN_EXISTING, 0, nullptr));
        if (!handle_.Valid()) {
            return;
        }
        DCB state{};
        state.DCBlength = sizeof state;
        ::GetCommState(handle_.Get(), &state);
        ApplyLineSettings(Line(kPeerCom), state);
        ::SetCommState(handle_.Get(), &state);
        COMMTIMEOUTS timeouts{0, 0, 2000, 0, 2000};
        ::SetCommTimeouts(handle_.Get(), &timeouts);
        ::PurgeComm(handle_.Get(), PURGE_RXCLEAR | PURGE_TXCLEAR);
    }

    bool Valid() const { return handle_.Valid(); }

    bool Write(const ByteSet& bytes) {
        DWORD written = 0;
        return ::WriteFile(handle_.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                           nullptr) &&
               written == bytes.size();
    }

    ByteSet Read(std::size_t count) {
        ByteSet bytes(count);
        std::size_t got = 0;
        while (got < count) {
            DWORD read = 0;
            if (!::ReadFile(handle_.Get(), bytes.data() + got, static_cast<DWORD>(count - got),
                            &read, nullptr) ||
                read == 0) {
                break;
            }
            got += read;
        }
        bytes.resize(got);
        return bytes;
    }

  private:
    UniqueHandle handle_;
};

using ReplyDelivery = Win32SerialPortUnit::ReplyDelivery;

class Win32SerialPortUnitTest : public testing::Test {
  protected:
    explicit Win32SerialPortUnitTest(ReplyDelivery delivery = ReplyDelivery::AsTheBytesCome)
        : unit_(window_.Poster(), {}, delivery) {}

    Win32SerialPortUnit unit_;

    void SetUp() override {
        if (!MeterControlFile()) {
            GTEST_SKIP() << "no meter lines: run through CTest, which maps them as COM ports";
        }
    }

    ByteSet ReadMeter() {
        EXPECT_TRUE(unit_.Send(BuildReadRequest(1)));
        return BytesOf(window_.DeliverUntil(unit_, 75));
    }

    WindowThreadStandIn window_;
};

class Win32SerialPortUnitBaudTest : public Win32SerialPortUnitTest,
                                    public testing::WithParamInterface<int> {};

// The tests of what a unit delivers, for the window's unit (each byte as the port's waits bring
// it) and the companion's (a reply's bytes batched).
class Win32SerialPortUnitDeliveryTest : public Win32SerialPortUnitTest,
                                        public testing::WithParamInterface<ReplyDelivery> {
  protected:
    Win32SerialPortUnitDeliveryTest() : Win32SerialPortUnitTest(GetParam()) {}
};

INSTANTIATE_TEST_SUITE_P(Deliveries, Win32SerialPortUnitDeliveryTest,
                         testing::Values(ReplyDelivery::AsTheBytesCome, ReplyDelivery::Batched),
                         [](const testing::TestParamInfo<ReplyDelivery>& info) {
                             return info.param == ReplyDelivery::Batched ? "Batched"
                                                                         : "AsTheBytesCome";
                         });

TEST_P(Win32SerialPortUnitBaudTest, ReadsTheMeterAtEachOfferedBaudRate) {
    const int index = GetParam();
    // Each of these simulators answers only while its line runs at its own rate (all but the
    // 14400-baud one under wine, which cannot put that rate on a pseudo-terminal).
    ASSERT_TRUE(unit_.Open(Line(kFirstBaudCom + index, kOfferedBauds[index])).Succeeded());
    ExpectMeterReply(ReadMeter());
}

INSTANTIATE_TEST_SUITE_P(OfferedRates, Win32SerialPortUnitBaudTest, testing::Range(0, 7),
                         [](const testing::TestParamInfo<int>& info) {
                             return std::to_string(kOfferedBauds[info.param]);
                         });

TEST_F(Win32SerialPortUnitTest, TheSpeedReachesTheLine) {
    // The 2400-baud simulator does not hear a request sent at 9600 baud.
    ASSERT_TRUE(unit_.Open(Line(kFirstBaudCom, 9600)).Succeeded());
    ASSERT_TRUE(unit_.Send(BuildReadRequest(1)));
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(window_.Posts(), 0);
}

// On a pseudo-terminal, where a reply comes in one piece, and on a line that brings it a byte a
// millisecond. The notices per reply this prints are the window thread's wake-ups.
TEST_P(Win32SerialPortUnitDeliveryTest, ReadsReplyAfterReplyInOrder) {
    for (const int com : {kMeterCom, kPacedMeterCom}) {
        ASSERT_TRUE(unit_.Open(Line(com)).Succeeded()) << "COM" << com;
        const int postsBefore = window_.Posts();
        constexpr int kCycles = 20;
        for (int cycle = 0; cycle < kCycles; ++cycle) {
            ExpectMeterReply(ReadMeter());
            window_.Take();
        }
        std::printf("COM%d: %.1f notices per reply\n", com,
                    static_cast<double>(window_.Posts() - postsBefore) / kCycles);
        unit_.Close();
    }
}

// The first byte after a quiet line is not held back for the bytes that may follow it.
TEST_P(Win32SerialPortUnitDeliveryTest, TheFirstByteAfterAQuietLineArrivesAloneAndAtOnce) {
    Peer peer;
    ASSERT_TRUE(peer.Valid());
    ASSERT_TRUE(unit_.Open(Line(kLineCom)).Succeeded());
    const ByteSet answer{1, 6, 0, 3, 0, 2, 0x49, 0xCB};
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(peer.Write({answer.front()}));
        EXPECT_EQ(window_.DeliverUntil(unit_, 1), DataEvents({answer.front()}));
        ASSERT_TRUE(peer.Write(ByteSet(answer.begin() + 1, answer.end())));
        EXPECT_EQ(window_.DeliverUntil(unit_, answer.size()), DataEvents(answer));
        window_.Take();
        // Quiet for longer than any batching holds bytes.
        std::this_thread::sleep_for(100ms);
    }
}

// A request sent while the rest of an answer may still be awaited: what came before it is
// delivered, and the next answer's first byte goes at once again.
TEST_P(Win32SerialPortUnitDeliveryTest, ASendDuringAnAnswerKeepsEveryByteInOrder) {
    Peer peer;
    ASSERT_TRUE(peer.Valid());
    ASSERT_TRUE(unit_.Open(Line(kLineCom)).Succeeded());
    ASSERT_TRUE(peer.Write({1}));
    EXPECT_EQ(window_.DeliverUntil(unit_, 1), DataEvents({1}));
    ASSERT_TRUE(unit_.Send(ByteSet{0x42}));
    EXPECT_EQ(peer.Read(1), ByteSet{0x42});
    ASSERT_TRUE(peer.Write({2}));
    EXPECT_EQ(window_.DeliverUntil(unit_, 2), DataEvents({1, 2}));
    ASSERT_TRUE(peer.Write({3, 4, 5}));
    EXPECT_EQ(window_.DeliverUntil(unit_, 5), DataEvents({1, 2, 3, 4, 5}));
}

TEST_P(Win32SerialPortUnitDeliveryTest, EveryByteValueArrivesAsItsOwnEventInOrder) {
    Peer peer;
    ASSERT_TRUE(peer.Valid());
    ASSERT_TRUE(unit_.Open(Line(kLineCom)).Succeeded());
    ByteSet all;
    for (int round = 0; round < 2; ++round) {
        for (int value = 0; value < 256; ++value) {
            all.push_back(static_cast<std::uint8_t>(value));
        }
    }
    ASSERT_TRUE(peer.Write(all));
    EXPECT_EQ(window_.DeliverUntil(unit_, all.size()), DataEvents(all));
}

TEST_F(Win32SerialPortUnitTest, AFloodStopsReadingAtTheHighMarkAndArrivesWholeInBatches) {
    const SerialQueueBounds bounds{1000, 200, 300};
    WindowThreadStandIn window;
    Win32SerialPortUnit unit(window.Poster(), bounds);
    Peer peer;
    ASSERT_TRUE(peer.Valid());
    ASSERT_TRUE(unit.Open(Line(kLineCom)).Succeeded());
    // Small enough for the line's buffers to hold what the unit does not take yet.
    ByteSet flood(6000);
    for (std::size_t i = 0; i < flood.size(); ++i) {
        flood[i] = static_cast<std::uint8_t>(i % 251);
    }
    ASSERT_TRUE(peer.Write(flood));
    ASSERT_TRUE(WindowThreadStandIn::WaitForQueued(unit, bounds.high));

    const double cpuBefore = ProcessCpuMs();
    const Clock::time_point start = Clock::now();
    std::this_thread::sleep_for(300ms);
    const double elapsedMs =
        std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    const double cpuMs = ProcessCpuMs() - cpuBefore;
    EXPECT_EQ(unit.QueuedEvents(), bounds.high) << "reading stopped at the high mark";
    EXPECT_EQ(window.Posts(), 1) << "one notice waits for the window thread, not one per byte";
    // A watcher that kept waiting for the readable port while paused would burn a core.
    EXPECT_LT(cpuMs, elapsedMs / 4);

    EXPECT_EQ(window.DeliverUntil(unit, flood.size()), DataEvents(flood));
    EXPECT_LE(window.largestQueue, bounds.high);
    EXPECT_EQ(window.largestDelivery, bounds.batch);
    EXPECT_EQ(unit.QueuedEvents(), 0U);
}

TEST_F(Win32SerialPortUnitTest, SendWritesEveryByteValueAndReturnsOnceWritten) {
    Peer peer;
    ASSERT_TRUE(peer.Valid());
    ASSERT_TRUE(unit_.Open(Line(kLineCom)).Succeeded());
    ByteSet all;
    for (int value = 255; value >= 0; --value) {
        all.push_back(static_cast<std::uint8_t>(value));
    }
    ASSERT_TRUE(unit_.Send(all));
    EXPECT_EQ(peer.Read(all.size()), all);
}

TEST_P(Win32SerialPortUnitDeliveryTest, AnEventCharacterIsAnnouncedRightBeforeItsByte) {
    Peer peer;
    ASSERT_TRUE(peer.Valid());
    SerialPortProperties properties = Line(kLineCom);
    properties.SetEventChar("\n");
    ASSERT_TRUE(unit_.Open(properties).Succeeded());
    ASSERT_TRUE(peer.Write({'a', '\n', 'b'}));
    EXPECT_EQ(window_.DeliverUntil(unit_, 4),
              (std::vector<SerialEvent>{Data('a'), Comm(7), Data('\n'), Data('b')}));
}

TEST_F(Win32SerialPortUnitTest, ClosingDropsQueuedEventsAndReopeningStartsClean) {
    Peer peer;
    ASSERT_TRUE(peer.Valid());
    ASSERT_TRUE(unit_.Open(Line(kLineCom)).Succeeded());
    ASSERT_TRUE(peer.Write({1, 2, 3, 4, 5}));
    ASSERT_TRUE(WindowThreadStandIn::WaitForQueued(unit_, 5));
    EXPECT_EQ(window_.Posts(), 1) << "one notice waits for the window thread, not one per byte";
    unit_.Close();
    EXPECT_FALSE(unit_.IsOpen());
    unit_.DeliverQueued([](const SerialEvent&) {
        ADD_FAILURE() << "an event queued before Close was delivered";
        return true;
    });

    ASSERT_TRUE(unit_.Open(Line(kLineCom)).Succeeded());
    ASSERT_TRUE(peer.Write({9}));
    EXPECT_EQ(window_.DeliverUntil(unit_, 1), DataEvents({9}));
}

TEST_P(Win32SerialPortUnitDeliveryTest, BytesReceivedBeforeASendAreDeliveredAfterIt) {
    Peer peer;
    ASSERT_TRUE(peer.Valid());
    ASSERT_TRUE(unit_.Open(Line(kLineCom)).Succeeded());
    ASSERT_TRUE(peer.Write({7, 8}));
    ASSERT_TRUE(WindowThreadStandIn::WaitForQueued(unit_, 2));
    ASSERT_TRUE(unit_.Send(ByteSet{0x42}));
    EXPECT_EQ(peer.Read(1), ByteSet{0x42});
    EXPECT_EQ(window_.DeliverUntil(unit_, 2), DataEvents({7, 8}));
}

TEST_F(Win32SerialPortUnitTest, SendingNothingSucceedsOnlyOnAnOpenPort) {
    EXPECT_FALSE(unit_.Send(ByteSet{}));
    EXPECT_FALSE(unit_.Send(ByteSet{1}));
    ASSERT_TRUE(unit_.Open(Line(kLineCom)).Succeeded());
    EXPECT_TRUE(unit_.Send(ByteSet{}));
    EXPECT_FALSE(unit_.Send(TextArray{"not", "bytes"}));
}

TEST_F(Win32SerialPortUnitTest, APortThatDoesNotExistLeavesTheUnitClosedAndSaysWhere) {
    ASSERT_TRUE(unit_.Open(Line(kLineCom)).Succeeded());
    const SerialOpenResult result = unit_.Open(Line(99));
    EXPECT_EQ(result.error, SerialOpenError::NoDevice);
    EXPECT_EQ(DescribeOpenFailure(99, 9600, result), "COM99 (\\\\.\\COM99): no device");
    EXPECT_FALSE(unit_.IsOpen());
    const Win32SerialPortUnit::OpenFailure& failure = unit_.LastOpenFailure();
    EXPECT_EQ(failure.step, Win32SerialPortUnit::OpenFailure::Step::OpenDevice);
    EXPECT_NE(failure.error, static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(failure.device, L"\\\\.\\COM99");

    ASSERT_TRUE(unit_.Open(Line(kLineCom)).Succeeded());
    EXPECT_EQ(unit_.LastOpenFailure().step, Win32SerialPortUnit::OpenFailure::Step::None);
}

TEST_F(Win32SerialPortUnitTest, ALineFormatTheDriverRefusesLeavesTheUnitClosedAndSaysWhere) {
    SerialPortProperties properties = Line(kLineCom);
    properties.SetDataBits(9);
    const SerialOpenResult result = unit_.Open(properties);
    EXPECT_EQ(result.error, SerialOpenError::LineSettingsRefused);
    // The system's reason travels with its number, inside the line's parentheses.
    const std::string number = "system error " + std::to_string(unit_.LastOpenFailure().error);
    EXPECT_TRUE(result.detail.ends_with(number)) << result.detail;
    EXPECT_TRUE(DescribeOpenFailure(kLineCom, 9600, result)
                    .starts_with("COM8 (\\\\.\\COM8): line settings refused by the device ("))
        << DescribeOpenFailure(kLineCom, 9600, result);
    EXPECT_FALSE(unit_.IsOpen());
    EXPECT_EQ(unit_.LastOpenFailure().step, Win32SerialPortUnit::OpenFailure::Step::WriteLineState);
    EXPECT_FALSE(unit_.Send(ByteSet{1}));
    // The handle was let go: the port opens again at once.
    EXPECT_TRUE(unit_.Open(Line(kLineCom)).Succeeded());
}

// Two units on one port (wine lets the second open succeed) race for each byte the far side
// sends: with no time-out a read asks for every byte the driver announced, and the unit that
// loses the race waits in a read that never completes (in about one round of four). Closing
// ends it all the same; the longest Close is printed. A Close that waited for that read would
// hang the suite, which the suite's CTest time-out ends as a failure.
TEST_F(Win32SerialPortUnitTest, CloseReturnsWhileAReadNeverCompletes) {
    Peer peer;
    ASSERT_TRUE(peer.Valid());
    SerialPortProperties properties = Line(kLineCom);
    properties.SetTimeout(0);
    WindowThreadStandIn rivalWindow;
    Win32SerialPortUnit rival(rivalWindow.Poster());
    double longestCloseMs = 0;
    for (int round = 0; round < 8; ++round) {
        ASSERT_TRUE(unit_.Open(properties).Succeeded());
        if (!rival.Open(properties).Succeeded()) {
            GTEST_SKIP() << "the system refuses a second open of a port";
        }
        // Many small writes give the two readers many races to lose.
        for (int write = 0; write < 200; ++write) {
            ASSERT_TRUE(peer.Write(ByteSet(1 + write % 7, static_cast<std::uint8_t>(write))));
        }
        std::this_thread::sleep_for(100ms);
        for (Win32SerialPortUnit* closing : {&unit_, &rival}) {
            const Clock::time_point start = Clock::now();
            closing->Close();
            longestCloseMs =
                std::max(longestCloseMs,
                         std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            EXPECT_FALSE(closing->IsOpen());
        }
    }
    std::printf("longest Close with a rival reader on the line: %.1f ms\n", longestCloseMs);
}

// The figures this prints are the idle cost of a connected port; the bound only catches a
// watcher that spins.
TEST_P(Win32SerialPortUnitDeliveryTest, AnIdlePortSleeps) {
    ASSERT_TRUE(unit_.Open(Line(kMeterCom)).Succeeded());
    ExpectMeterReply(ReadMeter());
    const int posts = window_.Posts();
    const double cpuBefore = ProcessCpuMs();
    const Clock::time_point start = Clock::now();
    std::this_thread::sleep_for(2s);
    const double elapsedMs =
        std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    const double cpuMs = ProcessCpuMs() - cpuBefore;
    std::printf("idle connected port: %.1f ms CPU in %.0f ms (%.2f %% of a core)\n", cpuMs,
                elapsedMs, 100.0 * cpuMs / elapsedMs);
    EXPECT_LT(cpuMs, elapsedMs / 4);
    EXPECT_EQ(window_.Posts(), posts) << "nothing arrived on the idle line";
    EXPECT_EQ(unit_.QueuedEvents(), 0U);
}

TEST_F(Win32SerialPortUnitTest, TheFarSideGoingAwayIsReportedOnceAndAReconnectWorks) {
    ASSERT_TRUE(unit_.Open(Line(kMeterCom)).Succeeded());
    ExpectMeterReply(ReadMeter());
    window_.Take();

    TellMeter("hangup 500");
    EXPECT_EQ(window_.DeliverUntil(unit_, 1), (std::vector<SerialEvent>{Comm(10)}));
    const int posts = window_.Posts();
    const double cpuBefore = ProcessCpuMs();
    const Clock::time_point start = Clock::now();
    std::this_thread::sleep_for(1s);
    const double elapsedMs =
        std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    const double cpuMs = ProcessCpuMs() - cpuBefore;
    std::printf("after the hang-up: %.1f ms CPU in %.0f ms (%.2f %% of a core)\n", cpuMs, elapsedMs,
                100.0 * cpuMs / elapsedMs);
    EXPECT_LT(cpuMs, elapsedMs / 4);
    EXPECT_EQ(window_.Posts(), posts) << "the hang-up is reported once";
    EXPECT_EQ(unit_.QueuedEvents(), 0U);
    EXPECT_TRUE(unit_.IsOpen());
    EXPECT_FALSE(unit_.Send(BuildReadRequest(1)));

    // The simulator offers a new line shortly; closing and opening again reaches it.
    const Clock::time_point deadline = Clock::now() + kPatience;
    bool reopened = false;
    while (!reopened && Clock::now() < deadline) {
        unit_.Close();
        reopened = unit_.Open(Line(kMeterCom)).Succeeded();
        if (!reopened) {
            std::this_thread::sleep_for(50ms);
        }
    }
    ASSERT_TRUE(reopened);
    window_.Take();
    ExpectMeterReply(ReadMeter());
}

}  // namespace
}  // namespace tavr
