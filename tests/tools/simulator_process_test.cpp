// Runs the simulator program itself on a pseudo-terminal, the way the program, the benchmarks
// and the end-to-end tests use it. Every wait is bounded by a generous limit.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "protocol/frame_codec.h"
#include "simulator_process/simulator_process.h"

namespace tavr {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr auto kPatience = std::chrono::seconds(20);

int MillisecondsLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
}

// A line opened through its COM link and set up as the program sets it: raw, 8N1.
class MeterLine {
  public:
    MeterLine(const fs::path& link, speed_t speed)
        : fd_(open(link.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {
        EXPECT_GE(fd_, 0) << link;
        SetSpeed(speed);
    }
    ~MeterLine() { close(fd_); }

    void SetSpeed(speed_t speed) {
        termios settings{};
        ASSERT_EQ(tcgetattr(fd_, &settings), 0);
        cfmakeraw(&settings);
        settings.c_cflag |= CLOCAL | CREAD;
        cfsetspeed(&settings, speed);
        ASSERT_EQ(tcsetattr(fd_, TCSANOW, &settings), 0);
    }

    void Send(const ByteSet& frame) {
        EXPECT_EQ(write(fd_, frame.data(), frame.size()), static_cast<ssize_t>(frame.size()));
    }

    // Up to `count` bytes, as many as arrive before the patience runs out.
    ByteSet Receive(std::size_t count) {
        ByteSet bytes;
        const auto deadline = Clock::now() + kPatience;
        while (bytes.size() < count) {
            pollfd watched{fd_, POLLIN, 0};
            if (poll(&watched, 1, MillisecondsLeft(deadline)) <= 0 ||
                (watched.revents & POLLIN) == 0) {
                break;
            }
            std::uint8_t buffer[256];
            const ssize_t got = read(fd_, buffer, std::min(sizeof buffer, count - bytes.size()));
            if (got <= 0) {
                break;
            }
            bytes.insert(bytes.end(), buffer, buffer + got);
        }
        return bytes;
    }

    void TakeExclusiveUse() { EXPECT_EQ(ioctl(fd_, TIOCEXCL), 0); }

    bool InExclusiveUse() {
        int exclusive = 0;
        EXPECT_EQ(ioctl(fd_, TIOCGEXCL, &exclusive), 0);
        return exclusive != 0;
    }

    bool HasInput() {
        pollfd watched{fd_, POLLIN, 0};
        return poll(&watched, 1, 0) == 1;
    }

    // Waits for the simulator to hang up the line.
    bool HungUp() {
        pollfd watched{fd_, POLLIN, 0};
        return poll(&watched, 1, MillisecondsLeft(Clock::now() + kPatience)) == 1 &&
               (watched.revents & POLLHUP) != 0;
    }

  private:
    int fd_;
};

bool CrcHolds(const ByteSet& frame) {
    return CrcMatches(frame);
}

class SimulatorProcessTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tavr-sim-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        configHome_ = pattern;
    }
    void TearDown() override { fs::remove_all(configHome_); }

    fs::path Link(int com) const {
        return configHome_ / "TAVR_12864" / "dosdevices" / ("com" + std::to_string(com));
    }

    fs::path configHome_;
};

TEST_F(SimulatorProcessTest, AnswersAReadThroughItsComLinkAndRemovesTheLinkOnQuit) {
    SimulatorProcess simulator(TAVR_METER_SIM_PATH, configHome_, {"--com", "3", "--baud", "9600"});
    ASSERT_TRUE(simulator.Started());
    const auto ready = simulator.WaitForLine("ready ");
    ASSERT_TRUE(ready);
    EXPECT_EQ(*ready, "ready " + fs::read_symlink(Link(3)).string() + " com3");
    {
        MeterLine line(Link(3), B9600);
        line.Send(BuildReadRequest(1));
        const ByteSet reply = line.Receive(kReadReplyLength);

        ASSERT_EQ(reply.size(), static_cast<std::size_t>(kReadReplyLength));
        EXPECT_EQ(reply[2], 70);
        EXPECT_TRUE(CrcHolds(reply));
        EXPECT_EQ(RegisterValue(reply, 0), 1);
        line.TakeExclusiveUse();
    }
    // Commands are taken after the close notice that came before them.
    simulator.Send("get 0x0000");
    EXPECT_EQ(simulator.WaitForLine("value "), "value 0x0000 1");
    EXPECT_FALSE(MeterLine(Link(3), B9600).InExclusiveUse());  // as a real port after its close

    simulator.Send("quit");

    EXPECT_EQ(simulator.WaitForExit(), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(Link(3))));
}

