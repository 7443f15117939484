#include "framework/qt/qt_cell_text_cache.h"

#include <QFontMetrics>
#include <QStyle>
#include <QTextOption>

namespace tavr {

namespace {

// The highest character code of the first Unicode block, which a text font has all glyphs of.
constexpr char16_t kLastLatin1 = 0xFF;

// Whether `text` fits in `width` however its characters are shaped: each is the font's own
// (no fallback font with wider glyphs) and none is wider than the font's widest. Eliding a text
// shapes it once more than drawing it; most cells hold a few digits in a wide column.
bool SurelyFits(const QString& text, const QFontMetrics& metrics, int width) {
    if (text.size() * metrics.maxWidth() > width) {
        return false;
    }
    for (const QChar character : text) {
        if (character.unicode() > kLastLatin1 || !metrics.inFont(character)) {
            return false;
        }
    }
    return true;
}

QString ShownText(const CellTextLook& look) {
    const QFontMetrics metrics(look.font);
    return SurelyFits(look.text, metrics, look.width)
               ? look.text
               : metrics.elidedText(look.text, look.elideMode, look.width);
}

std::unique_ptr<QTextLayout> LayOut(const CellTextLook& look) {
    auto layout = std::make_unique<QTextLayout>(ShownText(look), look.font);
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
    entry.layout = LayOut(look);
    entry.look = look;
    return *entry.layout;
}

}  // namespace tavr
