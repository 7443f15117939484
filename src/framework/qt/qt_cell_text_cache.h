#pragma once

#include <QFont>
#include <QString>
#include <QTextLayout>
#include <Qt>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>

namespace tavr {

// How a cell's text is to be laid out: what the style takes from the cell's options.
struct CellTextLook {
    QString text;
    QFont font;
    int width = 0;  // of the area the text goes in
    Qt::TextElideMode elideMode = Qt::ElideRight;
    Qt::LayoutDirection direction = Qt::LeftToRight;
    Qt::Alignment alignment;

    bool operator==(const CellTextLook&) const = default;
};

// The texts of a table's cells, each laid out once for the way it was last painted, the way the
// style lays out an item's text: elided to fit, on one line as wide as the area. Laying text out
// (shaping it, finding fallback fonts for its characters, eliding it) is most of the cost of
// painting a table, and every decoded reply repaints all cells while few of their texts change;
// a cell painted again with the same look reuses the layout made before.
class QtCellTextCache {
  public:
    const QTextLayout& LaidOut(int row, int column, const CellTextLook& look);

  private:
    struct Entry {
        CellTextLook look;
        std::unique_ptr<QTextLayout> layout;
    };

    // Far more cells than a window shows: a table scrolled through many rows starts over
    // instead of growing without end.
    static constexpr std::size_t kMostEntries = 4096;

    std::unordered_map<std::uint64_t, Entry> entries_;
};

}  // namespace tavr
