#include "runtime/win32/wide_text.h"

#include <windows.h>

#include <limits>

namespace tavr {

std::optional<std::wstring> WideFromUtf8(std::string_view text) {
    if (text.empty()) {
        return std::wstring();
    }
    if (text.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        return std::nullopt;
    }
    const int length = static_cast<int>(text.size());
    const int wideLength =
        ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), length, nullptr, 0);
    if (wideLength <= 0) {
        return std::nullopt;
    }
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    if (::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), length, wide.data(),
                              wideLength) != wideLength) {
        return std::nullopt;
    }
    return wide;
}

std::optional<Text> Utf8FromWide(std::wstring_view text) {
    if (text.empty()) {
        return Text();
    }
    if (text.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        return std::nullopt;
    }
    const int length = static_cast<int>(text.size());
    const int narrowLength = ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(),
                                                   length, nullptr, 0, nullptr, nullptr);
    if (narrowLength <= 0) {
        return std::nullopt;
    }
    Text narrow(static_cast<std::size_t>(narrowLength), '\0');
    if (::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), length, narrow.data(),
                              narrowLength, nullptr, nullptr) != narrowLength) {
        return std::nullopt;
    }
    return narrow;
}

}  // namespace tavr
