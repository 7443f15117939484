#pragma once

#include <optional>
#include <string_view>

#include "runtime/types.h"

namespace tavr {

// The UTF-8 text of `bytes` read as UTF-16 code units, low byte first, as Windows stores text.
// Nothing when the bytes are not such text: an odd count, or a surrogate without its partner.
std::optional<Text> Utf16LeToUtf8(std::string_view bytes);

}  // namespace tavr
