#include "settings/posix/registry_root_file.h"

namespace tavr {

RegistryRootFile RegistryRootFileOf(RegistryRoot root) {
    switch (root) {
        case RegistryRoot::ClassesRoot:
            return {"HKEY_CLASSES_ROOT", "classes_root.reg"};
        case RegistryRoot::CurrentConfig:
            return {"HKEY_CURRENT_CONFIG", "current_config.reg"};
        case RegistryRoot::LocalMachine:
            return {"HKEY_LOCAL_MACHINE", "local_machine.reg"};
        case RegistryRoot::Users:
            return {"HKEY_USERS", "users.reg"};
        case RegistryRoot::CurrentUser:
            break;
    }
    return {"HKEY_CURRENT_USER", "user.reg"};
}

Text RegistryKeyName(const RegistryRootFile& root, std::string_view keyPath) {
    Text name(root.name);
    if (!keyPath.empty()) {
        name += '\\';
        name += keyPath;
    }
    return name;
}

}  // namespace tavr
