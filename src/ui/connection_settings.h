#pragma once

#include <string_view>

#include "framework/combo_box.h"
#include "registers/selector_entries.h"

namespace tavr {

// Stores the selector's current selection index ("-1" for none); a failed write is not reported.
void SaveSelection(std::string_view path, const ComboBox& selector);

// Selects the stored index (a missing or non-numeric value gives 0; the selector clamps).
void RestoreSelection(std::string_view path, ComboBox& selector);

}  // namespace tavr
