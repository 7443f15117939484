#include "framework/qt/qt_cell_text_cache.h"

#include <QFontMetrics>
#include <QStyle>
#include <QTextOption>

namespace tavr {

namespace {

std::unique_ptr<QTextLayout> LayOut(const CellTextLook& look, const QString& text) {
    auto layout = std::make_unique<QTextLayout>(text, look.font);
    QTextOption option;
    option.setWrapMode(QTextOption::ManualWrap);
    option.setTextDirection(look.direction);
    option.setAlignment(QStyle::visualAlignment(look.direction, look.alignment));
    layout->setTextOption(option);
    // Keeps the shaped glyphs, which the layout would otherwise drop and shape again to draw.
    layout->setCacheEnabled(true);
    layout->beginLayout();
    QTextLine line = layout->createLine();
    if (line.isValid()) {
        line.setLineWidth(look.width);
        line.setPosition(QPointF(0, 0));
    }
    layout->endLayout();
    return layout;
}

// Most cells hold a few digits in a wide column: their text is laid out, and so shaped, once.
// Only a text wider than its area is elided, and the elided text laid out in its place.
std::unique_ptr<QTextLayout> LayOutFitted(const CellTextLook& look) {
    auto layout = LayOut(look, look.text);
    if (layout->lineCount() == 0 || layout->lineAt(0).horizontalAdvance() <= look.width) {
        return layout;
    }
    return LayOut(look, QFontMetrics(look.font).elidedText(look.text, look.elideMode, look.width));
}

}  // namespace

const QTextLayout& QtCellTextCache::LaidOut(int row, int column, const CellTextLook& look) {
    const std::uint64_t cell =
        (std::uint64_t{static_cast<std::uint32_t>(row)} << 32) | static_cast<std::uint32_t>(column);
    const auto found = entries_.find(cell);
    if (found != entries_.end() && found->second.look == look) {
        return *found->second.layout;
    }
    if (found == entries_.end() && entries_.size() >= kMostEntries) {
        entries_.clear();
    }
    Entry& entry = entries_[cell];
    entry.layout = LayOutFitted(look);
    entry.look = look;
    return *entry.layout;
}

}  // namespace tavr
