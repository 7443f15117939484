#pragma once

#include <cstdint>
#include <span>

#include "runtime/types.h"

namespace tavr {

// The Modbus checksum: reflected polynomial 0xA001, initial value 0xFFFF, no final inversion.
std::uint16_t Crc16(std::span<const std::uint8_t> bytes);

// Seals a frame: appends the checksum of all its bytes, low byte first, as it travels.
void AppendCrc(ByteSet& frame);

// Whether the frame ends with the checksum of the bytes before it, low byte first. A frame too
// short to hold a checksum and a byte before it never matches.
bool CrcMatches(std::span<const std::uint8_t> frame);

}  // namespace tavr
