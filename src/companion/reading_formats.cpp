#include "companion/reading_formats.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "companion/register_address.h"
#include "registers/register_table_columns.h"
#include "runtime/to_number.h"

namespace tavr {

namespace {

constexpr std::size_t ColumnCount = RegisterColumnTitles.size();
constexpr std::size_t ColumnGap = 2;

// Terminal columns a text takes: East Asian wide characters take two.
std::size_t DisplayWidth(const std::string& text) {
    std::size_t width = 0;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t code = length == 1 ? lead : lead & (0x3F >> (length - 1));
        for (std::size_t k = 1; k < length && i + k < text.size(); ++k) {
            code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        }
        width += (code >= 0x2E80 && code < 0xA000) || (code >= 0xAC00 && code < 0xD7A4) ||
                         (code >= 0xF900 && code < 0xFB00) || (code >= 0xFF00 && code < 0xFF61)
                     ? 2
                     : 1;
        i += length;
    }
    return width;
}

std::array<std::string, ColumnCount> Cells(const RegisterRow& row) {
    return {row.decimal, row.value, row.hexBytes, row.address, row.remark};
}

std::string JsonString(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        switch (c) {
            case '"':
                quoted += "\\\"";
                break;
            case '\\':
                quoted += "\\\\";
                break;
            case '\n':
                quoted += "\\n";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                    quoted += escaped;
                } else {
                    quoted += c;
                }
        }
    }
    return quoted + "\"";
}

}  // namespace

std::string NumberText(const RegisterReading& reading, const RegisterCatalogue& catalogue) {
    if (!reading.number) {
        return "";
    }
    const int decimals = std::clamp(ToInteger(catalogue.Entry(reading.address).decimals), 0, 3);
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, *reading.number);
    return text;
}

std::string ReadingsTable(std::span<const RegisterReading> readings) {
    std::array<std::size_t, ColumnCount> widths{};
    for (std::size_t column = 0; column < ColumnCount; ++column) {
        widths[column] = DisplayWidth(std::string(RegisterColumnTitles[column]));
    }
    for (const RegisterReading& reading : readings) {
        const auto cells = Cells(reading.texts);
        for (std::size_t column = 0; column < ColumnCount; ++column) {
            widths[column] = std::max(widths[column], DisplayWidth(cells[column]));
        }
    }
    const auto line = [&widths](const std::array<std::string, ColumnCount>& cells) {
        std::string text;
        for (std::size_t column = 0; column < ColumnCount; ++column) {
            text += cells[column];
            if (column + 1 < ColumnCount) {
                text.append(widths[column] - DisplayWidth(cells[column]) + ColumnGap, ' ');
            }
        }
        return text + "\n";
    };
    std::array<std::string, ColumnCount> titles;
    std::copy(RegisterColumnTitles.begin(), RegisterColumnTitles.end(), titles.begin());
    std::string table = line(titles);
    for (const RegisterReading& reading : readings) {
        table += line(Cells(reading.texts));
    }
    return table;
}

std::string ReadingsCsv(const RegisterReadings& readings, const RegisterCatalogue& catalogue) {
    std::string csv = "address,raw,decimal,value,hex,address text,remark,number,unit\n";
    for (const RegisterReading& reading : readings) {
        csv += RegisterName(reading.address) + "," + std::to_string(reading.raw);
        for (const std::string& cell : Cells(reading.texts)) {
            csv += "," + CsvField(cell);
        }
        csv += "," + NumberText(reading, catalogue) + "," + CsvField(reading.unit) + "\n";
    }
    return csv;
}

std::string ReadingsJson(const RegisterReadings& readings, const RegisterCatalogue& catalogue) {
    std::string json = "{\"registers\": [\n";
    for (const RegisterReading& reading : readings) {
        const std::string number = NumberText(reading, catalogue);
        json += "  {\"address\": " + JsonString(RegisterName(reading.address)) +
                ", \"raw\": " + std::to_string(reading.raw) +
                ", \"decimal\": " + JsonString(reading.texts.decimal) +
                ", \"value\": " + JsonString(reading.texts.value) +
                ", \"hex\": " + JsonString(reading.texts.hexBytes) +
                ", \"addressText\": " + JsonString(reading.texts.address) +
                ", \"remark\": " + JsonString(reading.texts.remark) +
                ", \"number\": " + (number.empty() ? "null" : number) +
                ", \"unit\": " + JsonString(reading.unit) + "}";
        json += reading.address + 1 < RegisterCount ? ",\n" : "\n";
    }
    return json + "]}\n";
}

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c == '"' ? "\"\"" : std::string(1, c);
    }
    return quoted + "\"";
}

}  // namespace tavr
