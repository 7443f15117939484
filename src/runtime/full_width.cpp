#include "runtime/full_width.h"

#include <cstddef>
#include <optional>

#include "runtime/utf8.h"

namespace tavr {

namespace {

// The code point of a complete three-byte character (the length of every mapped form).
char32_t ThreeByteCodePoint(std::string_view character) {
    const auto byte = [&](std::size_t index) {
        return static_cast<char32_t>(static_cast<unsigned char>(character[index]));
    };
    return ((byte(0) & 0x0FU) << 12U) | ((byte(1) & 0x3FU) << 6U) | (byte(2) & 0x3FU);
}

std::optional<char> NarrowForm(char32_t code_point) {
    constexpr char32_t kFullWidthFirst = 0xFF01;
    constexpr char32_t kFullWidthLast = 0xFF5E;
    // The full-width forms lie at a fixed distance above their ASCII counterparts.
    constexpr char32_t kFullWidthOffset = 0xFEE0;
    if (code_point >= kFullWidthFirst && code_point <= kFullWidthLast) {
        return static_cast<char>(code_point - kFullWidthOffset);
    }
    switch (code_point) {
        case 0x3000:
            return ' ';
        case 0xFFE5:
            return '$';
        case 0xFFE3:
            return '~';
        case 0x2605:
        case 0x2606:
            return '*';
        default:
            return std::nullopt;
    }
}

}  // namespace

Text NarrowFullWidth(std::string_view text) {
    Text narrow;
    narrow.reserve(text.size());
    std::size_t position = 0;
    while (position < text.size()) {
        const std::size_t length = Utf8CharacterLength(text, position);
        const std::size_t announced =
            Utf8AnnouncedLength(static_cast<unsigned char>(text[position]));
        const std::string_view character = text.substr(position, length);
        position += length;
        if (length < announced && position == text.size()) {
            break;
        }
        const std::optional<char> form =
            length == 3 ? NarrowForm(ThreeByteCodePoint(character)) : std::nullopt;
        if (form) {
            narrow += *form;
        } else {
            narrow += character;
        }
    }
    return narrow;
}

}  // namespace tavr
