#pragma once

#include <string_view>

#include "runtime/types.h"

namespace tavr {

// A copy of `text` in which the full-width forms an operator may type are replaced by their
// ASCII bytes: the ideographic space U+3000 by a space, the forms U+FF01 to U+FF5E by "!" to "~",
// U+FFE5 (yen sign) by "$", U+FFE3 (macron) by "~", and the stars U+2605 and U+2606 by "*".
// Every other byte is copied unchanged, except a multi-byte character cut short by the end of
// the text, which is left out.
Text NarrowFullWidth(std::string_view text);

}  // namespace tavr
