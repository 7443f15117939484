#include "support/figure_table.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace tavr {
namespace {

constexpr std::string_view kColumnGap = "  ";

// Characters in UTF-8 text: every byte that does not continue a sequence.
std::size_t CharacterCount(const std::string& text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char byte) {
        return (static_cast<unsigned char>(byte) & 0xC0) != 0x80;
    }));
}

void AppendPadded(std::string& line, const std::string& cell, std::size_t width, bool leftAlign) {
    const std::string padding(width - CharacterCount(cell), ' ');
    line += leftAlign ? cell + padding : padding + cell;
}

}  // namespace

FigureTable::FigureTable(std::vector<std::string> header) : header_(std::move(header)) {}

void FigureTable::AddRow(std::vector<std::string> cells) {
    cells.resize(header_.size());
    rows_.push_back(std::move(cells));
}

std::string FigureTable::Render() const {
    std::vector<std::size_t> widths(header_.size());
    for (std::size_t column = 0; column < header_.size(); ++column) {
        widths[column] = CharacterCount(header_[column]);
        for (const auto& row : rows_) {
            widths[column] = std::max(widths[column], CharacterCount(row[column]));
        }
    }
    const auto renderRow = [&](const std::vector<std::string>& cells) {
        std::string line;
        for (std::size_t column = 0; column < cells.size(); ++column) {
            if (column > 0) {
                line += kColumnGap;
            }
            AppendPadded(line, cells[column], widths[column], column == 0);
        }
        return line + '\n';
    };
    std::string text = renderRow(header_);
    std::size_t ruleWidth = 0;
    for (std::size_t width : widths) {
        ruleWidth += width;
    }
    ruleWidth += kColumnGap.size() * (widths.empty() ? 0 : widths.size() - 1);
    text += std::string(ruleWidth, '-') + '\n';
    for (const auto& row : rows_) {
        text += renderRow(row);
    }
    return text;
}

std::string Fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

}  // namespace tavr
