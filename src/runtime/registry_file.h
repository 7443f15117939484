#pragma once

#include <filesystem>
#include <memory>

#include "runtime/registry_document.h"

namespace tavr {

enum class RegistryFileState {
    Missing,   // no file: an empty registry that a write may create
    Loaded,    // read and parsed
    Unusable,  // there but not a readable regular file in the registry-export layout
};

struct LoadedRegistryFile {
    RegistryFileState state = RegistryFileState::Missing;
    std::shared_ptr<const RegistryDocument> document;  // never null; empty unless loaded
};

// The largest settings file that is read: far beyond any the program writes, and small enough
// to read and parse in a fraction of a second.
inline constexpr std::size_t MaximumRegistryFileSize = 4 * 1024 * 1024;

// Reads and parses the registry file `file`. Never blocks on a file that is not a regular one
// (a named pipe, a device), and takes a file larger than MaximumRegistryFileSize as unusable.
LoadedRegistryFile LoadRegistryFile(const std::filesystem::path& file);

}  // namespace tavr
