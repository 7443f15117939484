// The whole program against a meter that misbehaves on the line: no answer, answers cut short,
// a wrong checksum (never shown), a stream of noise, a line hung up in the middle of an answer, and
// a port that another program holds.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

#include <iostream>

#include "protocol/frame_codec.h"
#include "serial/serial_event.h"
#include "ui/link_lamp.h"
#include "whole_program_test.h"

namespace tavr {
namespace {

using LineFaults = WholeProgramTest;

// An ordinary register, shown as its raw value: the tests change it to tell a fresh reply from
// an old one.
constexpr int kChangedRegister = 0x09;

double ProcessCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// The program started and connected to the simulator on COM1, its first entry.
class ConnectedProgram : public WholeProgramTest {
  protected:
    void SetUp() override {
        WholeProgramTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        Start();
        ClickConnect();
        ASSERT_EQ(Lamp(), kLampReady);
        registers_ = MeterRegisters();
    }

    // Has the meter hold `value` in ChangedRegister from now on.
    void ChangeRegister(std::uint16_t value) {
        ASSERT_TRUE(
            Command("set " + std::to_string(kChangedRegister) + " " + std::to_string(value)));
        registers_[kChangedRegister] = value;
    }

    // Clicks the read button and waits until `bytes` more bytes have arrived.
    void ReadAndReceive(std::uint64_t bytes) {
        const std::uint64_t awaited = BytesReceived() + bytes;
        ClickRead();
        ASSERT_TRUE(PumpUntil([&] { return BytesReceived() >= awaited; }));
        EXPECT_EQ(BytesReceived(), awaited);
    }

