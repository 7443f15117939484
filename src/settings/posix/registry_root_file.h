#pragma once

#include <string_view>

#include "runtime/types.h"
#include "settings/registry_root.h"

namespace tavr {

// A root of the registry as this store keeps it: the name section headers give it and the file,
// beside the per-user one, that holds its keys.
struct RegistryRootFile {
    std::string_view name;      // as section headers spell it, e.g. "HKEY_CURRENT_USER"
    std::string_view fileName;  // e.g. "user.reg"
};

// The file of `root`; a code that names no root gets the current user's.
RegistryRootFile RegistryRootFileOf(RegistryRoot root);

// Full name of the key at `keyPath` below `root`, as a section header holds it.
Text RegistryKeyName(const RegistryRootFile& root, std::string_view keyPath);

}  // namespace tavr
