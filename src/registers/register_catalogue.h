#pragma once

#include <cstdint>
#include <string_view>

#include "runtime/types.h"

namespace tavr {

// One register of the catalogue, as it stands at the moment of the lookup.
struct RegisterEntry {
    std::uint16_t address = 0;
    Text remark;
    Text unit;
    Text decimals;
    Text maximum;  // largest raw value a write may carry, as a decimal text
};

// What the meter's registers mean: four parallel lists of texts, position r of each belonging
// to the register at address r. Every entry is a text, the numbers too.
class RegisterCatalogue {
  public:
    // Replaces each list with its text split on "//" (leading and inner empty entries kept, a
    // trailing empty one dropped), in the order decimals, units, remarks, maximum limits.
    void LoadCatalogue(std::string_view decimalsText, std::string_view unitsText,
                       std::string_view remarksText, std::string_view maxLimitsText);

    // The entry of the register at `address`; a text that its list does not hold is empty.
    RegisterEntry Entry(std::uint16_t address) const;

    // Rewrites the decimals of the register at `address`, which every later lookup returns.
    // False, changing nothing, when the list holds no entry at that address.
    bool SetDecimals(std::uint16_t address, Text decimals);

    const TextArray& Remarks() const { return remarks_; }
    const TextArray& Units() const { return units_; }
    const TextArray& Decimals() const { return decimals_; }
    const TextArray& MaxLimits() const { return maxLimits_; }

  private:
    TextArray remarks_;
    TextArray units_;
    TextArray decimals_;
    TextArray maxLimits_;
};

}  // namespace tavr
