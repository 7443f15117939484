#include "protocol/crc.h"

#include <array>

namespace tavr {

namespace {

// The checksum's remainder for each value of the byte just folded in (polynomial 0xA001,
// reflected), worked out once at compile time so that a reply's 73 bytes cost a lookup each.
constexpr std::array<std::uint16_t, 256> kCrcTable = [] {
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
        crc = static_cast<std::uint16_t>((crc >> 8) ^ kCrcTable[(crc ^ byte) & 0xFF]);
    }
    return crc;
}

void AppendCrc(ByteSet& frame) {
    const std::uint16_t crc = Crc16(frame);
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
}

bool CrcMatches(std::span<const std::uint8_t> frame) {
    if (frame.size() < 3) {
        return false;
    }
    const std::size_t length = frame.size() - 2;
    const std::uint16_t crc = Crc16(frame.first(length));
    return frame[length] == (crc & 0xFF) && frame[length + 1] == (crc >> 8);
}

}  // namespace tavr
