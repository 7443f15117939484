#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "runtime/types.h"

namespace tavr {

// Splits `text` at every occurrence of `delimiter` ("," when left out), keeping leading and
// inner empty pieces but no trailing empty piece. A given `maximum` limits the number of pieces
// (negative counts as 0) and drops the rest of the text.
TextArray SplitText(std::string_view text, std::optional<std::string_view> delimiter = std::nullopt,
                    std::optional<std::int32_t> maximum = std::nullopt);

}  // namespace tavr
