#pragma once

#include <QLineEdit>
#include <QStyledItemDelegate>
#include <functional>
#include <optional>

#include "framework/qt/qt_cell_text_cache.h"

namespace tavr {

// Makes the in-place editor of a row's first cell, once the table allows it. The editor is a
// line edit that starts with the edit's text (all of it selected) and reports every change the
// operator types; the text it ends with is taken by the table, never written into the model.
//
// Paints a cell as the style does, its text from the laid-out texts of the cells: the style
// draws the cell without its text (background, selection, focus), then the text goes where and
// in the colour that the style would draw it. Cells with an icon, a check box or more than one
// line (the table has none) are left to the style entirely.
class QtListViewDelegate final : public QStyledItemDelegate {
  public:
    struct Hooks {
        // May an editor open on this row's first cell? (It may refuse.)
        std::function<bool(int row)> mayOpen;
        // The editor has opened on this row's first cell.
        std::function<void(QLineEdit* editor, int row)> opened;
        // The text the open edit holds; none once the edit has ended.
        std::function<std::optional<QString>()> editText;
        // The operator changed the editor's text.
        std::function<void(const QString& text)> typed;
    };

    QtListViewDelegate(Hooks hooks, QObject* parent);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

  private:
    Hooks hooks_;
    mutable QtCellTextCache texts_;
};

}  // namespace tavr
