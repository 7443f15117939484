#include "protocol/read_reply.h"

namespace tavr {

namespace {

// Bytes before the register values: address, function, byte count.
constexpr std::size_t kHeaderLength = 3;
constexpr std::uint8_t kFullByteCount = 2 * kRegisterCount;

}  // namespace

bool ReadReply::IsIntactReplyFrom(std::uint8_t deviceId) const {
    return slaveAddress == deviceId && function == kReadFunction && byteCount == kFullByteCount &&
           crcMatches;
}

ReadReply ParseReadReply(std::span<const std::uint8_t, kReadReplyLength> bytes) {
    ReadReply reply;
    reply.slaveAddress = bytes[0];
    reply.function = bytes[1];
    reply.byteCount = bytes[2];
    for (int k = 0; k < kRegisterCount; ++k) {
        reply.values[static_cast<std::size_t>(k)] =
            static_cast<std::uint16_t>(RegisterValue(bytes, k));
    }
    reply.crcMatches = CrcMatches(bytes);
    return reply;
}

ByteSet BuildReadReply(std::uint8_t deviceId, std::span<const std::uint16_t> values) {
    ByteSet reply;
    reply.reserve(kHeaderLength + 2 * values.size() + 2);
    reply.push_back(deviceId);
    reply.push_back(kReadFunction);
    reply.push_back(static_cast<std::uint8_t>(2 * values.size()));
    for (const std::uint16_t value : values) {
        reply.push_back(static_cast<std::uint8_t>(value >> 8));
        reply.push_back(static_cast<std::uint8_t>(value & 0xFF));
    }
    AppendCrc(reply);
    return reply;
}

}  // namespace tavr
