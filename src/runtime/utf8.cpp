#include "runtime/utf8.h"

namespace tavr {

namespace {

bool IsContinuationByte(unsigned char byte) {
    return (byte & 0xC0U) == 0x80U;
}

}  // namespace

std::size_t Utf8AnnouncedLength(unsigned char lead) {
    if (lead >= 0xC2U && lead <= 0xDFU) {
        return 2;
    }
    if (lead >= 0xE0U && lead <= 0xEFU) {
        return 3;
    }
    if (lead >= 0xF0U && lead <= 0xF4U) {
        return 4;
    }
    return 1;
}

std::size_t Utf8CharacterLength(std::string_view text, std::size_t position) {
    const std::size_t announced = Utf8AnnouncedLength(static_cast<unsigned char>(text[position]));
    std::size_t length = 1;
    while (length < announced && position + length < text.size() &&
           IsContinuationByte(static_cast<unsigned char>(text[position + length]))) {
        ++length;
    }
    return length;
}

}  // namespace tavr
