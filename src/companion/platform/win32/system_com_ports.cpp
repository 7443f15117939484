#include "companion/platform/win32/system_com_ports.h"

#include <algorithm>
#include <cwctype>

#include "runtime/win32/wide_text.h"
#include "settings/win32/registry_key.h"

namespace tavr {

namespace {

constexpr std::wstring_view kPortPrefix = L"COM";
constexpr std::int32_t kHighestPortNumber = 255;
const wchar_t* const kDeviceMapKey = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";

bool StartsWithPortPrefix(std::wstring_view name) {
    if (name.size() < kPortPrefix.size()) {
        return false;
    }
    return std::equal(kPortPrefix.begin(), kPortPrefix.end(), name.begin(),
                      [](wchar_t wanted, wchar_t given) {
                          return wanted == static_cast<wchar_t>(std::towupper(given));
                      });
}

// A REG_SZ value's text: registry strings need not end in a null, and may carry several.
std::wstring_view StoredText(const std::vector<wchar_t>& data, DWORD bytes) {
    const std::wstring_view whole(data.data(), bytes / sizeof(wchar_t));
    return whole.substr(0, whole.find(L'\0'));
}

struct KeySizes {
    DWORD values = 0;
    DWORD longestName = 0;
    DWORD largestData = 0;
};

std::optional<KeySizes> SizesOf(HKEY key) {
    KeySizes sizes;
    if (::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &sizes.values,
                           &sizes.longestName, &sizes.largestData, nullptr,
                           nullptr) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return sizes;
}

// The port a value announces, when it names one and its device name is readable text.
std::optional<SystemComPort> PortOfValue(std::wstring_view valueName, DWORD type,
                                         const std::vector<wchar_t>& data, DWORD bytes) {
    if (type != REG_SZ) {
        return std::nullopt;
    }
    const std::optional<std::int32_t> number = ComPortNumber(StoredText(data, bytes));
    const std::optional<Text> device = Utf8FromWide(valueName);
    if (!number || !device) {
        return std::nullopt;
    }
    return SystemComPort{*number, *device};
}

}  // namespace

std::optional<std::int32_t> ComPortNumber(std::wstring_view name) {
    if (!StartsWithPortPrefix(name)) {
        return std::nullopt;
    }
    const std::wstring_view digits = name.substr(kPortPrefix.size());
    if (digits.empty() || digits.size() > 3 || digits.front() == L'0') {
        return std::nullopt;
    }
    std::int32_t number = 0;
    for (const wchar_t digit : digits) {
        if (digit < L'0' || digit > L'9') {
            return std::nullopt;
        }
        number = number * 10 + (digit - L'0');
    }
    if (number > kHighestPortNumber) {
        return std::nullopt;
    }
    return number;
}

std::vector<SystemComPort> ListComPortsUnder(HKEY root, const std::wstring& keyPath) {
    std::vector<SystemComPort> ports;
    const std::optional<RegistryKey> key = RegistryKey::OpenForReading(root, keyPath);
    if (!key) {
        return ports;
    }
    const std::optional<KeySizes> sizes = SizesOf(key->Handle());
    if (!sizes) {
        return ports;
    }
    std::vector<wchar_t> name(sizes->longestName + 1);
    std::vector<wchar_t> data(sizes->largestData / sizeof(wchar_t) + 1);
    for (DWORD index = 0; index < sizes->values; ++index) {
        auto nameLength = static_cast<DWORD>(name.size());
        auto dataBytes = static_cast<DWORD>(data.size() * sizeof(wchar_t));
        DWORD type = REG_NONE;
        // A value added since the sizes were read may not fit: it is left out, as it would be
        // had it come a moment later.
        if (::RegEnumValueW(key->Handle(), index, name.data(), &nameLength, nullptr, &type,
                            reinterpret_cast<BYTE*>(data.data()), &dataBytes) != ERROR_SUCCESS) {
            continue;
        }
        if (auto port = PortOfValue({name.data(), nameLength}, type, data, dataBytes)) {
            ports.push_back(std::move(*port));
        }
    }
    std::sort(ports.begin(), ports.end(), [](const SystemComPort& a, const SystemComPort& b) {
        return a.number != b.number ? a.number < b.number : a.device < b.device;
    });
    ports.erase(std::unique(ports.begin(), ports.end(),
                            [](const SystemComPort& a, const SystemComPort& b) {
                                return a.number == b.number;
                            }),
                ports.end());
    return ports;
}

std::vector<SystemComPort> ListSystemComPorts() {
    return ListComPortsUnder(HKEY_LOCAL_MACHINE, kDeviceMapKey);
}

}  // namespace tavr
