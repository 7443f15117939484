#include "settings/registry_path.h"

#include <optional>

#include "runtime/utf8.h"

namespace tavr {

namespace {

constexpr char kSeparator = '\\';

bool HoldsUnstorableByte(std::string_view name) {
    return name.find_first_of(std::string_view("\0\r\n", 3)) != std::string_view::npos;
}

}  // namespace

RegistryPath SplitRegistryPath(std::string_view path) {
    std::optional<std::size_t> lastSeparator;
    for (std::size_t position = 0; position < path.size();
         position += Utf8CharacterLength(path, position)) {
        if (path[position] == kSeparator) {
            lastSeparator = position;
        }
    }
    if (!lastSeparator) {
        return {{}, path};
    }
    return {path.substr(0, *lastSeparator), path.substr(*lastSeparator + 1)};
}

bool IsStorableKeyPath(std::string_view keyPath) {
    if (keyPath.empty()) {
        return true;
    }
    if (HoldsUnstorableByte(keyPath) || keyPath.front() == kSeparator ||
        keyPath.back() == kSeparator) {
        return false;
    }
    return keyPath.find(std::string_view("\\\\")) == std::string_view::npos;
}

bool IsStorableValueName(std::string_view valueName) {
    return !HoldsUnstorableByte(valueName);
}

}  // namespace tavr
