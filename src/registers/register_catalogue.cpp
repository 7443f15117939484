#include "registers/register_catalogue.h"

#include "runtime/split_text.h"

namespace tavr {

namespace {

constexpr std::string_view kEntrySeparator = "//";

Text EntryAt(const TextArray& list, std::uint16_t address) {
    return address < list.size() ? list[address] : Text{};
}

}  // namespace

void RegisterCatalogue::LoadCatalogue(std::string_view decimalsText, std::string_view unitsText,
                                      std::string_view remarksText,
                                      std::string_view maxLimitsText) {
    decimals_ = SplitText(decimalsText, kEntrySeparator);
    units_ = SplitText(unitsText, kEntrySeparator);
    remarks_ = SplitText(remarksText, kEntrySeparator);
    maxLimits_ = SplitText(maxLimitsText, kEntrySeparator);
}

RegisterEntry RegisterCatalogue::Entry(std::uint16_t address) const {
    return {address, EntryAt(remarks_, address), EntryAt(units_, address),
            EntryAt(decimals_, address), EntryAt(maxLimits_, address)};
}

bool RegisterCatalogue::SetDecimals(std::uint16_t address, Text decimals) {
    if (address >= decimals_.size()) {
        return false;
    }
    decimals_[address] = std::move(decimals);
    return true;
}

}  // namespace tavr
