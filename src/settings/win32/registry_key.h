#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "settings/registry_root.h"

namespace tavr {

// One open key of the real registry, closed when the object goes. Every registry service opens
// its key, uses it and closes it again; nothing is kept between calls.
class RegistryKey {
  public:
    // The predefined key of `root`; a code that names no root gets the current user's.
    static HKEY RootKey(RegistryRoot root);

    // The key at `keyPath` below `root` (empty: the root itself), opened to query its values.
    static std::optional<RegistryKey> OpenForReading(HKEY root, const std::wstring& keyPath);

    // The key at `keyPath` below `root`, opened to set values; it and any missing key above it
    // are created first. A key created here stays even when setting a value then fails.
    static std::optional<RegistryKey> OpenOrCreateForWriting(HKEY root,
                                                             const std::wstring& keyPath);

    RegistryKey(RegistryKey&& other) noexcept;
    RegistryKey& operator=(RegistryKey&& other) noexcept;
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    ~RegistryKey();

    HKEY Handle() const { return key_; }

  private:
    explicit RegistryKey(HKEY key) : key_(key) {}
    void Reset();

    HKEY key_ = nullptr;
};

}  // namespace tavr
