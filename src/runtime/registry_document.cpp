#include "runtime/registry_document.h"

#include <algorithm>

namespace tavr {

namespace {

char FoldAsciiCase(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

template <typename Items>
auto FindNamed(Items& items, std::string_view name) {
    return std::find_if(items.begin(), items.end(),
                        [name](const auto& item) { return SameRegistryName(item.name, name); });
}

}  // namespace

bool SameRegistryName(std::string_view first, std::string_view second) {
    return std::equal(first.begin(), first.end(), second.begin(), second.end(),
                      [](char a, char b) { return FoldAsciiCase(a) == FoldAsciiCase(b); });
}

const RegistryValue* RegistryDocument::FindValue(std::string_view keyName,
                                                 std::string_view valueName) const {
    const auto key = FindNamed(keys_, keyName);
    if (key == keys_.end()) {
        return nullptr;
    }
    const auto value = FindNamed(key->values, valueName);
    return value == key->values.end() ? nullptr : &*value;
}

RegistryKey& RegistryDocument::OpenOrCreateKey(std::string_view keyName) {
    const auto key = FindNamed(keys_, keyName);
    if (key != keys_.end()) {
        return *key;
    }
    return keys_.emplace_back(RegistryKey{Text(keyName), {}});
}

void SetRegistryValue(RegistryKey& key, std::string_view valueName, RegistryData data) {
    const auto value = FindNamed(key.values, valueName);
    if (value != key.values.end()) {
        value->data = std::move(data);
    } else {
        key.values.push_back({Text(valueName), std::move(data)});
    }
}

}  // namespace tavr
