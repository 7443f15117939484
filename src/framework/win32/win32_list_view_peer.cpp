#include "framework/win32/win32_list_view_peer.h"

#include <string>

#include "framework/win32/win32_text.h"

namespace tavr {

namespace {

constexpr DWORD kListStyle = LVS_REPORT | LVS_EDITLABELS | LVS_SHOWSELALWAYS | WS_BORDER;
constexpr DWORD kListExStyle = LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_HEADERDRAGDROP;
constexpr UINT kRowStates = LVIS_SELECTED | LVIS_FOCUSED;

int ColumnFormat(Alignment alignment) {
    switch (alignment) {
        case Alignment::Centre:
            return LVCFMT_CENTER;
        case Alignment::Right:
            return LVCFMT_RIGHT;
        case Alignment::Left:
            break;
    }
    return LVCFMT_LEFT;
}

// Sets or clears the given states of one item (-1: every item).
void SetItemState(HWND list, int item, UINT state, UINT mask) {
    LVITEMW change{};
    change.state = state;
    change.stateMask = mask;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(item),
                 reinterpret_cast<LPARAM>(&change));
}

std::wstring WindowText(HWND hwnd) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(
        static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

// Runs `change` with the flag set, so the notifications it causes are known as the peer's own.
template <class Change>
void Quietly(bool& flag, Change change) {
    const bool before = flag;
    flag = true;
    change();
    flag = before;
}

}  // namespace

Win32ListViewPeer::Win32ListViewPeer(ListView& list, HWND parent, int id)
    : Win32ControlPeer(list, parent, id, {WC_LISTVIEWW, kListStyle}), list_(list) {
    SendMessageW(Handle(), LVM_SETEXTENDEDLISTVIEWSTYLE, kListExStyle, kListExStyle);
    SendMessageW(Handle(), LVM_SETBKCOLOR, 0, RGB(255, 255, 255));
    SendMessageW(Handle(), LVM_SETTEXTBKCOLOR, 0, RGB(255, 255, 255));
    SendMessageW(Handle(), LVM_SETTEXTCOLOR, 0, RGB(0, 0, 0));
}

void Win32ListViewPeer::Attach() {
    MirrorCommonProperties();
    MirrorColumns();
    AttachAs(this);
    MirrorAllRows();
}

void Win32ListViewPeer::Detach() {
    Win32ControlPeer::Detach();
    // The control drops an open edit with the window, without ending it.
    Quietly(mirroring_, [this] { SendMessageW(Handle(), LVM_CANCELEDITLABEL, 0, 0); });
}

void Win32ListViewPeer::PropertyChanged(std::int32_t index) {
    if (MirrorCommonProperty(index)) {
        return;
    }
    switch (index) {
        case ListView::kColumns:
            MirrorColumns();
            break;
        case ListView::kFocusedRow:
            MirrorFocusedRow();
            break;
        case ListView::kEditText:
            MirrorEditor();
            break;
        default:
            break;
    }
}

void Win32ListViewPeer::RowInserted(std::int32_t row) {
    HoldRedraw();
    if (keptItem_ == row) {
        keptItem_ = -1;
        Quietly(mirroring_, [&] {
            SetItemState(Handle(), row, 0, kRowStates);  // a new row: not selected or focused
            WriteNativeRow(row, row);
        });
    } else {
        DeleteKeptItem();
        Quietly(mirroring_, [&] {
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = row;
            std::wstring text = ToWide(list_.GetItemText(row, 0));
            item.pszText = text.data();
            SendMessageW(Handle(), LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
            WriteNativeRow(row, row);
        });
    }
    MirrorFocusedRow();
    MirrorEditor();
}

void Win32ListViewPeer::RowDeleted(std::int32_t row) {
    HoldRedraw();
    DeleteKeptItem();
    keptItem_ = row;
    if (!deletionQueued_) {
        deletionQueued_ = PostMessageW(Handle(), kDeleteKeptItem, 0, 0) != FALSE;
    }
    MirrorFocusedRow();
}

void Win32ListViewPeer::CellChanged(std::int32_t row, std::int32_t column) {
    HoldRedraw();
    Quietly(mirroring_, [&] {
        LVITEMW item{};
        item.iSubItem = column;
        std::wstring text = ToWide(list_.GetItemText(row, column));
        item.pszText = text.data();
        SendMessageW(Handle(), LVM_SETITEMTEXTW, static_cast<WPARAM>(NativeIndex(row)),
                     reinterpret_cast<LPARAM>(&item));
    });
}

std::optional<LRESULT> Win32ListViewPeer::Notify(const NMHDR& header) {
    switch (header.code) {
        case LVN_BEGINLABELEDITW:
            return EditRequested(reinterpret_cast<const NMLVDISPINFOW&>(header).item.iItem);
        case LVN_ENDLABELEDITW:
            EditEnded(reinterpret_cast<const NMLVDISPINFOW&>(header).item.pszText);
            return FALSE;  // the control has put a confirmed text into the cell itself
        case LVN_ITEMCHANGED: {
            const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
            if ((change.uChanged & LVIF_STATE) != 0 && (change.uNewState & LVIS_FOCUSED) != 0 &&
                (change.uOldState & LVIS_FOCUSED) == 0) {
                FocusedItemChanged(change.iItem);
            }
            return 0;
        }
        case LVN_ITEMACTIVATE: {
            const std::int32_t row =
                ControlRow(reinterpret_cast<const NMITEMACTIVATE&>(header).iItem);
            if (IsAttached() && !mirroring_ && row >= 0) {
                list_.ActivateRow(row);
            }
            return 0;
        }
        case LVN_KEYDOWN:
            KeyPressed(reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey);
            return 0;
        default:
            return std::nullopt;
    }
}

std::optional<LRESULT> Win32ListViewPeer::Intercept(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case kDeleteKeptItem:
            deletionQueued_ = false;
            DeleteKeptItem();
            return 0;
        case kResumeRedraw:
            ResumeRedraw();
            return 0;
        case kFocusAfterEdit:
            FocusAfterEdit();
            return 0;
        case WM_COMMAND:
            if (HIWORD(wParam) == EN_CHANGE) {
                EditorTyped(reinterpret_cast<HWND>(lParam));
            }
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

int Win32ListViewPeer::NativeIndex(std::int32_t row) const {
    return keptItem_ >= 0 && row >= keptItem_ ? row + 1 : row;
}

std::int32_t Win32ListViewPeer::ControlRow(int item) const {
    if (item < 0 || item == keptItem_) {
        return -1;
    }
    return keptItem_ >= 0 && item > keptItem_ ? item - 1 : item;
}

void Win32ListViewPeer::MirrorColumns() {
    Quietly(mirroring_, [this] {
        while (SendMessageW(Handle(), LVM_DELETECOLUMN, 0, 0) != FALSE) {
        }
        int index = 0;
        for (const ListColumn& column : list_.Columns()) {
            std::wstring header = ToWide(column.header);
            LVCOLUMNW native{};
            native.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
            native.fmt = ColumnFormat(column.alignment);
            native.cx = column.width;
            native.pszText = header.data();
            native.iSubItem = index;
            SendMessageW(Handle(), LVM_INSERTCOLUMNW, static_cast<WPARAM>(index),
                         reinterpret_cast<LPARAM>(&native));
            ++index;
        }
    });
}

void Win32ListViewPeer::MirrorAllRows() {
    keptItem_ = -1;
    Quietly(mirroring_, [this] {
        SendMessageW(Handle(), LVM_DELETEALLITEMS, 0, 0);
        for (std::int32_t row = 0; row < list_.RowCount(); ++row) {
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = row;
            std::wstring text = ToWide(list_.GetItemText(row, 0));
            item.pszText = text.data();
            SendMessageW(Handle(), LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
            WriteNativeRow(row, row);
        }
    });
    MirrorFocusedRow();
    MirrorEditor();
}

void Win32ListViewPeer::MirrorFocusedRow() {
    const std::int32_t focused = list_.FocusedRow();
    const int wanted = focused >= 0 ? NativeIndex(focused) : -1;
    const auto current = static_cast<int>(
        SendMessageW(Handle(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    if (current == wanted) {
        return;
    }
    Quietly(mirroring_, [&] {
        if (wanted >= 0) {
            SetItemState(Handle(), wanted, LVIS_FOCUSED, LVIS_FOCUSED);
        } else {
            SetItemState(Handle(), current, 0, LVIS_FOCUSED);
        }
    });
}

void Win32ListViewPeer::MirrorEditor() {
    if (editorStep_ || !IsAttached()) {
        return;
    }
    HWND editor = reinterpret_cast<HWND>(SendMessageW(Handle(), LVM_GETEDITCONTROL, 0, 0));
    if (!list_.IsEditing()) {
        if (editor != nullptr) {
            Quietly(mirroring_, [this] { SendMessageW(Handle(), LVM_CANCELEDITLABEL, 0, 0); });
        }
        return;
    }
    Quietly(mirroring_, [&] {
        if (editor == nullptr) {
            SetFocus(Handle());  // the list control edits only while it has the focus
            editor = reinterpret_cast<HWND>(SendMessageW(
                Handle(), LVM_EDITLABELW, static_cast<WPARAM>(NativeIndex(list_.EditRow())), 0));
        }
        const std::wstring text = ToWide(list_.EditText());
        if (editor != nullptr && WindowText(editor) != text) {
            SetWindowTextW(editor, text.c_str());
        }
    });
}

void Win32ListViewPeer::WriteNativeRow(int item, std::int32_t row) {
    for (std::int32_t column = 0; column < list_.ColumnCount(); ++column) {
        LVITEMW cell{};
        cell.iSubItem = column;
        std::wstring text = ToWide(list_.GetItemText(row, column));
        cell.pszText = text.data();
        SendMessageW(Handle(), LVM_SETITEMTEXTW, static_cast<WPARAM>(item),
                     reinterpret_cast<LPARAM>(&cell));
    }
}

void Win32ListViewPeer::DeleteKeptItem() {
    if (keptItem_ < 0) {
        return;
    }
    const int item = keptItem_;
    keptItem_ = -1;
    Quietly(mirroring_,
            [&] { SendMessageW(Handle(), LVM_DELETEITEM, static_cast<WPARAM>(item), 0); });
    MirrorFocusedRow();
}

void Win32ListViewPeer::HoldRedraw() {
    if (redrawHeld_) {
        return;
    }
    if (PostMessageW(Handle(), kResumeRedraw, 0, 0) != FALSE) {
        redrawHeld_ = true;
        SendMessageW(Handle(), WM_SETREDRAW, FALSE, 0);
    }
}

void Win32ListViewPeer::ResumeRedraw() {
    if (!redrawHeld_) {
        return;
    }
    redrawHeld_ = false;
    SendMessageW(Handle(), WM_SETREDRAW, TRUE, 0);
    InvalidateRect(Handle(), nullptr, FALSE);
}

LRESULT Win32ListViewPeer::EditRequested(int item) {
    if (mirroring_) {
        return FALSE;  // the peer opens the editor for an edit the control has begun
    }
    const std::int32_t row = ControlRow(item);
    if (!IsAttached() || row < 0) {
        return TRUE;
    }
    bool began = false;
    Quietly(editorStep_, [&] { began = list_.BeginEdit(row); });
    return began ? FALSE : TRUE;
}

void Win32ListViewPeer::EditEnded(const wchar_t* text) {
    if (mirroring_ || !IsAttached() || !list_.IsEditing()) {
        return;
    }
    Quietly(editorStep_, [&] {
        // No text: the operator cancelled (Esc, or the editor lost the focus without Enter).
        if (text == nullptr) {
            list_.CancelEdit();
        } else {
            list_.TypeEditText(FromWide(text));
            list_.ConfirmEdit();
        }
    });
    if (IsAttached() && GetFocus() == Handle()) {
        Owner().Focus();  // the focus came back while the edit was still open
    } else {
        PostMessageW(Handle(), kFocusAfterEdit, 0, 0);
    }
}

void Win32ListViewPeer::FocusGained() {
    if (!list_.IsEditing()) {
        Owner().Focus();
    }
}

void Win32ListViewPeer::FocusedItemChanged(int item) {
    const std::int32_t row = ControlRow(item);
    if (mirroring_ || !IsAttached() || row < 0) {
        return;
    }
    list_.FocusRow(row);
    if (IsAttached() && list_.FocusedRow() != row) {
        MirrorFocusedRow();  // a move the control did not take is undone
    }
}

void Win32ListViewPeer::KeyPressed(WORD key) {
    if (key != VK_F2 || !IsAttached()) {
        return;
    }
    const auto item = static_cast<int>(
        SendMessageW(Handle(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    if (item >= 0) {
        SendMessageW(Handle(), LVM_EDITLABELW, static_cast<WPARAM>(item), 0);
    }
}

void Win32ListViewPeer::EditorTyped(HWND editor) {
    if (mirroring_ || editorStep_ || !IsAttached() || !list_.IsEditing() ||
        editor != reinterpret_cast<HWND>(SendMessageW(Handle(), LVM_GETEDITCONTROL, 0, 0))) {
        return;
    }
    list_.TypeEditText(FromWide(WindowText(editor)));
}

void Win32ListViewPeer::FocusAfterEdit() {
    // Enter or Esc closed the editor, which had the focus: the table takes it back (unless the
    // edit ended because the operator moved the focus elsewhere).
    const HWND focus = GetFocus();
    if (IsAttached() && (focus == nullptr || focus == GetParent(Handle()))) {
        SetFocus(Handle());
    }
}

}  // namespace tavr
