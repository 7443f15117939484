#pragma once

#include <cstdint>
#include <span>

#include "protocol/crc.h"
#include "runtime/types.h"

namespace tavr {

// Modbus RTU frames exchanged with the meter.
inline constexpr int kRegisterCount = 35;
inline constexpr int kFirstRegister = 0x0000;
inline constexpr std::uint8_t kReadFunction = 0x03;
inline constexpr std::uint8_t kWriteFunction = 0x06;
inline constexpr int kRequestLength = 8;
inline constexpr int kReadReplyLength = 75;

// Read request for all 35 holding registers; only the low 8 bits of the device ID are used.
ByteSet BuildReadRequest(std::int32_t deviceId);

// Write-single-register request. The row is the register address (its low 8 bits are used);
// the value has already been limited to 0..65535 by the caller.
ByteSet BuildWriteRequest(std::int32_t deviceId, std::int32_t row, std::int32_t value);

// Raw value of register k (0..34) in a complete 75-byte read reply, high byte first.
std::int32_t RegisterValue(std::span<const std::uint8_t> reply, int k);

}  // namespace tavr
