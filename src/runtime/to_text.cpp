#include "runtime/to_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <string>
#include <variant>

#include "runtime/date_time_text.h"
#include "runtime/number_text.h"

namespace tavr {

namespace {

Text BytesUpToZero(const ByteSet& bytes) {
    const auto end = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
    return Text(bytes.begin(), end);
}

// An int32 array's bytes as they lie in the meter program's memory: low byte first.
ByteSet RawBytes(const Int32Array& numbers) {
    ByteSet bytes;
    bytes.reserve(numbers.size() * 4);
    for (const std::int32_t number : numbers) {
        const auto bits = static_cast<std::uint32_t>(number);
        for (unsigned shift = 0; shift < 32; shift += 8) {
            bytes.push_back(static_cast<std::uint8_t>(bits >> shift));
        }
    }
    return bytes;
}

struct TextOf {
    Text operator()(std::uint8_t value) const { return std::to_string(unsigned{value}); }
    Text operator()(std::int16_t value) const { return std::to_string(int{value}); }
    Text operator()(std::int32_t value) const { return ToText(value); }
    Text operator()(std::int64_t value) const { return ToText(value); }
    Text operator()(float value) const { return FloatToText(value); }
    Text operator()(double value) const { return DoubleToText(value); }
    Text operator()(Boolean value) const { return value.value != 0 ? "真" : "假"; }
    Text operator()(DateTime value) const { return DateTimeToText(value); }
    Text operator()(const Text& value) const { return value; }
    Text operator()(const ByteSet& value) const { return BytesUpToZero(value); }
    Text operator()(const Int32Array& value) const { return BytesUpToZero(RawBytes(value)); }
    template <typename Other>
    Text operator()(const Other&) const {
        return Text{};
    }
};

}  // namespace

Text ToText(const Value& value) {
    return std::visit(TextOf{}, value);
}

Text ToText(std::int32_t value) {
    return std::to_string(value);
}

Text ToText(std::int64_t value) {
    return std::to_string(value);
}

Text ToText(float value) {
    return FloatToText(value);
}

Text ToText(double value) {
    return DoubleToText(value);
}

Text ToText(const char* text) {
    return text == nullptr ? Text{} : Text(text);
}

Text ToHexText(std::int32_t value) {
    std::array<char, 8> buffer{};
    const std::to_chars_result result = std::to_chars(buffer.data(), buffer.data() + buffer.size(),
                                                      static_cast<std::uint32_t>(value), 16);
    Text text(buffer.data(), result.ptr);
    std::transform(text.begin(), text.end(), text.begin(), [](char c) {
        return c >= 'a' && c <= 'f' ? static_cast<char>(c - 'a' + 'A') : c;
    });
    return text;
}

}  // namespace tavr
