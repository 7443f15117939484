#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tavr {

// Every text of the program is a UTF-8 byte string; an absent text is the empty text.
using Text = std::string;

// A counted byte buffer: request frames are built and sent as one.
using ByteSet = std::vector<std::uint8_t>;

// The ordered pieces that splitting a text yields.
using TextArray = std::vector<Text>;

}  // namespace tavr
