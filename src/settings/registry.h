#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "runtime/types.h"
#include "runtime/value.h"
#include "settings/registry_root.h"

namespace tavr {

// The registry as this program keeps it on Linux: each root is a file in the registry-export
// layout in the program's per-user folder (ProgramConfigFolder), the current user's being
// "user.reg". A path is the key below the root, a backslash and the value name; a path
// without a backslash names a value directly under the root. Key and value names are compared
// without regard to the case of ASCII letters. A root code that names no root is the current
// user (RegistryRoot).

// The text of a string or expandable string value (the latter with its %NAME% references
// expanded from the environment). A missing or unreadable file, key or value, or a value of
// another type gives `defaultText`, or the empty text when none is given.
Text ReadRegistryText(RegistryRoot root, std::string_view path,
                      std::optional<Text> defaultText = std::nullopt);

// Stores `value` at `path`, creating the key, the file and its folder when missing, and keeping
// every other key and value of the file. A text is stored as a string; a byte, short, int32,
// int64, float or double as a 32-bit number; a ByteSet as binary data. True when the value was
// written; false, with the file left as it was, for a value of another type, a key or value
// name that cannot be stored, a file that is there but cannot be read or parsed (so that what
// it holds is not lost), a file that would grow beyond the size that is read, or a file that
// cannot be replaced.
bool WriteRegistry(RegistryRoot root, std::string_view path, const Value& value);

}  // namespace tavr
