#include "settings/win32/registry_key.h"

#include <utility>

namespace tavr {

HKEY RegistryKey::RootKey(RegistryRoot root) {
    switch (root) {
        case RegistryRoot::ClassesRoot:
            return HKEY_CLASSES_ROOT;
        case RegistryRoot::CurrentConfig:
            return HKEY_CURRENT_CONFIG;
        case RegistryRoot::LocalMachine:
            return HKEY_LOCAL_MACHINE;
        case RegistryRoot::Users:
            return HKEY_USERS;
        case RegistryRoot::CurrentUser:
            break;
    }
    return HKEY_CURRENT_USER;
}

std::optional<RegistryKey> RegistryKey::OpenForReading(HKEY root, const std::wstring& keyPath) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root, keyPath.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return RegistryKey(key);
}

std::optional<RegistryKey> RegistryKey::OpenOrCreateForWriting(HKEY root,
                                                               const std::wstring& keyPath) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root, keyPath.c_str(), 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        return RegistryKey(key);
    }
    if (::RegCreateKeyExW(root, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                          nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return RegistryKey(key);
}

RegistryKey::RegistryKey(RegistryKey&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}

RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept {
    if (this != &other) {
        Reset();
        key_ = std::exchange(other.key_, nullptr);
    }
    return *this;
}

RegistryKey::~RegistryKey() {
    Reset();
}

void RegistryKey::Reset() {
    if (key_ != nullptr) {
        ::RegCloseKey(key_);
        key_ = nullptr;
    }
}

}  // namespace tavr
