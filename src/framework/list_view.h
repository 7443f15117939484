#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "framework/alignment.h"
#include "framework/control.h"

namespace tavr {

// One column of a report-style list.
struct ListColumn {
    Text header;
    std::int32_t width = 0;
    Alignment alignment = Alignment::Left;
};

// How an in-place edit ended.
enum class EditOutcome { Confirmed, Cancelled };

// A report-style list: rows numbered from 0, each with a text per column; column 0 is the row's
// item text, which the operator can edit in place.
//
// The focused row and an open in-place edit belong to a row position, not to a row's content.
// Deleting the focused row takes the focus away (the logic replaces a row by deleting it and
// inserting a new one at the same index, and the new row is not focused), so focusing that row
// again is a change of the focused row. An open edit stays on its position. Inserting and
// deleting rows never raises the focused-row event; only the operator moving the focus does.
// While no row stands at the focused position (the table is shorter), FocusedRow() reads -1.
class ListView final : public Control {
  public:
    static constexpr ControlKind kKind = ControlKind::ListView;

    ListView(Window& owner, Text name, const Bounds& bounds = {});

    void AddColumn(ListColumn column);
    std::int32_t ColumnCount() const { return static_cast<std::int32_t>(columns_.size()); }
    const std::vector<ListColumn>& Columns() const { return columns_; }

    std::int32_t RowCount() const { return static_cast<std::int32_t>(rows_.size()); }
    // Inserts a row with `text` as its item text at `row`, or appends it when `row` is negative
    // or beyond the last row. Returns the index of the new row.
    std::int32_t InsertItem(std::int32_t row = -1, Text text = {});
    // True when a row was deleted.
    bool DeleteItem(std::int32_t row);
    // Replaces the row at `row` by a new one whose cells take the texts `cells` point at (column
    // 0 first; the texts are moved out, so the caller's texts need no gathering), exactly as
    // DeleteItem(row), then InsertItem(row, cells[0]) and SetItemText for every further cell would:
    // the focus leaves a replaced focused row, an open edit stays on its position, and the peer
    // hears the same RowDeleted, RowInserted, focused-row and CellChanged notices in the same
    // order. The row is rewritten in place rather than removed and put back, so replacing every row
    // of a table does not shift the rows below each one twice. While the peer hears RowDeleted the
    // row still counts in RowCount() and reads empty. Returns the index of the new row.
    std::int32_t ReplaceItem(std::int32_t row, std::span<Text* const> cells);
    // Writes a cell; false for a missing row or column.
    bool SetItemText(std::int32_t row, std::int32_t column = 0, Text text = {});
    // The text of a cell; empty for a missing row or column. Valid until the list changes.
    const Text& GetItemText(std::int32_t row, std::int32_t column = 0) const;

    // The focused row, -1 for none.
    std::int32_t FocusedRow() const;
    // The operator moves the focus to row `row`: when that is another row, onFocusedRowChanged
    // (event 0) is raised.
    void FocusRow(std::int32_t row);

    // The operator activates row `row` (a double-click on it): onRowActivated (event 1) is
    // raised. Activating a row neither focuses it nor begins an edit.
    void ActivateRow(std::int32_t row);

    // The operator starts editing the item text of row `row` (0 or more, an existing row):
    // onEditBegin (event 6) is raised, and a false from it refuses the edit. An accepted edit
    // opens an editor holding the row's text, which takes the keyboard focus from the table.
    // True when the edit began.
    bool BeginEdit(std::int32_t row);
    // The operator types into the open editor; `text` is its whole content.
    void TypeEditText(Text text);
    // The operator confirms (Enter) or cancels (Esc, or the editor closed without confirming)
    // the open edit: onEditEnd (event 7) is raised with the row and the outcome. Once it has
    // returned, a confirmed text becomes the row's item text unless the handler returned false;
    // a cancelled edit writes nothing. The focus does not come back by itself: the operator (or
    // the peer) gives it to the table afterwards, which raises the got-focus event.
    void ConfirmEdit() { EndEdit(EditOutcome::Confirmed); }
    void CancelEdit() { EndEdit(EditOutcome::Cancelled); }

    bool IsEditing() const { return editing_; }
    // The row position of the open (or ending) edit, -1 when none.
    std::int32_t EditRow() const { return editRow_; }
    // The edit-text property: while an edit is open, the editor's text; while onEditEnd runs,
    // the text the edit ended with (the typed text, or for a cancelled edit the row's current
    // text); empty otherwise.
    const Text& EditText() const { return editText_; }

    std::function<void()> onFocusedRowChanged;
    std::function<void()> onRowActivated;
    std::function<std::optional<bool>(std::int32_t row)> onEditBegin;
    std::function<std::optional<bool>(std::int32_t row, EditOutcome outcome)> onEditEnd;

  private:
    std::span<const PeerCall> OwnProperties() const override;

    using Row = std::vector<Text>;

    // The editor goes with the window, without ending the edit.
    void WindowClosing() override;

    void EndEdit(EditOutcome outcome);
    bool HasRow(std::int32_t row) const { return row >= 0 && row < RowCount(); }
    bool HasColumn(std::int32_t column) const;
    void SetEditText(Text text);
    // The focused row while the table holds `rows` rows.
    std::int32_t FocusedRowAmong(std::int32_t rows) const;
    // Tells the peer when the focused row, `now`, reads differently than `before`.
    void NotifyFocusMoved(std::int32_t before, std::int32_t now) const;
    void NotifyFocusMoved(std::int32_t before) const { NotifyFocusMoved(before, FocusedRow()); }

    std::vector<ListColumn> columns_;
    std::vector<Row> rows_;
    std::int32_t focusPosition_ = -1;
    bool editing_ = false;
    std::int32_t editRow_ = -1;
    Text editText_;
};

}  // namespace tavr
