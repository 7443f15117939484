#include "framework/win32/win32_combo_box_peer.h"

#include "framework/win32/win32_text.h"

namespace tavr {

Win32ComboBoxPeer::Win32ComboBoxPeer(ComboBox& comboBox, HWND parent, int id)
    : Win32ControlPeer(comboBox, parent, id, {WC_COMBOBOXW, CBS_DROPDOWNLIST | WS_VSCROLL}),
      comboBox_(comboBox) {}

void Win32ComboBoxPeer::BoundsChanged() {
    Win32ControlPeer::BoundsChanged();
    FitDroppedHeight();  // a move or resize sets the window's plain size
}

void Win32ComboBoxPeer::Command(WORD code) {
    if (code != CBN_SELCHANGE || !IsAttached()) {
        return;
    }
    comboBox_.Pick(static_cast<std::int32_t>(SendMessageW(Handle(), CB_GETCURSEL, 0, 0)));
    if (IsAttached()) {
        SelectionChanged();  // a pick the control did not take shows the old entry again
    }
}

void Win32ComboBoxPeer::EntriesChanged() {
    SendMessageW(Handle(), CB_RESETCONTENT, 0, 0);
    for (const ComboEntry& entry : comboBox_.Entries()) {
        const std::wstring text = ToWide(entry.text);
        const LRESULT index =
            SendMessageW(Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        SendMessageW(Handle(), CB_SETITEMDATA, static_cast<WPARAM>(index), entry.itemValue);
    }
    SelectionChanged();
}

void Win32ComboBoxPeer::SelectionChanged() {
    // -1 clears the selection field.
    SendMessageW(Handle(), CB_SETCURSEL, static_cast<WPARAM>(comboBox_.CurrentSelection()), 0);
}

void Win32ComboBoxPeer::FitDroppedHeight() {
    // A combo box window's height is its selection field, whose height the font sets, plus the
    // dropped list.
    RECT field;
    GetWindowRect(Handle(), &field);
    SetWindowPos(Handle(), nullptr, 0, 0, Owner().Width(),
                 static_cast<int>(field.bottom - field.top) + kDroppedHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace tavr
