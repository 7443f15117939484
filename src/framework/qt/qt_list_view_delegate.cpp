#include "framework/qt/qt_list_view_delegate.h"

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

}  // namespace tavr
