#pragma once

#include <string_view>

namespace tavr {

// A registry path taken apart: the key below the root and the name of a value in that key.
struct RegistryPath {
    std::string_view keyPath;    // empty: the root itself
    std::string_view valueName;  // empty: the key's default value
};

// Splits `path` at its last backslash, walking whole UTF-8 characters so that no byte inside a
// character is taken for the separator. Without a backslash the whole path names a value
// directly under the root.
RegistryPath SplitRegistryPath(std::string_view path);

// True when `keyPath` names a key that can exist: the root itself (empty) or names that are
// neither empty nor hold a zero byte or a line break, separated by single backslashes.
bool IsStorableKeyPath(std::string_view keyPath);

// True when `valueName` can name a stored value: no zero byte and no line break.
bool IsStorableValueName(std::string_view valueName);

}  // namespace tavr
