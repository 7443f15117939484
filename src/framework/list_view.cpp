#include "framework/list_view.h"

#include <algorithm>
#include <utility>

#include "framework/window.h"

namespace tavr {

namespace {

constexpr PeerCall kOwnProperties[] = {
    &ControlPeer::ColumnsChanged, &ControlPeer::FocusedRowChanged, &ControlPeer::EditTextChanged};

}  // namespace

ListView::ListView(Window& owner, Text name, const Bounds& bounds)
    : Control(owner, std::move(name), kKind, bounds) {}

void ListView::AddColumn(ListColumn column) {
    columns_.push_back(std::move(column));
    NotifyPeer(&ControlPeer::ColumnsChanged);
}

std::int32_t ListView::InsertItem(std::int32_t row, Text text) {
    const std::int32_t index = row < 0 || row > RowCount() ? RowCount() : row;
    const std::int32_t focusedBefore = FocusedRow();
    Row inserted(static_cast<std::size_t>(std::max(ColumnCount(), 1)));
    inserted[0] = std::move(text);
    rows_.insert(rows_.begin() + index, std::move(inserted));
    NotifyPeer(&ControlPeer::RowInserted, index);
    NotifyFocusMoved(focusedBefore);
    return index;
}

bool ListView::DeleteItem(std::int32_t row) {
    if (!HasRow(row)) {
        return false;
    }
    const std::int32_t focusedBefore = FocusedRow();
    if (row == focusPosition_) {
        focusPosition_ = -1;
    }
    rows_.erase(rows_.begin() + row);
    NotifyPeer(&ControlPeer::RowDeleted, row);
    NotifyFocusMoved(focusedBefore);
    return true;
}

std::int32_t ListView::ReplaceItem(std::int32_t row, std::span<Text* const> cells) {
    if (!HasRow(row)) {
        const std::int32_t index = InsertItem(row, cells.empty() ? Text() : std::move(*cells[0]));
        for (std::size_t cell = 1; cell < cells.size(); ++cell) {
            SetItemText(index, static_cast<std::int32_t>(cell), std::move(*cells[cell]));
        }
        return index;
    }
    // The deletion: the row reads empty and the focus leaves it.
    const std::int32_t rows = RowCount();
    std::int32_t focusedBefore = FocusedRow();
    if (row == focusPosition_) {
        focusPosition_ = -1;
    }
    Row& replaced = rows_[static_cast<std::size_t>(row)];
    replaced.resize(static_cast<std::size_t>(std::max(ColumnCount(), 1)));
    for (Text& text : replaced) {
        text.clear();
    }
    NotifyPeer(&ControlPeer::RowDeleted, row);
    NotifyFocusMoved(focusedBefore, FocusedRowAmong(rows - 1));
    // The insertion at the same index.
    focusedBefore = FocusedRowAmong(rows - 1);
    if (!cells.empty()) {
        replaced[0] = std::move(*cells[0]);
    }
    NotifyPeer(&ControlPeer::RowInserted, row);
    NotifyFocusMoved(focusedBefore);
    // The cells SetItemText would accept: those of the columns, in column order.
    const std::size_t written = std::min(cells.size(), replaced.size());
    for (std::size_t cell = 1; cell < written; ++cell) {
        replaced[cell] = std::move(*cells[cell]);
        NotifyPeer(&ControlPeer::CellChanged, row, static_cast<std::int32_t>(cell));
    }
    return row;
}

bool ListView::SetItemText(std::int32_t row, std::int32_t column, Text text) {
    if (!HasRow(row) || !HasColumn(column)) {
        return false;
    }
    Row& cells = rows_[static_cast<std::size_t>(row)];
    const auto cell = static_cast<std::size_t>(column);
    if (cell >= cells.size()) {
        cells.resize(cell + 1);  // a column added after the row was inserted
    }
    cells[cell] = std::move(text);
    NotifyPeer(&ControlPeer::CellChanged, row, column);
    return true;
}

const Text& ListView::GetItemText(std::int32_t row, std::int32_t column) const {
    static const Text kNoText;
    if (!HasRow(row) || !HasColumn(column)) {
        return kNoText;
    }
    const Row& cells = rows_[static_cast<std::size_t>(row)];
    const auto cell = static_cast<std::size_t>(column);
    return cell < cells.size() ? cells[cell] : kNoText;
}

std::int32_t ListView::FocusedRow() const {
    return FocusedRowAmong(RowCount());
}

std::int32_t ListView::FocusedRowAmong(std::int32_t rows) const {
    return focusPosition_ >= 0 && focusPosition_ < rows ? focusPosition_ : -1;
}

void ListView::FocusRow(std::int32_t row) {
    if (!AcceptsInput() || !HasRow(row) || row == FocusedRow()) {
        return;
    }
    focusPosition_ = row;
    NotifyPeer(&ControlPeer::FocusedRowChanged);
    Raise(onFocusedRowChanged);
}

void ListView::ActivateRow(std::int32_t row) {
    if (AcceptsInput() && HasRow(row)) {
        Raise(onRowActivated);
    }
}

bool ListView::BeginEdit(std::int32_t row) {
    if (!AcceptsInput() || editing_ || !HasRow(row)) {
        return false;
    }
    if (onEditBegin && onEditBegin(row) == false) {
        return false;
    }
    // The handler may have closed the window, removed the row or opened another edit.
    if (!AcceptsInput() || editing_ || !HasRow(row)) {
        return false;
    }
    editing_ = true;
    editRow_ = row;
    SetEditText(GetItemText(row));
    Owner().ClearFocus();
    return true;
}

void ListView::TypeEditText(Text text) {
    if (editing_) {
        SetEditText(std::move(text));
    }
}

void ListView::EndEdit(EditOutcome outcome) {
    if (!editing_) {
        return;
    }
    editing_ = false;
    const std::int32_t row = editRow_;
    // A cancelled edit ends with the row's current text; nothing of the typed text remains.
    Text text = outcome == EditOutcome::Confirmed ? editText_ : GetItemText(row);
    SetEditText(text);
    const std::optional<bool> accepted = onEditEnd ? onEditEnd(row, outcome) : std::nullopt;
    if (!editing_) {  // unless the handler opened another edit
        editRow_ = -1;
        SetEditText({});
    }
    // The row standing at the edited position when the handler is over takes the text.
    if (outcome == EditOutcome::Confirmed && accepted != false) {
        SetItemText(row, 0, std::move(text));
    }
}

void ListView::WindowClosing() {
    editing_ = false;
    editRow_ = -1;
    editText_.clear();
}

bool ListView::HasColumn(std::int32_t column) const {
    return column >= 0 && column < std::max(ColumnCount(), 1);
}

void ListView::SetEditText(Text text) {
    editText_ = std::move(text);
    NotifyPeer(&ControlPeer::EditTextChanged);
}

void ListView::NotifyFocusMoved(std::int32_t before, std::int32_t now) const {
    if (now != before) {
        NotifyPeer(&ControlPeer::FocusedRowChanged);
    }
}

std::span<const PeerCall> ListView::OwnProperties() const {
    return kOwnProperties;
}

}  // namespace tavr
