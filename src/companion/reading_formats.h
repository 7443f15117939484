#pragma once

#include <span>
#include <string>

#include "registers/register_catalogue.h"
#include "registers/register_reading.h"

namespace tavr {

// A reading's number with the register's decimals ("-1.500", "150"), as the catalogue holds
// them after decoding; empty when the reading has no number.
std::string NumberText(const RegisterReading& reading, const RegisterCatalogue& catalogue);

// Readings as the window's table shows them: a heading of its five column titles, then one line
// per register with the five texts, in aligned columns.
std::string ReadingsTable(std::span<const RegisterReading> readings);

// One header line, then one line per register: address, raw, the five texts, number, unit.
std::string ReadingsCsv(const RegisterReadings& readings, const RegisterCatalogue& catalogue);

// One JSON object: {"registers": [{"address": "0003H", "raw": ..., "decimal": ..., "value": ...,
// "hex": ..., "addressText": ..., "remark": ..., "number": ... or null, "unit": ...}, ...]}.
std::string ReadingsJson(const RegisterReadings& readings, const RegisterCatalogue& catalogue);

// A CSV field, quoted when it holds a comma, quote or line break.
std::string CsvField(const std::string& text);

}  // namespace tavr
