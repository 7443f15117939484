#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "framework/list_view.h"

namespace tavr {

// Replaces the `rows` of `table` as a reply does, each by a row of the same texts but for the
// cells of `changedCells` (row, column), which get a "+" more.
inline void ReplaceRows(ListView& table, std::span<const int> rows,
                        std::span<const std::pair<int, int>> changedCells) {
    for (const int row : rows) {
        std::vector<Text> texts;
        for (std::int32_t column = 0; column < table.ColumnCount(); ++column) {
            const bool changed =
                std::ranges::find(changedCells, std::pair{row, column}) != changedCells.end();
            texts.push_back(table.GetItemText(row, column) + (changed ? "+" : ""));
        }
        std::vector<Text*> cells;
        for (Text& text : texts) {
            cells.push_back(&text);
        }
        table.ReplaceItem(row, cells);
    }
}

}  // namespace tavr
