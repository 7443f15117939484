// Cross-checks the frame codec against libmodbus, a Modbus implementation independent of ours:
// libmodbus sends its own request frames over a pseudo-terminal, and the bytes that arrive on
// the other side must equal the frames that the codec builds.
#include <modbus.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "protocol/frame_codec.h"

namespace tavr {
namespace {

// Short enough that the wait for a reply that never comes costs little; the reply is never
// looked at, so the outcome does not depend on it.
constexpr std::uint32_t kReplyTimeoutMicroseconds = 5000;
// Only a guard against a hang: libmodbus has written the whole frame before its call returns.
constexpr int kFrameArrivalGuardMilliseconds = 5000;

class LibmodbusFrames : public testing::Test {
  protected:
    void SetUp() override {
        std::array<char, 128> slavePath{};
        ASSERT_EQ(openpty(&master_, &slave_, slavePath.data(), nullptr, nullptr), 0);
        context_ = modbus_new_rtu(slavePath.data(), 9600, 'N', 8, 1);
        ASSERT_NE(context_, nullptr);
        ASSERT_EQ(modbus_set_response_timeout(context_, 0, kReplyTimeoutMicroseconds), 0);
        ASSERT_EQ(modbus_connect(context_), 0) << modbus_strerror(errno);
    }

    void TearDown() override {
        if (context_ != nullptr) {
            modbus_close(context_);
            modbus_free(context_);
        }
        close(slave_);
        close(master_);
    }

    // Everything libmodbus has sent since the last call.
    ByteSet SentBytes() const {
        ByteSet bytes;
        pollfd readable{master_, POLLIN, 0};
        int timeout = kFrameArrivalGuardMilliseconds;
        while (poll(&readable, 1, timeout) == 1) {
            std::array<std::uint8_t, 256> buffer{};
            const ssize_t count = read(master_, buffer.data(), buffer.size());
            if (count <= 0) {
                break;
            }
            bytes.insert(bytes.end(), buffer.begin(), buffer.begin() + count);
            timeout = 0;
        }
        return bytes;
    }

    // libmodbus adds its own checksum to a request given without one.
    ByteSet SentRawRequest(const ByteSet& withoutChecksum) const {
        EXPECT_EQ(modbus_send_raw_request(context_, withoutChecksum.data(),
                                          static_cast<int>(withoutChecksum.size())),
                  kRequestLength);
        return SentBytes();
    }

    int master_ = -1;
    int slave_ = -1;
    modbus_t* context_ = nullptr;
};

TEST_F(LibmodbusFrames, ReadRequestsMatch) {
    for (int deviceId : {0, 1, 5, 17, 100, 247}) {
        ASSERT_EQ(modbus_set_slave(context_, deviceId), 0);
        std::array<std::uint16_t, kRegisterCount> registers{};
        modbus_read_registers(context_, kFirstRegister, kRegisterCount, registers.data());
        EXPECT_EQ(SentBytes(), BuildReadRequest(deviceId)) << "device " << deviceId;
    }
}

TEST_F(LibmodbusFrames, WriteRequestsMatch) {
    for (int deviceId : {0, 1, 247}) {
        ASSERT_EQ(modbus_set_slave(context_, deviceId), 0);
        for (int row : {0x00, 0x04, 0x22}) {
            for (int value : {0, 1, 255, 256, 1000, 0x1234, 65535}) {
                modbus_write_register(context_, row, static_cast<std::uint16_t>(value));
                EXPECT_EQ(SentBytes(), BuildWriteRequest(deviceId, row, value))
                    << "device " << deviceId << " row " << row << " value " << value;
            }
        }
    }
}

// libmodbus will not address a device above 247 by itself, so the checksums of every slave
// address byte are checked on frames that it completes.
TEST_F(LibmodbusFrames, ChecksumsMatchForEverySlaveAddressByte) {
    for (int deviceId = 0; deviceId <= 255; ++deviceId) {
        const auto address = static_cast<std::uint8_t>(deviceId);
        const int row = deviceId % kRegisterCount;
        const int value = deviceId * 257;
        EXPECT_EQ(SentRawRequest({address, kReadFunction, 0x00, 0x00, 0x00, kRegisterCount}),
                  BuildReadRequest(deviceId))
            << "device " << deviceId;
        EXPECT_EQ(SentRawRequest({address, kWriteFunction, 0x00, static_cast<std::uint8_t>(row),
                                  static_cast<std::uint8_t>(value >> 8),
                                  static_cast<std::uint8_t>(value & 0xFF)}),
                  BuildWriteRequest(deviceId, row, value))
            << "device " << deviceId;
    }
}

}  // namespace
}  // namespace tavr
