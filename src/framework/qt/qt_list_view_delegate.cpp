#include "framework/qt/qt_list_view_delegate.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <utility>

namespace tavr {

QtListViewDelegate::QtListViewDelegate(Hooks hooks, QObject* parent)
    : QStyledItemDelegate(parent), hooks_(std::move(hooks)) {}

QWidget* QtListViewDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                          const QModelIndex& index) const {
    if (index.column() != 0 || !hooks_.mayOpen(index.row())) {
        return nullptr;
    }
    auto* editor = new QLineEdit(parent);
    editor->setText(hooks_.editText().value_or(index.data().toString()));
    editor->selectAll();
    QObject::connect(editor, &QLineEdit::textEdited, editor,
                     [typed = hooks_.typed](const QString& text) { typed(text); });
    hooks_.opened(editor, index.row());
    return editor;
}

void QtListViewDelegate::setEditorData(QWidget* editor, const QModelIndex&) const {
    // The editor shows the edit's text, not the cell's: a row rewritten while the operator types
    // keeps what was typed. Rewriting an unchanged text would move the operator's cursor.
    // An edit that has ended leaves its closing editor alone.
    auto* line = qobject_cast<QLineEdit*>(editor);
    const std::optional<QString> text = hooks_.editText();
    if (line != nullptr && text && line->text() != *text) {
        line->setText(*text);
    }
}

namespace {

// A cell whose text the delegate draws itself. The focused cell is left to the style: its focus
// frame goes over the text (some styles tint the text with it).
bool IsPlainTextCell(const QStyleOptionViewItem& cell) {
    constexpr auto kExtras =
        QStyleOptionViewItem::HasDecoration | QStyleOptionViewItem::HasCheckIndicator;
    return (cell.features & kExtras) == 0 && (cell.state & QStyle::State_HasFocus) == 0 &&
           !cell.text.contains(QChar::LineFeed) && !cell.text.contains(QChar::LineSeparator);
}

// Whether the style would draw nothing of the cell but its text: no selection or hover to show
// and no background of its own. Most cells of a repainted reply are such cells.
bool HasOnlyText(const QStyleOptionViewItem& cell) {
    constexpr auto kMarks = QStyle::State_Selected | QStyle::State_MouseOver;
    return (cell.state & kMarks) == 0 && cell.backgroundBrush.style() == Qt::NoBrush;
}

// The colour group the style draws an item's text with.
QPalette::ColorGroup TextColourGroup(const QStyleOptionViewItem& cell) {
    if ((cell.state & QStyle::State_Enabled) == 0) {
        return QPalette::Disabled;
    }
    return (cell.state & QStyle::State_Active) != 0 ? QPalette::Normal : QPalette::Inactive;
}

}  // namespace

void QtListViewDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    if (!IsPlainTextCell(cell)) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    const QString text = cell.text;
    cell.text.clear();
    const QWidget* widget = cell.widget;
    const QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    if (!HasOnlyText(cell)) {
        style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);
    }
    if (text.isEmpty()) {
        return;
    }
    // The style keeps the text this far from the cell's sides, and starts its line at the left
    // of that area, centred or aligned down it on whole pixels.
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const QRect area = cell.rect.adjusted(margin, 0, -margin, 0);
    const QTextLayout& laidOut = texts_.LaidOut(
        index.row(), index.column(),
        {text, cell.font, area.width(), cell.textElideMode, cell.direction, cell.displayAlignment});
    const int height = laidOut.lineCount() > 0 ? int(laidOut.lineAt(0).height()) : 0;
    const QRect line = QStyle::alignedRect(cell.direction, cell.displayAlignment,
                                           QSize(area.width(), height), area);
    painter->save();
    painter->setFont(cell.font);
    painter->setPen(cell.palette.color(TextColourGroup(cell), (cell.state & QStyle::State_Selected)
                                                                  ? QPalette::HighlightedText
                                                                  : QPalette::Text));
    laidOut.draw(painter, QPointF(area.x(), line.top()));
    painter->restore();
}

}  // namespace tavr
