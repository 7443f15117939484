#pragma once

#include <QAbstractTableModel>
#include <optional>
#include <utility>
#include <vector>

#include "framework/list_view.h"

namespace tavr {

// The rows and columns of a ListView as an item model that reads the texts from the control.
// Its rows are row positions, like the control's focused row and open edit: a row deleted or
// inserted shifts the texts of the rows after it, and only the last position comes or goes. So
// replacing a row (deleting it and inserting another at the same index) changes no position: the
// selection of the other rows and an open editor stay where they are, and the peer takes the
// replaced row out of the selection and the focus.
//
// The view hears of a changed text only once the handler that changed the rows has returned, and
// only for the cells whose text then differs from the one it was last told: a reply replaces every
// row, deleting and inserting each, yet changes few texts, and only those cells are repainted.
class QtListViewModel final : public QAbstractTableModel {
  public:
    QtListViewModel(const ListView& list, QObject* parent);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // Only the first column, the row's item text, is editable in place.
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The control has changed: these bring the model's shape up to date and note the positions
    // whose texts may have changed. A deleted row's position stays (its texts read empty) until
    // TrimRows(), and an insertion takes such a position back before it adds one: replacing a
    // row, deleting it and inserting another at the same index, never changes the table's shape,
    // which would lay the view out again and repaint its scroll bars twice for every row of a
    // reply.
    void RowInserted(int row);
    void RowDeleted(int row);
    void CellChanged(int row, int column);
    // Whether the model still holds positions that the control no longer has.
    bool HasSurplusRows() const;
    // Lets go of those positions.
    void TrimRows();
    // Tells the view about each cell of the noted positions whose text differs from the one it
    // was last told.
    void ShowChangedTexts();
    void ColumnsChanged();
    // The control is going: the model empties and reads nothing more.
    void Detach();

  private:
    int ControlRows() const;
    // Notes the positions first..last (last clamped to the model's rows).
    void NoteChanged(int first, int last);

    const ListView* list_;
    int rows_;
    int columns_;
    // The texts the view was last told, by position and column.
    std::vector<std::vector<Text>> shown_;
    // The positions whose texts may differ from those told.
    std::optional<std::pair<int, int>> changedRows_;
};

}  // namespace tavr
