#pragma once

#include <string_view>

#include "runtime/types.h"

namespace tavr {

// Replaces every `%NAME%` in `text` with the value of the environment variable NAME. A
// reference to a variable that is not set, and a `%` without a closing one, stay as written.
Text ExpandEnvironmentReferences(std::string_view text);

}  // namespace tavr
