#include "runtime/registry_root.h"

namespace tavr {

RegistryRoot RegistryRootForCode(std::int32_t rootCode) {
    switch (rootCode) {
        case 1:
            return {"HKEY_CLASSES_ROOT", "classes_root.reg"};
        case 2:
            return {"HKEY_CURRENT_CONFIG", "current_config.reg"};
        case 4:
            return {"HKEY_LOCAL_MACHINE", "local_machine.reg"};
        case 5:
            return {"HKEY_USERS", "users.reg"};
        default:
            return {"HKEY_CURRENT_USER", "user.reg"};
    }
}

Text RegistryKeyName(const RegistryRoot& root, std::string_view keyPath) {
    Text name(root.name);
    if (!keyPath.empty()) {
        name += '\\';
        name += keyPath;
    }
    return name;
}

}  // namespace tavr
