#pragma once

#include <string_view>
#include <vector>

#include "runtime/registry_data.h"
#include "runtime/types.h"

namespace tavr {

// True when two key or value names are equal, ignoring the case of ASCII letters as the
// registry does.
bool SameRegistryName(std::string_view first, std::string_view second);

struct RegistryValue {
    Text name;  // empty: the key's default value
    RegistryData data;

    bool operator==(const RegistryValue&) const = default;
};

struct RegistryKey {
    Text name;  // full name from the root on, e.g. "HKEY_CURRENT_USER\Software"
    std::vector<RegistryValue> values;

    bool operator==(const RegistryKey&) const = default;
};

// The keys of one registry file and their values, in file order.
class RegistryDocument {
  public:
    const std::vector<RegistryKey>& Keys() const { return keys_; }

    const RegistryValue* FindValue(std::string_view keyName, std::string_view valueName) const;

    // The key named `keyName`, added at the end when there is none yet. The reference is valid
    // until the next key is added.
    RegistryKey& OpenOrCreateKey(std::string_view keyName);

    bool operator==(const RegistryDocument&) const = default;

  private:
    std::vector<RegistryKey> keys_;
};

// Stores `data` under `valueName` in `key`: a value of that name keeps its place and spelling
// and takes the new data; otherwise the value is added at the end.
void SetRegistryValue(RegistryKey& key, std::string_view valueName, RegistryData data);

}  // namespace tavr
