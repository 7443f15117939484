#include "runtime/to_number.h"

#include <variant>

#include "runtime/full_width.h"
#include "runtime/leading_number.h"
#include "runtime/saturating_int32.h"

namespace tavr {

namespace {

struct NumberOf {
    double operator()(std::uint8_t value) const { return value; }
    double operator()(std::int16_t value) const { return value; }
    double operator()(std::int32_t value) const { return value; }
    double operator()(std::int64_t value) const { return static_cast<double>(value); }
    double operator()(float value) const { return value; }
    double operator()(double value) const { return value; }
    double operator()(Boolean value) const { return value.value; }
    double operator()(const Text& value) const { return ToNumber(std::string_view(value)); }
    template <typename Other>
    double operator()(const Other&) const {
        return 0.0;
    }
};

struct IntegerOf {
    std::int32_t operator()(std::uint8_t value) const { return value; }
    std::int32_t operator()(std::int16_t value) const { return value; }
    std::int32_t operator()(std::int32_t value) const { return value; }
    std::int32_t operator()(std::int64_t value) const { return static_cast<std::int32_t>(value); }
    std::int32_t operator()(float value) const { return SaturatingInt32(value); }
    std::int32_t operator()(double value) const { return SaturatingInt32(value); }
    std::int32_t operator()(Boolean value) const { return value.value; }
    std::int32_t operator()(const Text& value) const { return ToInteger(std::string_view(value)); }
    template <typename Other>
    std::int32_t operator()(const Other&) const {
        return 0;
    }
};

}  // namespace

double ToNumber(const Value& value) {
    return std::visit(NumberOf{}, value);
}

double ToNumber(std::string_view text) {
    return LeadingNumber(NarrowFullWidth(text));
}

double ToNumber(const Text& text) {
    return ToNumber(std::string_view(text));
}

double ToNumber(const char* text) {
    return text == nullptr ? 0.0 : ToNumber(std::string_view(text));
}

std::int32_t ToInteger(const Value& value) {
    return std::visit(IntegerOf{}, value);
}

std::int32_t ToInteger(std::string_view text) {
    return LeadingInteger(NarrowFullWidth(text));
}

std::int32_t ToInteger(const Text& text) {
    return ToInteger(std::string_view(text));
}

std::int32_t ToInteger(const char* text) {
    return text == nullptr ? 0 : ToInteger(std::string_view(text));
}

}  // namespace tavr
