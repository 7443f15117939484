#include "settings/registry_data.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <type_traits>

#include "settings/environment_expansion.h"

namespace tavr {

namespace {

RegistryData DwordData(std::int32_t number) {
    const auto bits = static_cast<std::uint32_t>(number);
    return {kRegistryDwordType,
            {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
             static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)}};
}

// A plain cast of an out-of-range floating value to int32 is undefined, so the value is limited
// to the int32 range first.
std::int32_t TruncateToInt32(double number) {
    if (std::isnan(number)) {
        return 0;
    }
    constexpr double lowest = std::numeric_limits<std::int32_t>::min();
    constexpr double highest = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::clamp(std::trunc(number), lowest, highest));
}

std::optional<RegistryData> EncodeAlternative(const auto& value) {
    using Type = std::decay_t<decltype(value)>;
    if constexpr (std::is_same_v<Type, Text>) {
        RegistryData data{kRegistryStringType, ByteSet(value.begin(), value.end())};
        data.bytes.push_back(0);
        return data;
    } else if constexpr (std::is_same_v<Type, ByteSet>) {
        return RegistryData{kRegistryBinaryType, value};
    } else if constexpr (std::is_same_v<Type, float> || std::is_same_v<Type, double>) {
        return DwordData(TruncateToInt32(value));
    } else if constexpr (std::is_integral_v<Type>) {
        return DwordData(static_cast<std::int32_t>(value));
    } else {
        return std::nullopt;
    }
}

}  // namespace

std::optional<RegistryData> EncodeRegistryData(const Value& value) {
    return std::visit([](const auto& alternative) { return EncodeAlternative(alternative); },
                      value);
}

std::optional<Text> DecodeRegistryText(const RegistryData& data) {
    if (data.type != kRegistryStringType && data.type != kRegistryExpandStringType) {
        return std::nullopt;
    }
    const auto end = std::find(data.bytes.begin(), data.bytes.end(), std::uint8_t{0});
    Text text(data.bytes.begin(), end);
    if (data.type == kRegistryExpandStringType) {
        return ExpandEnvironmentReferences(text);
    }
    return text;
}

}  // namespace tavr
