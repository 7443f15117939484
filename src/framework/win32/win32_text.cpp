#include "framework/win32/win32_text.h"

#include "runtime/win32/wide_text.h"

namespace tavr {

std::wstring ToWide(std::string_view text) {
    return WideFromUtf8(text).value_or(std::wstring());
}

Text FromWide(std::wstring_view text) {
    return Utf8FromWide(text).value_or(Text());
}

std::wstring ToWideLines(std::string_view text) {
    std::wstring lines;
    for (const wchar_t character : ToWide(text)) {
        if (character == L'\n') {
            lines += L'\r';
        }
        lines += character;
    }
    return lines;
}

Text FromWideLines(std::wstring_view text) {
    std::wstring lines;
    for (std::size_t index = 0; index < text.size(); ++index) {
        if (text[index] == L'\r' && index + 1 < text.size() && text[index + 1] == L'\n') {
            continue;
        }
        lines += text[index];
    }
    return FromWide(lines);
}

}  // namespace tavr
