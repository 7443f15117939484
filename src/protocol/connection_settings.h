#pragma once

#include <string_view>

#include "framework/combo_box.h"

namespace tavr {

// The three remembered connection settings: the selection indexes (not the numbers shown) of the
// device-ID, baud-rate and port selectors, as decimal texts under the current user's key
// "Software\TAVR_12864".
inline constexpr std::string_view ModbusIdPath = "Software\\TAVR_12864\\Modbus_id";
inline constexpr std::string_view ModbusBaudPath = "Software\\TAVR_12864\\Modbus_btl";
inline constexpr std::string_view ModbusPortPath = "Software\\TAVR_12864\\Modbus_com";

// Stores the selector's current selection index ("-1" for none); a failed write is not reported.
void SaveSelection(std::string_view path, const ComboBox& selector);

// Selects the stored index (a missing or non-numeric value gives 0; the selector clamps).
void RestoreSelection(std::string_view path, ComboBox& selector);

}  // namespace tavr
