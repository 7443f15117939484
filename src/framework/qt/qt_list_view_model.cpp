#include "framework/qt/qt_list_view_model.h"

#include <algorithm>

#include "framework/qt/qt_alignment.h"
#include "framework/qt/qt_text.h"

namespace tavr {

QtListViewModel::QtListViewModel(const ListView& list, QObject* parent)
    : QAbstractTableModel(parent),
      list_(&list),
      rows_(list.RowCount()),
      columns_(list.ColumnCount()) {
    NoteChanged(0, rows_ - 1);
    ShowChangedTexts();
}

int QtListViewModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int QtListViewModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : columns_;
}

QVariant QtListViewModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            return ToQString(list_->GetItemText(index.row(), index.column()));
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(ToQtAlignment(
                list_->Columns()[static_cast<std::size_t>(index.column())].alignment));
        default:
            return {};
    }
}

QVariant QtListViewModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columns_) {
        return {};
    }
    const ListColumn& column = list_->Columns()[static_cast<std::size_t>(section)];
    switch (role) {
        case Qt::DisplayRole:
            return ToQString(column.header);
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(ToQtAlignment(column.alignment));
        default:
            return {};
    }
}

Qt::ItemFlags QtListViewModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == 0) {
        flags |= Qt::ItemIsEditable;
    }
    return flags;
}

void QtListViewModel::RowInserted(int row) {
    if (rows_ < ControlRows()) {
        beginInsertRows(QModelIndex(), rows_, rows_);
        ++rows_;
        endInsertRows();
    }
    NoteChanged(row, rows_ - 1);  // the rows below moved down by one
}

void QtListViewModel::RowDeleted(int row) {
    NoteChanged(row, rows_ - 1);  // the rows below moved up by one
}

void QtListViewModel::CellChanged(int row, int /*column*/) {
    NoteChanged(row, row);
}

bool QtListViewModel::HasSurplusRows() const {
    return rows_ > ControlRows();
}

void QtListViewModel::TrimRows() {
    const int rows = ControlRows();
    if (rows < rows_) {
        beginRemoveRows(QModelIndex(), rows, rows_ - 1);
        rows_ = rows;
        endRemoveRows();
    }
}

void QtListViewModel::ShowChangedTexts() {
    if (!changedRows_) {
        return;
    }
    const auto [first, last] = *changedRows_;
    changedRows_.reset();
    shown_.resize(static_cast<std::size_t>(rows_));
    for (int row = first; row <= std::min(last, rows_ - 1); ++row) {
        std::vector<Text>& texts = shown_[static_cast<std::size_t>(row)];
        texts.resize(static_cast<std::size_t>(columns_));
        for (int column = 0; column < columns_; ++column) {
            static const Text kDetached;
            const Text& now = list_ != nullptr ? list_->GetItemText(row, column) : kDetached;
            Text& told = texts[static_cast<std::size_t>(column)];
            if (now != told) {
                told = now;
                const QModelIndex cell = index(row, column);
                emit dataChanged(cell, cell);
            }
        }
    }
}

void QtListViewModel::ColumnsChanged() {
    if (list_ == nullptr) {
        return;
    }
    const int columns = list_->ColumnCount();
    if (columns > columns_) {
        beginInsertColumns(QModelIndex(), columns_, columns - 1);
        columns_ = columns;
        endInsertColumns();
    }
    emit headerDataChanged(Qt::Horizontal, 0, columns_ - 1);
}

void QtListViewModel::Detach() {
    beginResetModel();
    list_ = nullptr;
    rows_ = 0;
    columns_ = 0;
    shown_.clear();
    changedRows_.reset();
    endResetModel();
}

int QtListViewModel::ControlRows() const {
    return list_ != nullptr ? list_->RowCount() : 0;
}

void QtListViewModel::NoteChanged(int first, int last) {
    last = std::min(last, rows_ - 1);
    if (first > last) {
        return;
    }
    if (changedRows_) {
        changedRows_->first = std::min(changedRows_->first, first);
        changedRows_->second = std::max(changedRows_->second, last);
    } else {
        changedRows_.emplace(first, last);
    }
}

}  // namespace tavr
