#pragma once

#include <string>
#include <string_view>

#include "runtime/types.h"

namespace tavr {

// The texts of the window at the Win32 calls: UTF-8 inside, UTF-16 outside. A text that does not
// convert (malformed input) becomes the empty text rather than a guess.
std::wstring ToWide(std::string_view text);
Text FromWide(std::wstring_view text);

// A multi-line edit control breaks lines with CR LF; the program's texts break them with LF.
std::wstring ToWideLines(std::string_view text);
Text FromWideLines(std::wstring_view text);

}  // namespace tavr
