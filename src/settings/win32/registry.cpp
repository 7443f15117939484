#include "settings/registry.h"

#include <windows.h>

#include <algorithm>
#include <limits>
#include <vector>

#include "runtime/win32/wide_text.h"
#include "settings/registry_data.h"
#include "settings/registry_path.h"
#include "settings/win32/registry_key.h"

// The registry services on Windows: the real registry, through its UTF-16 interface. Paths and
// texts are UTF-8 inside the program and converted at each call.

namespace tavr {
namespace {

// A value may grow between asking for its size and reading it; a few tries settle that.
constexpr int kReadAttempts = 4;

struct WidePath {
    std::wstring keyPath;
    std::wstring valueName;
};

std::optional<WidePath> WidenPath(std::string_view path) {
    const RegistryPath split = SplitRegistryPath(path);
    std::optional<std::wstring> keyPath = WideFromUtf8(split.keyPath);
    std::optional<std::wstring> valueName = WideFromUtf8(split.valueName);
    if (!keyPath || !valueName) {
        return std::nullopt;
    }
    return WidePath{std::move(*keyPath), std::move(*valueName)};
}

bool IsTextType(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ;
}

struct StoredText {
    DWORD type = REG_NONE;
    std::wstring text;  // up to the first zero character
};

// The text of a string or expandable string value; nothing for a value of another type or one
// that cannot be read.
std::optional<StoredText> QueryText(HKEY key, const std::wstring& valueName) {
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        DWORD type = REG_NONE;
        DWORD size = 0;
        if (::RegQueryValueExW(key, valueName.c_str(), nullptr, &type, nullptr, &size) !=
                ERROR_SUCCESS ||
            !IsTextType(type)) {
            return std::nullopt;
        }
        // Room for a terminator the stored value may lack, and for an odd byte count.
        std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 2, L'\0');
        DWORD read = static_cast<DWORD>((buffer.size() - 1) * sizeof(wchar_t));
        const LSTATUS status = ::RegQueryValueExW(key, valueName.c_str(), nullptr, &type,
                                                  reinterpret_cast<BYTE*>(buffer.data()), &read);
        if (status == ERROR_MORE_DATA) {
            continue;
        }
        if (status != ERROR_SUCCESS || !IsTextType(type)) {
            return std::nullopt;
        }
        // A trailing odd byte is half a character and is left out.
        const auto stored = buffer.begin() + static_cast<std::ptrdiff_t>(read / sizeof(wchar_t));
        return StoredText{type,
                          std::wstring(buffer.begin(), std::find(buffer.begin(), stored, L'\0'))};
    }
    return std::nullopt;
}

std::optional<std::wstring> ExpandWide(const std::wstring& text) {
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        const DWORD needed = ::ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
        if (needed == 0) {
            return std::nullopt;
        }
        std::wstring expanded(needed, L'\0');
        const DWORD written = ::ExpandEnvironmentStringsW(text.c_str(), expanded.data(), needed);
        if (written == 0) {
            return std::nullopt;
        }
        if (written <= needed) {
            expanded.resize(written - 1);
            return expanded;
        }
    }
    return std::nullopt;
}

std::optional<Text> ReadText(RegistryRoot root, std::string_view path) {
    const std::optional<WidePath> widePath = WidenPath(path);
    if (!widePath) {
        return std::nullopt;
    }
    const std::optional<RegistryKey> key =
        RegistryKey::OpenForReading(RegistryKey::RootKey(root), widePath->keyPath);
    if (!key) {
        return std::nullopt;
    }
    std::optional<StoredText> stored = QueryText(key->Handle(), widePath->valueName);
    if (!stored) {
        return std::nullopt;
    }
    if (stored->type == REG_EXPAND_SZ) {
        std::optional<std::wstring> expanded = ExpandWide(stored->text);
        if (!expanded) {
            return std::nullopt;
        }
        stored->text = std::move(*expanded);
    }
    return Utf8FromWide(stored->text);
}

// The bytes RegSetValueExW takes for `data`: a string as UTF-16 with its terminating zero,
// numbers and binary data as they are.
std::optional<std::vector<BYTE>> NativeBytes(const RegistryData& data) {
    if (data.type != kRegistryStringType) {
        return std::vector<BYTE>(data.bytes.begin(), data.bytes.end());
    }
    // The encoded string ends with its zero byte, which the wide form adds back.
    const std::string_view text(reinterpret_cast<const char*>(data.bytes.data()),
                                data.bytes.size() - 1);
    const std::optional<std::wstring> wide = WideFromUtf8(text);
    if (!wide) {
        return std::nullopt;
    }
    const auto* first = reinterpret_cast<const BYTE*>(wide->c_str());
    return std::vector<BYTE>(first, first + (wide->size() + 1) * sizeof(wchar_t));
}

}  // namespace

Text ReadRegistryText(RegistryRoot root, std::string_view path, std::optional<Text> defaultText) {
    std::optional<Text> text = ReadText(root, path);
    if (!text) {
        return std::move(defaultText).value_or(Text{});
    }
    return std::move(*text);
}

bool WriteRegistry(RegistryRoot root, std::string_view path, const Value& value) {
    const std::optional<RegistryData> data = EncodeRegistryData(value);
    if (!data) {
        return false;
    }
    const std::optional<std::vector<BYTE>> bytes = NativeBytes(*data);
    const std::optional<WidePath> widePath = WidenPath(path);
    if (!bytes || !widePath ||
        bytes->size() > static_cast<std::size_t>(std::numeric_limits<DWORD>::max())) {
        return false;
    }
    const std::optional<RegistryKey> key =
        RegistryKey::OpenOrCreateForWriting(RegistryKey::RootKey(root), widePath->keyPath);
    if (!key) {
        return false;
    }
    return ::RegSetValueExW(key->Handle(), widePath->valueName.c_str(), 0, data->type,
                            bytes->data(), static_cast<DWORD>(bytes->size())) == ERROR_SUCCESS;
}

}  // namespace tavr
