#include "serial/posix/serial_port_unit.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <time.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <fstream>
#include <functional>
#include <iostream>
#include <thread>

#include "pty_line.h"
#include "serial/posix/kernel_terminal_settings.h"
#include "serial/posix/serial_line_settings.h"

namespace tavr {
namespace {

namespace fs = std::filesystem;

std::size_t EntriesIn(const fs::path& folder) {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

double ProcessCpuSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// The meter's line is COM1, a pseudo-terminal linked in a temporary config folder.
class SerialPortUnitTest : public ::testing::Test {
  protected:
    SerialPortUnitTest() {
        home_.LinkComPort(1, line_.SlavePath());
        properties_.SetBaudRate(9600);
    }

    TemporaryConfigHome home_;
    PtyLine line_;
    NoticePump pump_;
    SerialPortUnit unit_{pump_.Poster()};
    SerialPortProperties properties_;
};

TEST_F(SerialPortUnitTest, EveryReceivedByteRaisesOneDataArrivalInOrder) {
    ASSERT_TRUE(unit_.Open(properties_).Succeeded());
    ByteSet reply{0x01, 0x03, 0x46};
    const ByteSet registers = Bytes(72, 0xF0);
    reply.insert(reply.end(), registers.begin(), registers.end());
    for (const ByteSet& received : {reply, Bytes(256), Bytes(3000, 7)}) {
        line_.WriteFromMeter(received);
        EXPECT_EQ(pump_.Collect(unit_, received.size()), Traced(received))
            << received.size() << " bytes";
    }
}

// A real line brings a reply a byte at a time: the first is raised while the rest is still on
// its way, and the watcher, sleeping through the rest, still reads every byte in order.
TEST_F(SerialPortUnitTest, AReplyThatComesAByteAtATimeArrivesWholeAndInOrder) {
    ASSERT_TRUE(unit_.Open(properties_).Succeeded());
    const ByteSet reply = Bytes(75, 0x40);
    for (int round = 0; round < 2; ++round) {
        line_.WriteFromMeter({reply.front()});
        EXPECT_EQ(pump_.Collect(unit_, 1), Traced(ByteSet{reply.front()})) << "round " << round;
        // The wire pace of 9600 baud, about a byte a millisecond.
        std::thread meter([&] {
            for (std::size_t i = 1; i < reply.size(); ++i) {
                line_.WriteFromMeter({reply[i]});
                std::this_thread::sleep_for(std::chrono::microseconds(1042));
            }
        });
        EXPECT_EQ(pump_.Collect(unit_, reply.size() - 1),
                  Traced(ByteSet(reply.begin() + 1, reply.end())))
            << "round " << round;
        meter.join();
    }
}

TEST_F(SerialPortUnitTest, AFloodStopsReadingAtTheHighMarkAndArrivesWholeInBatches) {
    const SerialQueueBounds bounds{1000, 200, 300};
    NoticePump pump;
    SerialPortUnit unit(pump.Poster(), bounds);
    ASSERT_TRUE(unit.Open(properties_).Succeeded());
    const ByteSet flood = Bytes(200000, 3);
    // The meter's end blocks once the pseudo-terminal's buffers are full.
    std::thread meter([&] { line_.WriteFromMeter(flood); });
    ASSERT_TRUE(NoticePump::WaitForQueued(unit, bounds.high));

    const double cpuBefore = ProcessCpuSeconds();
    const auto wallBefore = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const double cpu = ProcessCpuSeconds() - cpuBefore;
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
    EXPECT_EQ(unit.QueuedEvents(), bounds.high) << "reading stopped at the high mark";
    EXPECT_EQ(pump.Notices(), 1u) << "one notice waits for the window thread, not one per byte";
    // A watcher that polled the readable port while paused would burn a core (the writer too).
    EXPECT_LT(cpu, wall / 4);

    EXPECT_EQ(pump.Collect(unit, flood.size()), Traced(flood));
    meter.join();
    EXPECT_LE(pump.largestQueue, bounds.high);
    EXPECT_EQ(pump.largestDelivery, bounds.batch);
    EXPECT_EQ(unit.QueuedEvents(), 0u);
}

TEST_F(SerialPortUnitTest, ClosingLeavesTheLineAsItWasFound) {
    const struct {
        const char* how;
        std::function<void(SerialPortUnit&)> letGo;
    } cases[] = {
        {"Close", [](SerialPortUnit& unit) { unit.Close(); }},
        {"a failed reopen",
         [](SerialPortUnit& unit) {
             SerialPortProperties nineBits;
             nineBits.SetDataBits(9);
             EXPECT_FALSE(unit.Open(nineBits).Succeeded());
         }},
    };
    for (const auto& c : cases) {
        // Somebody's terminal: cooked and echoing, at a rate beyond the C library's table.
        termios found = line_.LineSettings();
        found.c_lflag |= ICANON | ECHO;
        ASSERT_EQ(::tcsetattr(line_.Slave(), TCSANOW, &found), 0);
        ASSERT_TRUE(SetExactBaudRate(line_.Slave(), 12345));
        found = line_.LineSettings();

        properties_.SetBaudRate(14400);
        ASSERT_TRUE(unit_.Open(properties_).Succeeded()) << c.how;
        ASSERT_EQ(line_.LineSettings().c_lflag & (ICANON | ECHO), 0u) << c.how;
        c.letGo(unit_);
        const termios after = line_.LineSettings();
        EXPECT_EQ(after.c_iflag, found.c_iflag) << c.how;
        EXPECT_EQ(after.c_oflag, found.c_oflag) << c.how;
        EXPECT_EQ(after.c_cflag, found.c_cflag) << c.how;
        EXPECT_EQ(after.c_lflag, found.c_lflag) << c.how;
        EXPECT_EQ(ReadBaudRate(line_.Slave()), 12345u) << c.how;
    }
}

TEST_F(SerialPortUnitTest, TheEventCharacterIsAnnouncedRightBeforeItArrives) {
    properties_.SetEventChar("\n");
    ASSERT_TRUE(unit_.Open(properties_).Succeeded());
    line_.WriteFromMeter({'A', '\n', 'B'});
    EXPECT_EQ(pump_.Collect(unit_, 4), (std::vector<int>{'A', -7, '\n', 'B'}));
}

TEST_F(SerialPortUnitTest, OpenWritesTheLineSettingsToTheDriver) {
    using P = SerialPortProperties;
    const std::function<void(P&)> lines[] = {
        [](P&) {},
        [](P& p) {
            p.SetBaudRate(115200);
            p.SetStopBits(3);
            p.SetParity(3);
            p.SetParityCheck(1);
            p.SetFlowControl(1);
            p.SetRtsMode(1);
            p.SetDtrMode(1);
        },
        [](P& p) {
            p.SetBaudRate(1200);
            p.SetParity(1);
            p.SetFlowControl(5);
            p.SetDtrMode(2);
        },
        [](P& p) { p.SetBaudRate(14400); },  // beyond the C library's table
        [](P& p) { p.SetBaudRate(9600); },   // back from an exact rate to a table one
    };
    // A pseudo-terminal always reports 8 data bits and no parity generation; the speed is
    // compared as a number.
    const tcflag_t kept = ~static_cast<tcflag_t>(CSIZE | PARENB | CBAUD | CBAUDEX | CIBAUD);
    for (std::size_t i = 0; i < std::size(lines); ++i) {
        SerialPortProperties properties = properties_;
        lines[i](properties);
        termios expected = line_.LineSettings();
        ASSERT_TRUE(ApplyLineSettings(properties, expected));
        ASSERT_TRUE(unit_.Open(properties).Succeeded()) << "line " << i;
        const termios actual = line_.LineSettings();
        // The kernel's termios2 reads back the exact rate, whether or not it has a B constant.
        EXPECT_EQ(ReadBaudRate(line_.Slave()), properties.BaudRate()) << "line " << i;
        EXPECT_EQ(actual.c_cflag & kept, expected.c_cflag & kept) << "line " << i;
        EXPECT_EQ(actual.c_iflag, expected.c_iflag) << "line " << i;
        EXPECT_EQ(actual.c_oflag, expected.c_oflag) << "line " << i;
        EXPECT_EQ(actual.c_lflag, expected.c_lflag) << "line " << i;
        for (const int index : {VMIN, VTIME, VSTART, VSTOP}) {
            EXPECT_EQ(actual.c_cc[index], expected.c_cc[index]) << "line " << i;
        }
    }
}

TEST_F(SerialPortUnitTest, APortIsHeldExclusively) {
    ASSERT_TRUE(unit_.Open(properties_).Succeeded());
    int exclusive = 0;
    ASSERT_EQ(::ioctl(line_.Slave(), TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 1);
    const UniqueFd other(::open(line_.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK));
    if (other.Valid()) {  // only root gets past the terminal's exclusive mode
        EXPECT_NE(::flock(other.Get(), LOCK_EX | LOCK_NB), 0);
    }
    SerialPortUnit second(nullptr);
    const SerialOpenResult refused = second.Open(properties_);
    EXPECT_EQ(refused.error, SerialOpenError::InUse);
    EXPECT_EQ(refused.device, line_.SlavePath().string());
    EXPECT_FALSE(second.IsOpen());

    unit_.Close();
    ASSERT_EQ(::ioctl(line_.Slave(), TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0);
    EXPECT_TRUE(second.Open(properties_).Succeeded());
}

TEST_F(SerialPortUnitTest, AFailedOpenLeavesThePortClosedAndLeaksNothing) {
    using P = SerialPortProperties;
    const fs::path regularFile = home_.Path() / "not-a-tty";
    std::ofstream(regularFile) << "x";
    home_.LinkComPort(2, home_.Path() / "missing");
    home_.LinkComPort(3, regularFile);
    home_.LinkComPort(4, home_.Path());
    home_.LinkComPort(5, "/dev/null");
    const struct {
        const char* why;
        std::function<void(P&)> configure;
        SerialOpenError error;
    } cases[] = {
        {"link points nowhere", [](P& p) { p.SetPortNumber(2); }, SerialOpenError::NoDevice},
        {"link to a plain file", [](P& p) { p.SetPortNumber(3); },
         SerialOpenError::NotACharacterDevice},
        {"link to a folder", [](P& p) { p.SetPortNumber(4); },
         SerialOpenError::NotACharacterDevice},
        {"link to a device that is no terminal", [](P& p) { p.SetPortNumber(5); },
         SerialOpenError::NotATerminal},
        {"speed 0, which hangs the line up", [](P& p) { p.SetBaudRate(0); },
         SerialOpenError::BaudRateRefused},
        {"nine data bits", [](P& p) { p.SetDataBits(9); }, SerialOpenError::LineSettingsRefused},
    };
    // A first connection lets the runtime start its helpers (a sanitizer's thread) before counting.
    ASSERT_TRUE(unit_.Open(properties_).Succeeded());
    unit_.Close();
    const std::size_t descriptors = EntriesIn("/proc/self/fd");
    const std::size_t threads = EntriesIn("/proc/self/task");
    for (const auto& c : cases) {
        ASSERT_TRUE(unit_.Open(properties_).Succeeded()) << c.why;
        SerialPortProperties properties = properties_;
        c.configure(properties);
        EXPECT_EQ(unit_.Open(properties).error, c.error) << c.why;
        EXPECT_FALSE(unit_.IsOpen()) << c.why;
        EXPECT_FALSE(unit_.Send(ByteSet{1})) << c.why;
        EXPECT_EQ(EntriesIn("/proc/self/fd"), descriptors) << c.why;
        EXPECT_EQ(EntriesIn("/proc/self/task"), threads) << c.why;
        SerialPortUnit other(nullptr);
        EXPECT_TRUE(other.Open(properties_).Succeeded())
            << c.why << ": the earlier connection was released";
    }
}

TEST_F(SerialPortUnitTest, SendWritesTheBytesAndRefusesWhatItCannotSend) {
    const ByteSet frame{0x01, 0x03, 0x00, 0x00, 0x00, 0x23, 0x05, 0xD3};
    EXPECT_FALSE(unit_.Send(frame)) << "closed";
    ASSERT_TRUE(unit_.Open(properties_).Succeeded());
    EXPECT_FALSE(unit_.Send(TextArray{"01", "03"}));
    EXPECT_FALSE(unit_.Send(Value()));
    EXPECT_TRUE(unit_.Send(frame));
    EXPECT_EQ(line_.ReadAtMeter(frame.size()), frame);
    EXPECT_TRUE(unit_.Send(Text("AB")));
    EXPECT_EQ(line_.ReadAtMeter(2), (ByteSet{'A', 'B'}));
    EXPECT_TRUE(unit_.Send(std::int16_t{0x0A0D}));
    EXPECT_EQ(line_.ReadAtMeter(2), (ByteSet{'\r', '\n'}));
}

TEST_F(SerialPortUnitTest, AWriteDiscardsHeldInputButNotQueuedEvents) {
    const struct {
        const char* what;
        ByteSet sent;
        bool heldInputSurvives;
    } cases[] = {
        {"a frame", {0x01, 0x06, 0x00, 0x05, 0x00, 0x01, 0x58, 0x0B}, false},
        {"nothing: no write, no purge", {}, true},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(unit_.Open(properties_).Succeeded()) << c.what;
        const ByteSet queued{0xA1, 0xA2, 0xA3};
        const ByteSet held{0xB1, 0xB2};
        const ByteSet late{0xC1};
        line_.WriteFromMeter(queued);
        ASSERT_TRUE(NoticePump::WaitForQueued(unit_, 3)) << c.what;
        // The driver keeps the next bytes from the watcher: the slave reads as empty until 255
        // bytes are in.
        line_.SetReadableThreshold(255);
        line_.WriteFromMeter(held);
        EXPECT_TRUE(unit_.Send(c.sent)) << c.what;
        EXPECT_EQ(line_.ReadAtMeter(c.sent.size()), c.sent) << c.what;
        line_.SetReadableThreshold(1);
        line_.WriteFromMeter(late);

        ByteSet expected = queued;
        if (c.heldInputSurvives) {
            expected.insert(expected.end(), held.begin(), held.end());
        }
        expected.insert(expected.end(), late.begin(), late.end());
        EXPECT_EQ(pump_.Collect(unit_, expected.size()), Traced(expected)) << c.what;
        unit_.Close();
    }
}

// A request goes out on the caller's thread, whatever the watcher is doing: here it has stopped
// reading because the window thread has not taken the full queue yet.
TEST_F(SerialPortUnitTest, AWriteGoesOutWhileTheWatcherWaitsForRoom) {
    const SerialQueueBounds bounds{10, 5, 4};
    NoticePump pump;
    SerialPortUnit unit(pump.Poster(), bounds);
    ASSERT_TRUE(unit.Open(properties_).Succeeded());
    line_.WriteFromMeter(Bytes(10));
    ASSERT_TRUE(NoticePump::WaitForQueued(unit, bounds.high));

    const ByteSet frame{0x01, 0x03, 0x00, 0x00, 0x00, 0x23, 0x05, 0xD3};
    EXPECT_TRUE(unit.Send(frame));
    EXPECT_EQ(line_.ReadAtMeter(frame.size()), frame);
    const ByteSet answer = Bytes(3, 0xE0);
    line_.WriteFromMeter(answer);

    ByteSet expected = Bytes(10);
    expected.insert(expected.end(), answer.begin(), answer.end());
    EXPECT_EQ(pump.Collect(unit, expected.size()), Traced(expected));
}

TEST_F(SerialPortUnitTest, AWriteTheDriverCannotTakeFailsWithinTheTimeout) {
    for (const std::int32_t timeout : {0, 50}) {
        properties_.SetTimeout(timeout);
        ASSERT_TRUE(unit_.Open(properties_).Succeeded());
        // Nobody reads the meter's end, so the pseudo-terminal fills up long before this.
        EXPECT_FALSE(unit_.Send(ByteSet(1 << 20, 0x55))) << "time-out " << timeout;
        unit_.Close();
    }
}

// Close returns at once whatever the line does: the watcher sleeps in poll() together with the
// stop request's eventfd, its reads never block, and unsent output is discarded before the
// terminal is closed (its close would otherwise wait for the output to drain). The longest
// Close is printed; a Close that hung would be ended by the test's CTest time-out.
TEST_F(SerialPortUnitTest, CloseReturnsWhateverTheLineDoes) {
    const struct {
        const char* line;
        std::function<void(SerialPortUnit&)> happen;
    } cases[] = {
        {"another reader takes the bytes",
         [this](SerialPortUnit&) {
             // The watcher may take the bytes between poll() and read(): the rival must not
             // wait for them either.
             ASSERT_EQ(::fcntl(line_.Slave(), F_SETFL, O_NONBLOCK), 0);
             line_.WriteFromMeter(Bytes(64));
             pollfd slave{line_.Slave(), POLLIN, 0};
             std::array<std::uint8_t, 64> taken{};
             if (::poll(&slave, 1, 100) > 0) {
                 [[maybe_unused]] const ssize_t count =
                     ::read(line_.Slave(), taken.data(), taken.size());
             }
         }},
        {"the far side takes no output",
         [](SerialPortUnit& unit) { EXPECT_FALSE(unit.Send(ByteSet(1 << 20, 0x55))); }},
        // Last: the line is gone afterwards.
        {"the far side hung up", [this](SerialPortUnit&) { line_.CloseMaster(); }},
    };
    properties_.SetTimeout(50);
    double longestCloseMs = 0;
    for (const auto& c : cases) {
        ASSERT_TRUE(unit_.Open(properties_).Succeeded()) << c.line;
        c.happen(unit_);
        const auto start = std::chrono::steady_clock::now();
        unit_.Close();
        longestCloseMs = std::max(longestCloseMs, std::chrono::duration<double, std::milli>(
                                                      std::chrono::steady_clock::now() - start)
                                                      .count());
        EXPECT_FALSE(unit_.IsOpen()) << c.line;
    }
    std::cout << "[ close ] longest Close " << longestCloseMs << " ms\n";
}

TEST_F(SerialPortUnitTest, CloseDropsEventsNotYetTaken) {
    ASSERT_TRUE(unit_.Open(properties_).Succeeded());
    line_.WriteFromMeter(Bytes(5));
    ASSERT_TRUE(NoticePump::WaitForQueued(unit_, 5));
    unit_.Close();
    int raised = 0;
    unit_.DeliverQueued([&](const SerialEvent&) { return ++raised > 0; });
    EXPECT_EQ(raised, 0);
}

TEST_F(SerialPortUnitTest, EventsTakenForDeliveryOutliveAHandlerThatClosesThePort) {
    ASSERT_TRUE(unit_.Open(properties_).Succeeded());
    line_.WriteFromMeter(Bytes(3));
    ASSERT_TRUE(NoticePump::WaitForQueued(unit_, 3));
    std::vector<int> raised;
    unit_.DeliverQueued([&](const SerialEvent& event) {
        raised.push_back(Traced(event));
        unit_.Close();
        return true;
    });
    EXPECT_EQ(raised, Traced(Bytes(3)));
}

TEST_F(SerialPortUnitTest, DeliveryStopsWhenTheWindowIsGone) {
    auto unit = std::make_unique<SerialPortUnit>(pump_.Poster());
    ASSERT_TRUE(unit->Open(properties_).Succeeded());
    line_.WriteFromMeter(Bytes(3));
    ASSERT_TRUE(NoticePump::WaitForQueued(*unit, 3));
    int raised = 0;
    unit->DeliverQueued([&](const SerialEvent&) {
        ++raised;
        unit.reset();  // the handler destroyed the window and its port
        return false;
    });
    EXPECT_EQ(raised, 1);
}

TEST_F(SerialPortUnitTest, AHungUpDeviceIsNotWatchedUntilReopened) {
    ASSERT_TRUE(unit_.Open(properties_).Succeeded());
    line_.CloseMaster();
    EXPECT_EQ(pump_.Collect(unit_, 1), (std::vector<int>{-10}));

    const double cpuBefore = ProcessCpuSeconds();
    const auto wallBefore = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const double cpu = ProcessCpuSeconds() - cpuBefore;
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
    std::cout << "[ hang-up ] process CPU " << cpu * 1000 << " ms in " << wall * 1000
              << " ms after the hang-up\n";
    // A watcher that kept polling the dead descriptor would burn a whole core.
    EXPECT_LT(cpu, wall / 4);

    EXPECT_TRUE(unit_.IsOpen());
    EXPECT_FALSE(unit_.Send(ByteSet{0x01}));
    unit_.Close();

    PtyLine replugged;
    home_.LinkComPort(1, replugged.SlavePath());
    ASSERT_TRUE(unit_.Open(properties_).Succeeded());
    replugged.WriteFromMeter({0x01, 0x03});
    EXPECT_EQ(pump_.Collect(unit_, 2), (std::vector<int>{0x01, 0x03}));
    EXPECT_TRUE(unit_.Send(ByteSet{0x7E}));
    EXPECT_EQ(replugged.ReadAtMeter(1), ByteSet{0x7E});
}

}  // namespace
}  // namespace tavr
