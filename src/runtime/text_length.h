#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string_view>

namespace tavr {

// The number of bytes of `text`; a character beyond ASCII counts all its UTF-8 bytes.
inline std::int32_t TextLength(std::string_view text) {
    constexpr std::size_t kMax = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::min(text.size(), kMax));
}

}  // namespace tavr
