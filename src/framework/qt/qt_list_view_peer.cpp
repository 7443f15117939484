#include "framework/qt/qt_list_view_peer.h"

#include <QHeaderView>

#include "framework/qt/qt_colour.h"
#include "framework/qt/qt_focus_forwarder.h"
#include "framework/qt/qt_text.h"

namespace tavr {

QtListViewPeer::QtListViewPeer(ListView& list, QWidget& parent, QtWindowThreadPoster& poster)
    : QtControlPeer(list, new QtListViewWidget(&parent)),
      list_(list),
      poster_(poster),
      model_(new QtListViewModel(list, &Widget())) {
    Table().setModel(model_);
    Table().SetHooks({
        .editRequested = [this](int row) { return EditRequested(row); },
        .editText = [this] { return EditText(); },
        .typed = [this](const QString& text) { Typed(text); },
        .confirmed = [this](const QString& text) { Confirmed(text); },
        .closing = [this](bool confirmed) { Closing(confirmed); },
        .closed = [this] { Closed(); },
        .currentRowChanged = [this](int row) { CurrentRowChanged(row); },
        .rowActivated =
            [this](int row) {
                if (IsAttached()) {
                    list_.ActivateRow(row);
                }
            },
    });
}

void QtListViewPeer::Detach() {
    QtControlPeer::Detach();
    const QuietFocus quiet;
    Table().SetMirroring(true);
    model_->Detach();
    Table().SetMirroring(false);
}

void QtListViewPeer::FocusedRowChanged() {
    MirrorRows([] {});
}

void QtListViewPeer::EditTextChanged() {
    MirrorEditor();
}

void QtListViewPeer::RowInserted(std::int32_t row) {
    MirrorRows([this, row] { model_->RowInserted(row); });
    QueueTidy();
}

void QtListViewPeer::RowDeleted(std::int32_t row) {
    // The row that takes the deleted one's position is a new row: it is not selected.
    MirrorRows([this, row] {
        model_->RowDeleted(row);
        Table().DeselectRow(row);
    });
    QueueTidy();
}

void QtListViewPeer::CellChanged(std::int32_t row, std::int32_t column) {
    model_->CellChanged(row, column);
    QueueTidy();
}

void QtListViewPeer::ApplyFrameColour(const std::optional<Colour>& colour) {
    Table().setStyleSheet(
        colour
            ? QStringLiteral("QTableView { border: 1px solid %1; }").arg(ToQColor(*colour).name())
            : QString());
    // A style sheet leaves the cells' area unfilled, for a background of its own; this one has
    // none. Filled, the area hides the window behind it, which every changed cell would
    // otherwise paint first.
    Table().viewport()->setAutoFillBackground(true);
}

void QtListViewPeer::ColumnsChanged() {
    model_->ColumnsChanged();
    const auto& columns = list_.Columns();
    for (std::size_t column = 0; column < columns.size(); ++column) {
        Table().horizontalHeader()->resizeSection(static_cast<int>(column), columns[column].width);
    }
}

void QtListViewPeer::MirrorFocusedRow() {
    Table().SetCurrentRow(list_.FocusedRow());
}

void QtListViewPeer::MirrorEditor() {
    if (editorStep_) {
        return;
    }
    if (list_.IsEditing() && list_.EditRow() < model_->rowCount()) {
        Table().ShowEditor(list_.EditRow(), ToQString(list_.EditText()));
    } else {
        Table().CloseEditor();
    }
}

template <class Change>
void QtListViewPeer::MirrorRows(Change change) {
    const QuietFocus quiet;
    Table().SetMirroring(true);
    change();
    MirrorFocusedRow();
    MirrorEditor();
    Table().SetMirroring(false);
}

void QtListViewPeer::QueueTidy() {
    if (tidyQueued_) {
        return;
    }
    tidyQueued_ = true;
    // Runs before the repaint that the changes asked for, which Qt posts at a lower priority.
    poster_.AfterCurrentEvent(tidyContext_, [this] {
        tidyQueued_ = false;
        if (!IsAttached()) {
            return;
        }
        if (model_->HasSurplusRows()) {
            MirrorRows([this] { model_->TrimRows(); });
        }
        model_->ShowChangedTexts();
    });
}

bool QtListViewPeer::EditRequested(int row) {
    if (!IsAttached()) {
        return false;
    }
    editorStep_ = true;
    const bool began = list_.BeginEdit(row);
    editorStep_ = false;
    return began;
}

std::optional<QString> QtListViewPeer::EditText() const {
    if (!IsAttached() || !list_.IsEditing()) {
        return std::nullopt;
    }
    return ToQString(list_.EditText());
}

void QtListViewPeer::Typed(const QString& text) {
    if (IsAttached()) {
        list_.TypeEditText(ToText(text));
    }
}

void QtListViewPeer::Confirmed(const QString& text) {
    if (!IsAttached()) {
        return;
    }
    editorStep_ = true;  // the editor closes right after; until then it stays
    list_.TypeEditText(ToText(text));
    list_.ConfirmEdit();
}

void QtListViewPeer::Closing(bool confirmed) {
    if (!IsAttached()) {
        return;
    }
    editorStep_ = true;
    if (!confirmed) {
        list_.CancelEdit();
    }
}

void QtListViewPeer::Closed() {
    editorStep_ = false;
    if (IsAttached()) {
        MirrorEditor();  // an end-of-edit handler may have begun another edit
    }
}

void QtListViewPeer::CurrentRowChanged(int row) {
    if (!IsAttached()) {
        return;
    }
    list_.FocusRow(row);
    if (IsAttached() && list_.FocusedRow() != row) {
        MirrorRows([] {});  // a move the control did not take is undone
    }
}

}  // namespace tavr
