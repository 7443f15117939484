#include "protocol/frame_codec.h"

#include <array>

namespace tavr {

namespace {

// The checksum's remainder for each value of the byte just folded in (polynomial 0xA001,
// reflected), worked out once at compile time so that a reply's 73 bytes cost a lookup each.
constexpr std::array<std::uint16_t, 256> CrcTable = [] {
    std::array<std::uint16_t, 256> table{};
    for (std::uint32_t value = 0; value < table.size(); ++value) {
        std::uint16_t crc = static_cast<std::uint16_t>(value);
        for (int bit = 0; bit < 8; ++bit) {
            const bool lowBitSet = (crc & 1U) != 0;
            crc >>= 1;
            if (lowBitSet) {
                crc ^= 0xA001;
            }
        }
        table[value] = crc;
    }
    return table;
}();

}  // namespace

std::uint16_t Crc16(std::span<const std::uint8_t> bytes) {
    std::uint16_t crc = 0xFFFF;
    for (std::uint8_t byte : bytes) {
        crc = static_cast<std::uint16_t>((crc >> 8) ^ CrcTable[(crc ^ byte) & 0xFF]);
    }
    return crc;
}

namespace {

// Bytes 0..5 are filled by the caller; the checksum travels low byte first.
ByteSet SealFrame(ByteSet frame) {
    const std::uint16_t crc = Crc16(std::span(frame).first(6));
    frame[6] = static_cast<std::uint8_t>(crc & 0xFF);
    frame[7] = static_cast<std::uint8_t>(crc >> 8);
    return frame;
}

std::uint8_t LowByte(std::int32_t value) {
    return static_cast<std::uint8_t>(value & 0xFF);
}

}  // namespace

ByteSet BuildReadRequest(std::int32_t deviceId) {
    return SealFrame({LowByte(deviceId), ReadFunction, 0x00, 0x00, 0x00,
                      static_cast<std::uint8_t>(RegisterCount), 0, 0});
}

ByteSet BuildWriteRequest(std::int32_t deviceId, std::int32_t row, std::int32_t value) {
    return SealFrame({LowByte(deviceId), WriteFunction, 0x00, LowByte(row), LowByte(value >> 8),
                      LowByte(value), 0, 0});
}

std::int32_t RegisterValue(std::span<const std::uint8_t> reply, int k) {
    return reply[3 + 2 * k] * 256 + reply[4 + 2 * k];
}

}  // namespace tavr
