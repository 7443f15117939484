#include "companion/meter/reading_formats.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>

#include "companion/meter/register_address.h"
#include "registers/register_table_columns.h"
#include "runtime/to_number.h"

namespace tavr {

namespace {

constexpr std::size_t kColumnCount = kRegisterColumnTitles.size();
constexpr std::size_t kColumnGap = 2;

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

std::array<std::string, kColumnCount> Cells(const RegisterRow& row) {
    return {row.decimal, row.value, row.hexBytes, row.address, row.remark};
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
    std::array<std::size_t, kColumnCount> widths{};
    for (std::size_t column = 0; column < kColumnCount; ++column) {
        widths[column] = DisplayWidth(std::string(kRegisterColumnTitles[column]));
    }
    for (const RegisterReading& reading : readings) {
        const auto cells = Cells(reading.texts);
        for (std::size_t column = 0; column < kColumnCount; ++column) {
            widths[column] = std::max(widths[column], DisplayWidth(cells[column]));
        }
    }
    const auto line = [&widths](const std::array<std::string, kColumnCount>& cells) {
        std::string text;
        for (std::size_t column = 0; column < kColumnCount; ++column) {
            text += cells[column];
            if (column + 1 < kColumnCount) {
                text.append(widths[column] - DisplayWidth(cells[column]) + kColumnGap, ' ');
            }
        }
        return text + "\n";
    };
    std::array<std::string, kColumnCount> titles;
    std::copy(kRegisterColumnTitles.begin(), kRegisterColumnTitles.end(), titles.begin());
    std::string table = line(titles);
    for (const RegisterReading& reading : readings) {
        table += line(Cells(reading.texts));
    }
    return table;
}

std::string ReadingsCsvHeader(bool deviceColumn) {
    return std::string(deviceColumn ? "device," : "") +
           "address,raw,decimal,value,hex,address text,remark,number,unit\n";
}

std::string ReadingsCsvRows(const RegisterReadings& readings, const RegisterCatalogue& catalogue,
                            int deviceId) {
    std::string csv;
    for (const RegisterReading& reading : readings) {
        if (deviceId > 0) {
            csv += std::to_string(deviceId) + ",";
        }
        csv += RegisterName(reading.address) + "," + std::to_string(reading.raw);
        for (const std::string& cell : Cells(reading.texts)) {
            csv += "," + CsvField(cell);
        }
        csv += "," + NumberText(reading, catalogue) + "," + CsvField(reading.unit) + "\n";
    }
    return csv;
}

nlohmann::ordered_json RegistersJson(const RegisterReadings& readings,
                                     const RegisterCatalogue& catalogue) {
    nlohmann::ordered_json registers = nlohmann::ordered_json::array();
    for (const RegisterReading& reading : readings) {
        nlohmann::ordered_json entry;
        entry["address"] = RegisterName(reading.address);
        entry["raw"] = reading.raw;
        entry["decimal"] = reading.texts.decimal;
        entry["value"] = reading.texts.value;
        entry["hex"] = reading.texts.hexBytes;
        entry["addressText"] = reading.texts.address;
        entry["remark"] = reading.texts.remark;
        const std::string number = NumberText(reading, catalogue);
        if (number.empty()) {
            entry["number"] = nullptr;
        } else if (number.find('.') == std::string::npos) {
            entry["number"] = std::stoll(number);
        } else {
            entry["number"] = std::stod(number);
        }
        entry["unit"] = reading.unit;
        registers.push_back(std::move(entry));
    }
    return registers;
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