TEST_F(SimulatorProcessTest, CheckedBaudRateGetsAnAnswerOnlyAtTheMetersSpeed) {
    SimulatorProcess simulator(TAVR_METER_SIM_PATH, configHome_,
                               {"--com", "2", "--baud", "2400", "--check-baud", "--log", "-"});
    ASSERT_TRUE(simulator.Started());
    ASSERT_TRUE(simulator.WaitForLine("ready "));
    MeterLine line(Link(2), B9600);

    line.Send(BuildReadRequest(1));
    ASSERT_TRUE(simulator.WaitForLine(" rx "));  // logged before any answer would be written
    EXPECT_FALSE(line.HasInput());

    line.SetSpeed(B2400);
    line.Send(BuildReadRequest(1));
    const ByteSet reply = line.Receive(kReadReplyLength);
    ASSERT_EQ(reply.size(), static_cast<std::size_t>(kReadReplyLength));
    EXPECT_TRUE(CrcHolds(reply));

    simulator.CloseInput();  // the end of the control channel ends the simulator
    EXPECT_EQ(simulator.WaitForExit(), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(Link(2))));
}

TEST_F(SimulatorProcessTest, HangUpOffersANewLineThatObeysCommandsUntilTerminated) {
    SimulatorProcess simulator(TAVR_METER_SIM_PATH, configHome_, {"--com", "5"});
    ASSERT_TRUE(simulator.Started());
    const auto first = simulator.WaitForLine("ready ");
    ASSERT_TRUE(first);
    MeterLine oldLine(Link(5), B2400);

    simulator.Send("hangup 0");
    EXPECT_TRUE(simulator.WaitForLine("ok hangup"));
    EXPECT_TRUE(oldLine.HungUp());
    const auto second = simulator.WaitForLine("ready ");
    ASSERT_TRUE(second);
    EXPECT_NE(*second, *first);

    MeterLine line(Link(5), B2400);
    simulator.Send("fault bad-crc");
    ASSERT_TRUE(simulator.WaitForLine("ok fault bad-crc"));
    line.Send(BuildReadRequest(1));
    const ByteSet reply = line.Receive(kReadReplyLength);
    ASSERT_EQ(reply.size(), static_cast<std::size_t>(kReadReplyLength));
    EXPECT_FALSE(CrcHolds(reply));

    simulator.Signal(SIGTERM);
    EXPECT_EQ(simulator.WaitForExit(), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(Link(5))));
}

// Several meters on one line: each answers its own ID with its own registers, and the control
// channel reaches one of them or all.
TEST_F(SimulatorProcessTest, BusModeAnswersEachMeterOnOneLine) {
    SimulatorProcess simulator(TAVR_METER_SIM_PATH, configHome_,
                               {"--com", "4", "--baud", "9600", "--bus", "1-3,8", "--silent", "2",
                                "--garbled", "3", "--frozen"});
    ASSERT_TRUE(simulator.Started());
    ASSERT_TRUE(simulator.WaitForLine("ready "));
    simulator.Send("meter 8 set 0x09 4321");
    ASSERT_TRUE(simulator.WaitForLine("ok set 0x0009 4321"));
    simulator.Send("meter 4 get 0x09");
    EXPECT_EQ(simulator.WaitForLine("error"), "error no meter answers to 4");
    MeterLine line(Link(4), B9600);
    struct Case {
        int deviceId;
        bool answers;
        bool intact;
        int capacity;
    };
    const Case cases[] = {
        {1, true, true, 1000}, {2, false, false, 0}, {3, true, false, 1000}, {8, true, true, 4321}};
    for (const Case& c : cases) {
        line.Send(BuildReadRequest(c.deviceId));
        if (!c.answers) {
            ASSERT_TRUE(simulator.Send("get 0x00"));  // the request was heard before the answer
            ASSERT_TRUE(simulator.WaitForLine("value "));
            EXPECT_FALSE(line.HasInput()) << c.deviceId;
            continue;
        }
        const ByteSet reply = line.Receive(kReadReplyLength);
        ASSERT_EQ(reply.size(), static_cast<std::size_t>(kReadReplyLength)) << c.deviceId;
        EXPECT_EQ(CrcHolds(reply), c.intact) << c.deviceId;
        EXPECT_EQ(RegisterValue(reply, 0), c.deviceId);
        EXPECT_EQ(RegisterValue(reply, 9), c.capacity) << c.deviceId;
    }
    simulator.Send("meter 2 fault none");
    ASSERT_TRUE(simulator.WaitForLine("ok fault none"));
    line.Send(BuildReadRequest(2));
    const ByteSet reply = line.Receive(kReadReplyLength);
    ASSERT_EQ(reply.size(), static_cast<std::size_t>(kReadReplyLength));
    EXPECT_TRUE(CrcHolds(reply));
    simulator.Send("quit");
    EXPECT_EQ(simulator.WaitForExit(), 0);
}

}  // namespace
}  // namespace tavr
