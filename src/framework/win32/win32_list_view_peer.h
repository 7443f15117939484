#pragma once

#include <optional>
#include <utility>
#include <vector>

#include "framework/list_view.h"
#include "framework/win32/win32_control_peer.h"

namespace tavr {

// A ListView as a report-view list control: full-row select, grid lines, the selection shown
// always, draggable column headers and in-place editing of the first column (LVS_EDITLABELS; a
// click on the selected row's first cell or F2 starts it). The operator's editing and row moves
// go to the control's operator entry points in the order its handlers rely on: an edit begins
// (and may be refused) before the editor opens; when the editor closes the edit ends first, the
// confirmed text is in the cell once the end-of-edit handler has returned, and only then does
// the table get the focus back or another row become the focused one. A double-click or Enter
// on a row activates it.
//
// The list control is virtual (LVS_OWNERDATA): it holds the row count, the selection and the
// focus, and asks the table for each text it shows (LVN_GETDISPINFO). The peer notes the rows a
// handler changed and, once the handler has returned, invalidates in one call the cells whose
// text differs from the one last shown there: a reply replaces all 35 rows in one handler and
// changes few texts. The list control repaints a row whose selection or focus changes itself.
//
// The logic replaces a row by deleting it and inserting a new one at the same index. The native
// item of a deleted row is kept until the next change: an insertion at the same index takes it
// over (new texts, not selected, not focused), so an editor open on it stays open. One that no
// insertion takes is deleted once the handler running now has returned.
class Win32ListViewPeer final : public Win32ControlPeer {
  public:
    Win32ListViewPeer(ListView& list, HWND parent, int id);

    void Detach() override;
    void ColumnsChanged() override;
    void FocusedRowChanged() override;
    void EditTextChanged() override;
    void RowInserted(std::int32_t row) override;
    void RowDeleted(std::int32_t row) override;
    void CellChanged(std::int32_t row, std::int32_t column) override;
    std::optional<LRESULT> Notify(const NMHDR& header) override;

  protected:
    std::optional<LRESULT> Intercept(UINT message, WPARAM wParam, LPARAM lParam) override;
    // The list control may take the focus back from its editor before it reports the end of
    // the edit (wine does, hiding the editor first): the table then gets the focus once the
    // edit has ended.
    void FocusGained() override;

  private:
    // Private messages the list view posts to itself.
    static constexpr UINT kDeleteKeptItem = WM_APP + 20;
    static constexpr UINT kFocusAfterEdit = WM_APP + 21;
    static constexpr UINT kRepaintChangedRows = WM_APP + 22;

    int NativeIndex(std::int32_t row) const;
    // The control row of a native item; -1 for a kept item.
    std::int32_t ControlRow(int item) const;

    void MirrorFocusedRow();
    void MirrorEditor();
    void ServeText(LVITEMW& item) const;
    // The item whose first text starts with (or is) the typed one, for the control's search as
    // the operator types; -1 for none.
    LRESULT FindItem(const NMLVFINDITEMW& find) const;
    void InsertNativeItem(std::int32_t row);
    void DeleteKeptItem();
    // Notes the native items first..last for the one repaint after the running handler.
    void RepaintRows(int first, int last);
    // Invalidates the cells of the noted items whose texts differ from those last shown.
    void RepaintChangedRows();
    // The rectangle of a native item's cell, in client coordinates.
    bool CellRect(int item, int column, RECT& cell) const;
    // The texts the control shows at a native item (none for a kept item, or once detached).
    std::vector<Text> CurrentTexts(int item) const;
    std::vector<Text> TextsOf(std::int32_t row) const;

    // The operator, through the list control.
    LRESULT EditRequested(int item);
    void EditEnded(const wchar_t* text);
    void FocusedItemChanged(int item);
    void KeyPressed(WORD key);
    void EditorTyped(HWND editor);
    void FocusAfterEdit();

    ListView& list_;
    // The peer itself is changing the list control: its notifications are not the operator's.
    bool mirroring_ = false;
    // The list control is opening or closing its editor as the operator asked: the peer leaves
    // the editor alone until it is done.
    bool editorStep_ = false;
    int keptItem_ = -1;
    bool deletionQueued_ = false;
    // The native items to repaint once the running handler has returned.
    std::optional<std::pair<int, int>> changedRows_;
    // The texts last invalidated (and so shown) at each native item, by column.
    std::vector<std::vector<Text>> shown_;
};

}  // namespace tavr
