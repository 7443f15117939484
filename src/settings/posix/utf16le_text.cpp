#include "settings/posix/utf16le_text.h"

#include <cstdint>

namespace tavr {

namespace {

bool IsHighSurrogate(std::uint32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(std::uint32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

void AppendUtf8(Text& text, std::uint32_t code) {
    const auto byte = [&text](std::uint32_t value) { text += static_cast<char>(value); };
    if (code < 0x80) {
        byte(code);
    } else if (code < 0x800) {
        byte(0xC0 | code >> 6);
        byte(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        byte(0xE0 | code >> 12);
        byte(0x80 | (code >> 6 & 0x3F));
        byte(0x80 | (code & 0x3F));
    } else {
        byte(0xF0 | code >> 18);
        byte(0x80 | (code >> 12 & 0x3F));
        byte(0x80 | (code >> 6 & 0x3F));
        byte(0x80 | (code & 0x3F));
    }
}

}  // namespace

std::optional<Text> Utf16LeToUtf8(std::string_view bytes) {
    if (bytes.size() % 2 != 0) {
        return std::nullopt;
    }
    const auto unitAt = [bytes](std::size_t position) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[position]) |
                                          static_cast<unsigned char>(bytes[position + 1]) << 8);
    };
    Text text;
    text.reserve(bytes.size());
    for (std::size_t position = 0; position < bytes.size(); position += 2) {
        std::uint32_t code = unitAt(position);
        if (IsHighSurrogate(code) && position + 2 < bytes.size() &&
            IsLowSurrogate(unitAt(position + 2))) {
            position += 2;
            code = 0x10000 + ((code - 0xD800) << 10) + (unitAt(position) - 0xDC00);
        } else if (IsHighSurrogate(code) || IsLowSurrogate(code)) {
            return std::nullopt;
        }
        AppendUtf8(text, code);
    }
    return text;
}

}  // namespace tavr
