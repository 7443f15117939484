#include "support/selected_baud_rate.h"

#include <algorithm>
#include <iterator>

#include "registers/selector_entries.h"
#include "support/require.h"

namespace tavr {

void SelectBaudRate(ComboBox& selector, std::int32_t baud) {
    const auto* entry = std::find(kBaudRateEntries.begin(), kBaudRateEntries.end(), baud);
    Require(entry != kBaudRateEntries.end(), "the baud rate selector has no such entry");
    selector.SetCurrentSelection(static_cast<std::int32_t>(entry - kBaudRateEntries.begin()));
}

}  // namespace tavr
