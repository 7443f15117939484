#include "framework/win32/win32_list_view_peer.h"

#include <algorithm>
#include <cwchar>
#include <string>
#include <string_view>

#include "framework/win32/win32_text.h"

namespace tavr {

namespace {

constexpr DWORD kListStyle =
    LVS_REPORT | LVS_OWNERDATA | LVS_EDITLABELS | LVS_SHOWSELALWAYS | WS_BORDER;
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

UINT ItemState(HWND list, int item, UINT mask) {
    return static_cast<UINT>(
        SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(item), static_cast<LPARAM>(mask)));
}

int ItemCount(HWND list) {
    return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
}

// Changes the number of items without scrolling or invalidating: the peer invalidates the rows
// that changed itself.
void SetItemCount(HWND list, int count) {
    SendMessageW(list, LVM_SETITEMCOUNT, static_cast<WPARAM>(count),
                 LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
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
    SetItemCount(Handle(), list.RowCount());
    for (std::int32_t row = 0; row < list.RowCount(); ++row) {
        shown_.push_back(TextsOf(row));
    }
}

void Win32ListViewPeer::Detach() {
    Win32ControlPeer::Detach();
    // The control drops an open edit with the window, without ending it.
    Quietly(mirroring_, [this] { SendMessageW(Handle(), LVM_CANCELEDITLABEL, 0, 0); });
}

void Win32ListViewPeer::FocusedRowChanged() {
    MirrorFocusedRow();
}

void Win32ListViewPeer::EditTextChanged() {
    MirrorEditor();
}

void Win32ListViewPeer::RowInserted(std::int32_t row) {
    if (keptItem_ == row) {
        keptItem_ = -1;
        // A new row is not selected or focused; most replaced rows were neither, and leaving
        // them alone spares the control a state change.
        if (ItemState(Handle(), row, kRowStates) != 0) {
            Quietly(mirroring_, [&] { SetItemState(Handle(), row, 0, kRowStates); });
        }
        RepaintRows(row, row);
    } else {
        DeleteKeptItem();
        InsertNativeItem(row);
        RepaintRows(row, ItemCount(Handle()) - 1);  // the rows below moved down by one
    }
    MirrorFocusedRow();
    MirrorEditor();
}

void Win32ListViewPeer::RowDeleted(std::int32_t row) {
    DeleteKeptItem();
    keptItem_ = row;
    if (!deletionQueued_) {
        deletionQueued_ = PostMessageW(Handle(), kDeleteKeptItem, 0, 0) != FALSE;
    }
    MirrorFocusedRow();
}

void Win32ListViewPeer::CellChanged(std::int32_t row, std::int32_t /*column*/) {
    RepaintRows(NativeIndex(row), NativeIndex(row));
}

std::optional<LRESULT> Win32ListViewPeer::Notify(const NMHDR& header) {
    switch (header.code) {
        case LVN_GETDISPINFOW:
            ServeText(const_cast<LVITEMW&>(reinterpret_cast<const NMLVDISPINFOW&>(header).item));
            return 0;
        case LVN_ODFINDITEMW:
            return FindItem(reinterpret_cast<const NMLVFINDITEMW&>(header));
        case LVN_BEGINLABELEDITW:
            return EditRequested(reinterpret_cast<const NMLVDISPINFOW&>(header).item.iItem);
        case LVN_ENDLABELEDITW:
            EditEnded(reinterpret_cast<const NMLVDISPINFOW&>(header).item.pszText);
            return FALSE;  // the table holds the confirmed text; the control shows it from there
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
        case kRepaintChangedRows:
            RepaintChangedRows();
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

void Win32ListViewPeer::ColumnsChanged() {
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

void Win32ListViewPeer::ServeText(LVITEMW& item) const {
    if ((item.mask & LVIF_TEXT) == 0 || item.pszText == nullptr || item.cchTextMax <= 0) {
        return;
    }
    const std::int32_t row = ControlRow(item.iItem);
    std::wstring text;
    if (IsAttached() && row >= 0 && row < list_.RowCount() && item.iSubItem >= 0 &&
        item.iSubItem < list_.ColumnCount()) {
        text = ToWide(list_.GetItemText(row, item.iSubItem));
    }
    // The control's buffer is bounded: a longer text is cut, never written past its end.
    const std::size_t length = std::min(text.size(), static_cast<std::size_t>(item.cchTextMax) - 1);
    std::copy_n(text.begin(), length, item.pszText);
    item.pszText[length] = L'\0';
}

LRESULT Win32ListViewPeer::FindItem(const NMLVFINDITEMW& find) const {
    const LVFINDINFOW& wanted = find.lvfi;
    if ((wanted.flags & (LVFI_STRING | LVFI_PARTIAL)) == 0 || wanted.psz == nullptr ||
        !IsAttached()) {
        return -1;
    }
    const std::wstring_view key(wanted.psz);
    const int count = ItemCount(Handle());
    const int start = std::clamp(find.iStart, 0, count);
    const int end = (wanted.flags & LVFI_WRAP) != 0 ? start + count : count;
    for (int step = start; step < end; ++step) {
        const int item = step % count;
        const std::int32_t row = ControlRow(item);
        if (row < 0) {
            continue;
        }
        const std::wstring text = ToWide(list_.GetItemText(row, 0));
        const bool partial = (wanted.flags & LVFI_PARTIAL) != 0;
        if ((partial ? text.size() >= key.size() : text.size() == key.size()) &&
            _wcsnicmp(text.c_str(), key.data(), key.size()) == 0) {
            return item;
        }
    }
    return -1;
}

void Win32ListViewPeer::InsertNativeItem(std::int32_t row) {
    // The items of a virtual list are only a count: the selection of the rows from `row` on
    // moves down by one with them, last first.
    const int count = ItemCount(Handle());
    Quietly(mirroring_, [&] {
        SetItemCount(Handle(), count + 1);
        for (int item = count - 1; item >= row; --item) {
            const UINT selected = ItemState(Handle(), item, LVIS_SELECTED);
            if (selected != ItemState(Handle(), item + 1, LVIS_SELECTED)) {
                SetItemState(Handle(), item + 1, selected, LVIS_SELECTED);
            }
        }
        if (row < count && ItemState(Handle(), row, LVIS_SELECTED) != 0) {
            SetItemState(Handle(), row, 0, LVIS_SELECTED);
        }
    });
}

void Win32ListViewPeer::DeleteKeptItem() {
    if (keptItem_ < 0) {
        return;
    }
    const int item = keptItem_;
    keptItem_ = -1;
    Quietly(mirroring_,
            [&] { SendMessageW(Handle(), LVM_DELETEITEM, static_cast<WPARAM>(item), 0); });
    // The items below move up with what they show; the list control repaints them.
    if (static_cast<std::size_t>(item) < shown_.size()) {
        shown_.erase(shown_.begin() + item);
    }
    MirrorFocusedRow();
}

void Win32ListViewPeer::RepaintRows(int first, int last) {
    if (last < first) {
        return;
    }
    if (changedRows_) {
        changedRows_->first = std::min(changedRows_->first, first);
        changedRows_->second = std::max(changedRows_->second, last);
        return;
    }
    if (PostMessageW(Handle(), kRepaintChangedRows, 0, 0) != FALSE) {
        changedRows_.emplace(first, last);
    } else {
        InvalidateRect(Handle(), nullptr, FALSE);
    }
}

void Win32ListViewPeer::RepaintChangedRows() {
    if (!changedRows_) {
        return;
    }
    const auto [first, last] = *changedRows_;
    changedRows_.reset();
    const int count = ItemCount(Handle());
    shown_.resize(static_cast<std::size_t>(count));
    // One invalidation of all the changed cells: the control's own LVM_REDRAWITEMS invalidates
    // row by row, each a call to the window server under wine; the region is built locally.
    HRGN changed = CreateRectRgn(0, 0, 0, 0);
    bool any = false;
    for (int item = first; item <= std::min(last, count - 1); ++item) {
        std::vector<Text> now = CurrentTexts(item);
        std::vector<Text>& told = shown_[static_cast<std::size_t>(item)];
        told.resize(now.size());
        for (std::size_t column = 0; column < now.size(); ++column) {
            if (now[column] == told[column]) {
                continue;
            }
            told[column] = std::move(now[column]);
            RECT cell;
            if (!CellRect(item, static_cast<int>(column), cell)) {
                InvalidateRect(Handle(), nullptr, FALSE);
                continue;
            }
            HRGN area = CreateRectRgnIndirect(&cell);
            CombineRgn(changed, changed, area, RGN_OR);
            DeleteObject(area);
            any = true;
        }
    }
    if (any) {
        InvalidateRgn(Handle(), changed, FALSE);
    }
    DeleteObject(changed);
}

bool Win32ListViewPeer::CellRect(int item, int column, RECT& cell) const {
    // Column 0's bounds are the whole row's; its label is the cell.
    cell = {column == 0 ? LVIR_LABEL : LVIR_BOUNDS, column, 0, 0};
    return SendMessageW(Handle(), LVM_GETSUBITEMRECT, static_cast<WPARAM>(item),
                        reinterpret_cast<LPARAM>(&cell)) != FALSE;
}

std::vector<Text> Win32ListViewPeer::CurrentTexts(int item) const {
    const std::int32_t row = ControlRow(item);
    if (row < 0 || !IsAttached()) {
        return std::vector<Text>(static_cast<std::size_t>(list_.ColumnCount()));
    }
    return TextsOf(row);
}

std::vector<Text> Win32ListViewPeer::TextsOf(std::int32_t row) const {
    std::vector<Text> texts;
    for (std::int32_t column = 0; column < list_.ColumnCount(); ++column) {
        texts.push_back(list_.GetItemText(row, column));
    }
    return texts;
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
