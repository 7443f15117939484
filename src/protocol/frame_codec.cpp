#include "protocol/frame_codec.h"

namespace tavr {

namespace {

// The request's six bytes followed by their checksum.
ByteSet SealFrame(ByteSet frame) {
    AppendCrc(frame);
    return frame;
}

std::uint8_t LowByte(std::int32_t value) {
    return static_cast<std::uint8_t>(value & 0xFF);
}

}  // namespace

ByteSet BuildReadRequest(std::int32_t deviceId) {
    return SealFrame({LowByte(deviceId), kReadFunction, 0x00, 0x00, 0x00,
                      static_cast<std::uint8_t>(kRegisterCount)});
}

ByteSet BuildWriteRequest(std::int32_t deviceId, std::int32_t row, std::int32_t value) {
    return SealFrame({LowByte(deviceId), kWriteFunction, 0x00, LowByte(row), LowByte(value >> 8),
                      LowByte(value)});
}

std::int32_t RegisterValue(std::span<const std::uint8_t> reply, int k) {
    return reply[3 + 2 * k] * 256 + reply[4 + 2 * k];
}

}  // namespace tavr
