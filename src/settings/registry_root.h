#pragma once

#include <cstdint>

namespace tavr {

// The roots of the registry, by the codes the registry services take. A code that names no
// root (any other number) stands for the current user.
enum class RegistryRoot : std::int32_t {
    ClassesRoot = 1,
    CurrentConfig = 2,
    CurrentUser = 3,
    LocalMachine = 4,
    Users = 5,
};

}  // namespace tavr
