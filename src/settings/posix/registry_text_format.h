#pragma once

#include <optional>
#include <string_view>

#include "runtime/types.h"
#include "settings/posix/registry_document.h"

namespace tavr {

// Reads the registry-export layout: a "REGEDIT4" header line (the later "Windows Registry
// Editor Version 5.00" header is accepted too, and so is a UTF-8 byte order mark, or a UTF-16
// one before text in UTF-16 with the low byte first, as Windows writes its exports), then sections
// "[key name]" holding value lines `"name"=...` or `@=...` for the default value, with the data
// as `"text"` (only \\ and \" escaped), `dword:` with up to 8 hex digits, `hex:` or `hex(type):`
// with comma-separated bytes that may go on over lines ending in a backslash. Blank lines and
// lines starting with ';' are skipped; LF and CR LF line ends are both read. Under the later
// header the bytes of `hex(1):`, `hex(2):` and `hex(7):` texts are UTF-16 and are kept as UTF-8.
// Text with no lines at all is an empty document; any other text that does not follow the
// layout gives nothing. Takes time in proportion to the length of the text.
std::optional<RegistryDocument> ParseRegistryText(std::string_view text);

// Writes `document` in the registry-export layout with LF line ends: the "REGEDIT4" header,
// every key as a section after a blank line, and a blank line at the end. A string is written
// as quoted text unless it holds a line break or an inner zero byte; then, like any type without
// a form of its own, it is written as `hex(type):`.
Text FormatRegistryText(const RegistryDocument& document);

}  // namespace tavr
