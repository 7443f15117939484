#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <utility>

#include "protocol/frame_codec.h"
#include "runtime/types.h"

namespace tavr {

// The raw values of the meter's 35 registers, by address.
using RegisterValues = std::array<std::uint16_t, kRegisterCount>;

// Register values that are 0 except for the given (address, value) pairs.
inline RegisterValues Registers(std::initializer_list<std::pair<int, std::uint16_t>> set) {
    RegisterValues values{};
    for (const auto& [address, value] : set) {
        values[static_cast<std::size_t>(address)] = value;
    }
    return values;
}

// The meter's 75-byte answer to a read request (by default from device 1): address, function,
// byte count, the registers high byte first, the checksum.
inline ByteSet ReplyFrame(const RegisterValues& values, std::uint8_t device = 1) {
    ByteSet reply{device, kReadFunction, static_cast<std::uint8_t>(2 * kRegisterCount)};
    for (const std::uint16_t value : values) {
        reply.push_back(static_cast<std::uint8_t>(value >> 8));
        reply.push_back(static_cast<std::uint8_t>(value & 0xFF));
    }
    AppendCrc(reply);
    return reply;
}

}  // namespace tavr
