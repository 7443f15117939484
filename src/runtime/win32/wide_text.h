#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "runtime/types.h"

namespace tavr {

// Texts are UTF-8 inside the program and UTF-16 at every Win32 call. Both conversions refuse
// input that is not well formed (a stray byte, a lone surrogate) rather than guess at it.

// Nothing for a text that is not valid UTF-8.
std::optional<std::wstring> WideFromUtf8(std::string_view text);

// Nothing for a text that is not valid UTF-16.
std::optional<Text> Utf8FromWide(std::wstring_view text);

}  // namespace tavr
