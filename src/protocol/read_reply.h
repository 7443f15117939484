#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "protocol/frame_codec.h"
#include "runtime/types.h"

namespace tavr {

// The meter's answer to a read request, taken apart: slave address, function, byte count, the
// register values (high byte first on the line) and whether the checksum (low byte first) matches
// the bytes before it. A pure value: parsing and building do no input or output.
struct ReadReply {
    std::uint8_t slaveAddress = 0;
    std::uint8_t function = 0;
    std::uint8_t byteCount = 0;
    std::array<std::uint16_t, kRegisterCount> values{};
    bool crcMatches = false;

    // Whether this is the intact answer of device `deviceId` to the read request for all
    // registers: its address, function 0x03, byte count 70 and a matching checksum. Anything else
    // (another slave, an exception answer followed by stray bytes, a bit flipped on the line)
    // must not be shown as readings.
    bool IsIntactReplyFrom(std::uint8_t deviceId) const;
};

// Takes a collected 75-byte reply apart. Any 75 bytes parse; IsIntactReplyFrom tells whether
// they are a reply worth decoding.
ReadReply ParseReadReply(std::span<const std::uint8_t, kReadReplyLength> bytes);

// The answer of device `deviceId` carrying `values` (registers in address order, at most 127 so
// that the byte count fits its byte): address, function 0x03, byte count, the values high byte
// first, the checksum low byte first. For all 35 registers it is the 75-byte ReadReply.
ByteSet BuildReadReply(std::uint8_t deviceId, std::span<const std::uint16_t> values);

}  // namespace tavr
