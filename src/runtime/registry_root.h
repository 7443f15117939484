#pragma once

#include <cstdint>
#include <string_view>

#include "runtime/types.h"

namespace tavr {

// A root of the registry and the file beside the per-user one that holds its keys.
struct RegistryRoot {
    std::string_view name;      // as section headers spell it, e.g. "HKEY_CURRENT_USER"
    std::string_view fileName;  // e.g. "user.reg"
};

// The root a root code names: 1 classes root, 2 current configuration, 3 current user,
// 4 local machine, 5 users; any other code names the current user.
RegistryRoot RegistryRootForCode(std::int32_t rootCode);

// Full name of the key at `keyPath` below `root`, as a section header holds it.
Text RegistryKeyName(const RegistryRoot& root, std::string_view keyPath);

}  // namespace tavr
