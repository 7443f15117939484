#include "framework/qt/qt_list_view_widget.h"

#include <QHeaderView>
#include <QPalette>
#include <utility>

#include "framework/qt/qt_list_view_delegate.h"

namespace tavr {

QtListViewWidget::QtListViewWidget(QWidget* parent) : QTableView(parent) {
    SetUpLook();
    QtListViewDelegate::Hooks delegateHooks{
        .mayOpen =
            [this](int row) {
                return reopening_ || (hooks_.editRequested && hooks_.editRequested(row));
            },
        .opened =
            [this](QLineEdit* editor, int row) {
                editor_ = editor;
                editorRow_ = row;
            },
        .editText =
            [this] { return hooks_.editText ? hooks_.editText() : std::optional<QString>(); },
        .typed =
            [this](const QString& text) {
                if (hooks_.typed) {
                    hooks_.typed(text);
                }
            },
    };
    setItemDelegate(new QtListViewDelegate(std::move(delegateHooks), this));
    connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid() && hooks_.rowActivated) {
            hooks_.rowActivated(index.row());
        }
    });
}

void QtListViewWidget::SetUpLook() {
    setSelectionBehavior(SelectRows);
    setSelectionMode(ExtendedSelection);
    setEditTriggers(SelectedClicked | EditKeyPressed);
    setShowGrid(true);
    setWordWrap(false);
    setSortingEnabled(false);
    setCornerButtonEnabled(false);
    setTabKeyNavigation(false);  // Tab moves on to the next control
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);

    QPalette colours = palette();
    colours.setColor(QPalette::Base, Qt::white);
    colours.setColor(QPalette::Text, Qt::black);
    colours.setColor(QPalette::WindowText, Qt::black);  // the frame line
    setPalette(colours);

    verticalHeader()->hide();
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);

    QHeaderView* columns = horizontalHeader();
    columns->setSectionsClickable(true);
    columns->setSectionsMovable(true);
    columns->setHighlightSections(false);
    columns->setStretchLastSection(false);
    columns->setSectionResizeMode(QHeaderView::Interactive);
}

void QtListViewWidget::ShowEditor(int row, const QString& text) {
    if (OpenEditor() != nullptr && editorRow_ != row) {
        CloseEditor();
    }
    if (OpenEditor() == nullptr) {
        reopening_ = true;
        edit(model()->index(row, 0));
        reopening_ = false;
    }
    if (QLineEdit* editor = OpenEditor(); editor != nullptr && editor->text() != text) {
        editor->setText(text);
    }
}

void QtListViewWidget::CloseEditor() {
    if (QLineEdit* editor = OpenEditor()) {
        QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

QLineEdit* QtListViewWidget::OpenEditor() const {
    // An editor that the table has let go (its row removed, or closed) waits to be deleted.
    if (editor_ == nullptr || indexWidget(model()->index(editorRow_, 0)) != editor_) {
        return nullptr;
    }
    return editor_;
}

void QtListViewWidget::SetCurrentRow(int row) {
    // Asked for twice per replaced row of every reply, nearly always with no change.
    if (currentIndex().row() == row) {
        return;
    }
    const bool wasMirroring = std::exchange(mirroring_, true);
    const int column = currentIndex().isValid() ? currentIndex().column() : 0;
    selectionModel()->setCurrentIndex(row >= 0 ? model()->index(row, column) : QModelIndex(),
                                      QItemSelectionModel::NoUpdate);
    mirroring_ = wasMirroring;
}

void QtListViewWidget::DeselectRow(int row) {
    // Asked for every replaced row of every reply: a row that is not selected costs no change.
    if (selectionModel()->isRowSelected(row, QModelIndex())) {
        selectionModel()->select(model()->index(row, 0),
                                 QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    }
}

bool QtListViewWidget::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    // F2 edits the row's item text wherever in the row the current cell is; a click on a
    // selected row edits only when it lands on the first cell.
    const bool wholeRow = trigger == EditKeyPressed;
    return QTableView::edit(wholeRow && index.isValid() ? index.siblingAtColumn(0) : index, trigger,
                            event);
}

void QtListViewWidget::commitData(QWidget* editor) {
    // An editor the table has let go (its row replaced) may still report: only the open one
    // speaks for the edit.
    QLineEdit* open = OpenEditor();
    if (mirroring_ || editor == nullptr || editor != open) {
        return;
    }
    committed_ = editor;
    if (hooks_.confirmed) {
        hooks_.confirmed(open->text());
    }
}

void QtListViewWidget::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    const bool open = editor != nullptr && editor == OpenEditor();
    if (mirroring_) {
        if (open) {
            QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
        }
        return;
    }
    // A confirmed editor may have been let go by the end-of-edit handler changing the rows.
    const bool confirmed = editor != nullptr && editor == committed_;
    if (!open && !confirmed) {
        return;
    }
    committed_ = nullptr;
    if (hooks_.closing) {
        hooks_.closing(confirmed);
    }
    // The edit ends here: the table does not move on to edit the next or previous row.
    const bool movesOn = hint == QAbstractItemDelegate::EditNextItem ||
                         hint == QAbstractItemDelegate::EditPreviousItem;
    if (editor == OpenEditor()) {
        QTableView::closeEditor(editor, movesOn ? QAbstractItemDelegate::NoHint : hint);
    }
    if (hooks_.closed) {
        hooks_.closed();
    }
}

void QtListViewWidget::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    const bool rowChanged = !previous.isValid() || current.row() != previous.row();
    if (!mirroring_ && current.isValid() && rowChanged && hooks_.currentRowChanged) {
        hooks_.currentRowChanged(current.row());
    }
}

void QtListViewWidget::focusInEvent(QFocusEvent* event) {
    // Qt makes the first row current when the table gets the focus without a current row. The
    // operator has moved nothing, and the control has no focused row (a reply may just have
    // replaced it): the table stays without one.
    const bool hadCurrent = currentIndex().isValid();
    const bool wasMirroring = std::exchange(mirroring_, true);
    QTableView::focusInEvent(event);
    if (!hadCurrent && currentIndex().isValid()) {
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    }
    mirroring_ = wasMirroring;
}

}  // namespace tavr
