#pragma once

#include <span>
#include <string>

#include <nlohmann/json.hpp>

#include "registers/register_catalogue.h"
#include "registers/register_reading.h"

namespace tavr {

// A reading's number with the register's decimals ("-1.500", "150"), as the catalogue holds
// them after decoding; empty when the reading has no number.
std::string NumberText(const RegisterReading& reading, const RegisterCatalogue& catalogue);

// Readings as the window's table shows them: a heading of its five column titles, then one line
// per register with the five texts, in aligned columns.
std::string ReadingsTable(std::span<const RegisterReading> readings);

// The CSV header: "address,raw,decimal,value,hex,address text,remark,number,unit", with a
// device column first when `deviceColumn`.
std::string ReadingsCsvHeader(bool deviceColumn);

// One CSV line per register: address, raw, the five texts, number, unit; each starting with
// `deviceId` when it is above 0.
std::string ReadingsCsvRows(const RegisterReadings& readings, const RegisterCatalogue& catalogue,
                            int deviceId = 0);

// The registers as a JSON array: [{"address": "0003H", "raw": ..., "decimal": ..., "value": ...,
// "hex": ..., "addressText": ..., "remark": ..., "number": ... or null, "unit": ...}, ...].
nlohmann::ordered_json RegistersJson(const RegisterReadings& readings,
                                     const RegisterCatalogue& catalogue);

// A CSV field, quoted when it holds a comma, quote or line break.
std::string CsvField(const std::string& text);

}  // namespace tavr
