#pragma once

#include <cstddef>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "runtime/types.h"
#include "settings/registry_data.h"

namespace tavr {

// True when two key or value names are equal, ignoring the case of ASCII letters as the
// registry does.
bool SameRegistryName(std::string_view first, std::string_view second);

struct RegistryValue {
    Text name;  // empty: the key's default value
    RegistryData data;

    bool operator==(const RegistryValue&) const = default;
};

// Positions of named items, found by the name with its ASCII letters in upper case, so that a
// file of many keys or values is read in linear time.
class RegistryNameIndex {
  public:
    const std::size_t* Find(std::string_view name) const;

    // The position of `name`; when it has none yet, `next` becomes its position and the second
    // member is true.
    std::pair<std::size_t, bool> FindOrAdd(std::string_view name, std::size_t next);

  private:
    std::unordered_map<Text, std::size_t> positions_;
};

// A key and its values, in file order.
class RegistryKey {
  public:
    explicit RegistryKey(Text name) : name_(std::move(name)) {}

    // Full name from the root on, e.g. "HKEY_CURRENT_USER\Software".
    const Text& Name() const { return name_; }
    const std::vector<RegistryValue>& Values() const { return values_; }

    const RegistryValue* FindValue(std::string_view valueName) const;

    // Stores `data` under `valueName`: a value of that name keeps its place and spelling and
    // takes the new data; otherwise the value is added at the end.
    void SetValue(std::string_view valueName, RegistryData data);

    bool operator==(const RegistryKey& other) const {
        return name_ == other.name_ && values_ == other.values_;
    }

  private:
    Text name_;
    std::vector<RegistryValue> values_;
    RegistryNameIndex index_;
};

// The keys of one registry file and their values, in file order.
class RegistryDocument {
  public:
    const std::vector<RegistryKey>& Keys() const { return keys_; }

    const RegistryValue* FindValue(std::string_view keyName, std::string_view valueName) const;

    // The key named `keyName`, added at the end when there is none yet. The reference is valid
    // until the next key is added.
    RegistryKey& OpenOrCreateKey(std::string_view keyName);

    bool operator==(const RegistryDocument& other) const { return keys_ == other.keys_; }

  private:
    std::vector<RegistryKey> keys_;
    RegistryNameIndex index_;
};

}  // namespace tavr
