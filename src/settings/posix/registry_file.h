#pragma once

#include <filesystem>
#include <memory>

#include "settings/posix/registry_document.h"

namespace tavr {

enum class RegistryFileState {
    Missing,   // no file: an empty registry that a write may create
    Loaded,    // read and parsed
    Unusable,  // there but not a readable regular file in the registry-export layout, or not
               // this user's own file that only they may change
};

struct LoadedRegistryFile {
    RegistryFileState state = RegistryFileState::Missing;
    std::shared_ptr<const RegistryDocument> document;  // never null; empty unless loaded
};

// The largest settings file that is read: far beyond any the program writes, and small enough
// to read and parse in a fraction of a second.
inline constexpr std::size_t kMaximumRegistryFileSize = 4 * 1024 * 1024;

// Reads and parses the registry file `file`. Never blocks on a file that is not a regular one
// (a named pipe, a device), and takes as unusable a file larger than kMaximumRegistryFileSize
// and one owned by another user or writable by group or others (saying so, see
// IsPrivatelyOwned).
LoadedRegistryFile LoadRegistryFile(const std::filesystem::path& file);

}  // namespace tavr
