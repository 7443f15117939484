#pragma once

#include <cstdint>
#include <optional>

#include "runtime/types.h"
#include "runtime/value.h"

namespace tavr {

// Type numbers of registry values. Values of any other type number are kept as they were read.
inline constexpr std::uint32_t kRegistryStringType = 1;
inline constexpr std::uint32_t kRegistryExpandStringType = 2;
inline constexpr std::uint32_t kRegistryBinaryType = 3;
inline constexpr std::uint32_t kRegistryDwordType = 4;
inline constexpr std::uint32_t kRegistryMultiStringType = 7;

// The stored form of a registry value: its type number and its bytes. A string keeps its
// terminating zero byte; a 32-bit number is stored low byte first.
struct RegistryData {
    std::uint32_t type = kRegistryBinaryType;
    ByteSet bytes;

    bool operator==(const RegistryData&) const = default;
};

// The stored form of `value`: a text as a string, a number as a 32-bit number (a byte
// zero-extended, a short sign-extended, an int64 by its low 32 bits, a float or double
// truncated toward zero and limited to the int32 range, NaN as 0), a ByteSet as binary data.
// Values of any other type have no stored form.
std::optional<RegistryData> EncodeRegistryData(const Value& value);

// The text of a string or expandable string value (expanded from the environment), up to its
// first zero byte. Values of any other type hold no text.
std::optional<Text> DecodeRegistryText(const RegistryData& data);

}  // namespace tavr
