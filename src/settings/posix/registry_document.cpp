#include "settings/posix/registry_document.h"

#include <algorithm>

namespace tavr {

namespace {

char FoldAsciiCase(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

Text FoldedName(std::string_view name) {
    Text folded(name);
    std::transform(folded.begin(), folded.end(), folded.begin(), FoldAsciiCase);
    return folded;
}

}  // namespace

bool SameRegistryName(std::string_view first, std::string_view second) {
    return std::equal(first.begin(), first.end(), second.begin(), second.end(),
                      [](char a, char b) { return FoldAsciiCase(a) == FoldAsciiCase(b); });
}

const std::size_t* RegistryNameIndex::Find(std::string_view name) const {
    const auto found = positions_.find(FoldedName(name));
    return found == positions_.end() ? nullptr : &found->second;
}

std::pair<std::size_t, bool> RegistryNameIndex::FindOrAdd(std::string_view name, std::size_t next) {
    const auto [entry, added] = positions_.try_emplace(FoldedName(name), next);
    return {entry->second, added};
}

const RegistryValue* RegistryKey::FindValue(std::string_view valueName) const {
    const std::size_t* position = index_.Find(valueName);
    return position == nullptr ? nullptr : &values_[*position];
}

void RegistryKey::SetValue(std::string_view valueName, RegistryData data) {
    const auto [position, added] = index_.FindOrAdd(valueName, values_.size());
    if (added) {
        values_.push_back({Text(valueName), std::move(data)});
    } else {
        values_[position].data = std::move(data);
    }
}

const RegistryValue* RegistryDocument::FindValue(std::string_view keyName,
                                                 std::string_view valueName) const {
    const std::size_t* position = index_.Find(keyName);
    return position == nullptr ? nullptr : keys_[*position].FindValue(valueName);
}

RegistryKey& RegistryDocument::OpenOrCreateKey(std::string_view keyName) {
    const auto [position, added] = index_.FindOrAdd(keyName, keys_.size());
    if (added) {
        keys_.emplace_back(Text(keyName));
    }
    return keys_[position];
}

}  // namespace tavr
