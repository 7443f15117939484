#pragma once

#include <filesystem>

#include "runtime/registry_document.h"

namespace tavr {

enum class RegistryFileState {
    Missing,   // no file: an empty registry that a write may create
    Loaded,    // read and parsed
    Unusable,  // there but not a readable regular file in the registry-export layout
};

struct LoadedRegistryFile {
    RegistryFileState state = RegistryFileState::Missing;
    RegistryDocument document;  // empty unless loaded
};

// Reads and parses the registry file `file`. Never blocks on a file that is not a regular one
// (a named pipe, a device), and takes a file larger than any settings file could be as unusable.
LoadedRegistryFile LoadRegistryFile(const std::filesystem::path& file);

}  // namespace tavr
