#include "protocol/read_reply.h"

namespace tavr {

namespace {

// Bytes before the register values: address, function, byte count.
constexpr std::size_t HeaderLength = 3;
constexpr std::size_t ChecksumOffset = ReadReplyLength - 2;
constexpr std::uint8_t FullByteCount = 2 * RegisterCount;

}  // namespace

bool ReadReply::IsIntactReplyFrom(std::uint8_t deviceId) const {
    return slaveAddress == deviceId && function == ReadFunction && byteCount == FullByteCount &&
           crcMatches;
}

ReadReply ParseReadReply(std::span<const std::uint8_t, ReadReplyLength> bytes) {
    ReadReply reply;
    reply.slaveAddress = bytes[0];
    reply.function = bytes[1];
    reply.byteCount = bytes[2];
    for (int k = 0; k < RegisterCount; ++k) {
        reply.values[static_cast<std::size_t>(k)] =
            static_cast<std::uint16_t>(RegisterValue(bytes, k));
    }
    const std::uint16_t crc = Crc16(bytes.first(ChecksumOffset));
    reply.crcMatches =
        bytes[ChecksumOffset] == (crc & 0xFF) && bytes[ChecksumOffset + 1] == (crc >> 8);
    return reply;
}

ByteSet BuildReadReply(std::uint8_t deviceId, std::span<const std::uint16_t> values) {
    ByteSet reply;
    reply.reserve(HeaderLength + 2 * values.size() + 2);
    reply.push_back(deviceId);
    reply.push_back(ReadFunction);
    reply.push_back(static_cast<std::uint8_t>(2 * values.size()));
    for (const std::uint16_t value : values) {
        reply.push_back(static_cast<std::uint8_t>(value >> 8));
        reply.push_back(static_cast<std::uint8_t>(value & 0xFF));
    }
    const std::uint16_t crc = Crc16(reply);
    reply.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    reply.push_back(static_cast<std::uint8_t>(crc >> 8));
    return reply;
}

}  // namespace tavr
