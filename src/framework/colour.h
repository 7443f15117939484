#pragma once

#include <cstdint>

namespace tavr {

// A colour as 0x00BBGGRR: red in the low byte.
using Colour = std::uint32_t;

}  // namespace tavr