    std::vector<std::uint16_t> registers_;
};

TEST_F(ConnectedProgram, NoAnswerKeepsTheLampRedAndReadingResumesAfterTheLinesTimeOut) {
    ASSERT_TRUE(Command("fault silent"));
    ClickRead();
    EXPECT_EQ(Lamp(), kLampWaiting);
    ASSERT_TRUE(AwaitSimulator("not heard"));

    // Within the line's time-out the request may still be answered: nothing more is sent.
    ClickRead();
    WindowThread().Clock().Advance(999);
    ClickRead();
    EXPECT_EQ(Lamp(), kLampWaiting);

    // Then it counts as lost, and the next read goes out although the lamp is red.
    ASSERT_TRUE(Command("fault none"));
    WindowThread().Clock().Advance(1);
    ReadAndReceive(kReadReplyLength);
    EXPECT_EQ(Lamp(), kLampReady);
    ExpectTableShows(registers_);
    ASSERT_TRUE(SyncWithSimulator());
    EXPECT_EQ(SimulatorLines(" rx "), 2u) << "only the unheard request and the one after the "
                                             "time-out reach the meter";
    EXPECT_EQ(BytesReceived(), static_cast<std::uint64_t>(kReadReplyLength));
}

// A short answer (5 bytes is also the length of a Modbus exception answer) is collected but never
// decoded, and the next read discards it: the reply that follows fills the table by itself.
class ShortAnswer : public ConnectedProgram, public testing::WithParamInterface<int> {};

TEST_P(ShortAnswer, IsNeverDecodedAndTheNextReadDiscardsIt) {
    const int length = GetParam();
    ReadAndReceive(kReadReplyLength);
    ExpectTableShows(registers_);

    ASSERT_TRUE(Command("fault short " + std::to_string(length)));
    ReadAndReceive(static_cast<std::uint64_t>(length));
    EXPECT_EQ(Lamp(), kLampReady);
    ExpectTableShows(registers_);

    ASSERT_TRUE(Command("fault none"));
    ChangeRegister(1234);
    WindowThread().Clock().Advance(100);  // the short answer has ended
    ReadAndReceive(kReadReplyLength);
    ExpectTableShows(registers_);
}

INSTANTIATE_TEST_SUITE_P(Lengths, ShortAnswer, testing::Values(1, 5, 40, 74),
                         [](const auto& info) { return std::to_string(info.param) + "Bytes"; });

TEST_F(ConnectedProgram, AnAnswerWithAWrongChecksumIsNotShown) {
    ReadAndReceive(kReadReplyLength);
    const std::vector<std::uint16_t> shown = registers_;
    ChangeRegister(4321);
    ASSERT_TRUE(Command("fault bad-crc"));
    ReadAndReceive(kReadReplyLength);
    ExpectTableShows(shown);
    EXPECT_EQ(Lamp(), kLampReady);

    ASSERT_TRUE(Command("fault none"));
    ReadAndReceive(kReadReplyLength);
    ExpectTableShows(registers_);
}

TEST_F(ConnectedProgram, ANoiseStreamNeverLeavesAPartTableAndTheNextReadIsExact) {
    constexpr int kNoiseBytes = 100'000;
    ASSERT_TRUE(Command("fault garbage " + std::to_string(kNoiseBytes)));
    ReadAndReceive(kNoiseBytes);
    EXPECT_EQ(PartTablesSeen(), 0u);
    EXPECT_EQ(C().超级列表框1.RowCount(), 0) << "1333 answers' worth of noise, none of it shown";

    ASSERT_TRUE(Command("fault none"));
    WindowThread().Clock().Advance(100);  // the noise has ended
    ReadAndReceive(kReadReplyLength);
    ExpectTableShows(registers_);
    EXPECT_EQ(PartTablesSeen(), 0u);
}

TEST_F(ConnectedProgram, AHangUpInTheMiddleOfAnAnswerDoesNotSpinAndAReconnectRecovers) {
    constexpr std::uint64_t kReceived = 30;
    constexpr auto kCarrierLost = static_cast<std::int32_t>(CommEventCode::CarrierLost);
    ASSERT_TRUE(Command("fault short " + std::to_string(kReceived)));
    ReadAndReceive(kReceived);
    ASSERT_TRUE(Command("hangup 300"));
    ASSERT_TRUE(PumpUntil([&] { return !LineEvents().empty(); }));
    EXPECT_EQ(LineEvents(), std::vector<std::int32_t>{kCarrierLost});

    // A watcher that kept polling the dead line would burn a whole core: the process's CPU time
    // over an idle second is counted, not the second timed.
    const double cpuBefore = ProcessCpuSeconds();
    const auto wallBefore = std::chrono::steady_clock::now();
    PumpFor(std::chrono::seconds(1));
    const double cpu = ProcessCpuSeconds() - cpuBefore;
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
    std::cout << "[ hang-up ] process CPU " << cpu * 1000 << " ms in " << wall * 1000
              << " ms after the hang-up\n";
    EXPECT_LT(cpu, wall / 4);

    // The bytes that came turned the lamp green, so this read is tried once they have ended;
    // the line is gone.
    WindowThread().Clock().Advance(100);
    ClickRead();
    EXPECT_EQ(Lamp(), kLampWaiting);
    EXPECT_EQ(C().联机按钮.Caption(), "断开");

    ASSERT_TRUE(AwaitSimulator("ready "));
    ASSERT_TRUE(Command("fault none"));
    ClickConnect();
    ClickConnect();
    ASSERT_EQ(Lamp(), kLampReady);
    ReadAndReceive(kReadReplyLength);
    ExpectTableShows(registers_);
}

// Another program holds the line the way a careful program does: an exclusive lock on the
// device and the terminal's exclusive mode.
class HeldLine {
  public:
    explicit HeldLine(const std::filesystem::path& device)
        : fd_(open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {
        EXPECT_GE(fd_, 0) << device;
        EXPECT_EQ(flock(fd_, LOCK_EX | LOCK_NB), 0);
        EXPECT_EQ(ioctl(fd_, TIOCEXCL), 0);
    }
    ~HeldLine() { Release(); }
    HeldLine(const HeldLine&) = delete;
    HeldLine& operator=(const HeldLine&) = delete;

    void Release() {
        if (fd_ >= 0) {
            ioctl(fd_, TIOCNXCL);
            close(fd_);
            fd_ = -1;
        }
    }

  private:
    int fd_;
};

TEST_F(LineFaults, APortHeldByAnotherProgramFailsToOpenAndWorksOnceReleased) {
    Start();
    HeldLine held(LineDevice());
    ClickConnect();
    EXPECT_EQ(Lamp(), kLampWaiting);
    EXPECT_EQ(C().联机按钮.Caption(), "断开");
    EXPECT_FALSE(C().端口1.IsOpen());
    EXPECT_FALSE(std::filesystem::exists(UserFile())) << "a failed connect stores nothing";

    held.Release();
    ClickConnect();
    EXPECT_EQ(Lamp(), kLampDisconnected);
    ClickConnect();
    ASSERT_EQ(Lamp(), kLampReady);
    const std::uint64_t awaited = BytesReceived() + kReadReplyLength;
    ClickRead();
    ASSERT_TRUE(PumpUntil([&] { return BytesReceived() >= awaited; }));
    EXPECT_EQ(C().超级列表框1.RowCount(), kRegisterCount);
    EXPECT_TRUE(std::filesystem::exists(UserFile()));
}

}  // namespace
}  // namespace tavr
