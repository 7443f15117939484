#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <optional>

#include "framework/list_view.h"
#include "framework/qt/qt_control_peer.h"
#include "framework/qt/qt_list_view_model.h"
#include "framework/qt/qt_list_view_widget.h"
#include "framework/qt/qt_window_thread_poster.h"

namespace tavr {

// A ListView as a report-style table. Its columns, rows, cells, focused row and open in-place
// edit follow the control; the operator's editing and row moves go to the control's operator
// entry points in the order its handlers rely on: an edit begins (and may be refused) before an
// editor opens; when the editor closes, the edit ends first (a confirmed text is in the cell once
// the end-of-edit handler has returned) and only then does the table get the focus back or
// another row become the focused one.
class QtListViewPeer final : public QtControlPeer {
  public:
    QtListViewPeer(ListView& list, QWidget& parent, QtWindowThreadPoster& poster);

    void Detach() override;
    void ColumnsChanged() override;
    void FocusedRowChanged() override;
    void EditTextChanged() override;
    void RowInserted(std::int32_t row) override;
    void RowDeleted(std::int32_t row) override;
    void CellChanged(std::int32_t row, std::int32_t column) override;
    void ApplyFrameColour(const std::optional<Colour>& colour) override;

  private:
    QtListViewWidget& Table() const { return static_cast<QtListViewWidget&>(Widget()); }

    void MirrorFocusedRow();
    void MirrorEditor();
    // Applies a change of the control's rows to the model, then puts the current row and the
    // editor back where the control has them, without reporting any of it.
    template <class Change>
    void MirrorRows(Change change);
    // Once the handler running now has returned, lets go of the positions of deleted rows that
    // no insertion has taken back and repaints the cells whose texts changed.
    void QueueTidy();

    // The operator, through the table.
    bool EditRequested(int row);
    std::optional<QString> EditText() const;
    void Typed(const QString& text);
    void Confirmed(const QString& text);
    void Closing(bool confirmed);
    void Closed();
    void CurrentRowChanged(int row);

    ListView& list_;
    QtWindowThreadPoster& poster_;
    QtListViewModel* model_;
    // The table is opening or closing the editor itself, as the operator asked: the peer leaves
    // the editor alone until it is done.
    bool editorStep_ = false;
    bool tidyQueued_ = false;
    // Goes with the peer, and with it a tidy still queued.
    QObject tidyContext_;
};

}  // namespace tavr
