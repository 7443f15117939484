#pragma once

#include <concepts>
#include <cstdint>

namespace tavr {

// Bitwise combinations of one or more values, from the first to the last. Each argument counts
// as its low 32 bits; a single argument is the result itself.
template <std::integral First, std::integral... More>
constexpr std::int32_t BitAnd(First first, More... more) {
    return (static_cast<std::int32_t>(first) & ... & static_cast<std::int32_t>(more));
}

template <std::integral First, std::integral... More>
constexpr std::int32_t BitXor(First first, More... more) {
    return (static_cast<std::int32_t>(first) ^ ... ^ static_cast<std::int32_t>(more));
}

template <std::integral First, std::integral... More>
constexpr std::int32_t BitOr(First first, More... more) {
    return (static_cast<std::int32_t>(first) | ... | static_cast<std::int32_t>(more));
}

// Arithmetic shift to the right: the sign bit is copied in from the left. Only the low five bits
// of `count` count, so a count of 33 shifts by 1.
constexpr std::int32_t ShiftRight(std::int32_t value, std::int32_t count) {
    return value >> (count & 31);
}

}  // namespace tavr
