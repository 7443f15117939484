#include "framework/win32/win32_edit_box_peer.h"

#include <string>

#include "framework/win32/win32_text.h"

namespace tavr {

namespace {

DWORD EditStyle(bool multiLine) {
    return multiLine ? ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL : ES_AUTOHSCROLL;
}

DWORD AlignmentStyle(Alignment alignment) {
    switch (alignment) {
        case Alignment::Centre:
            return ES_CENTER;
        case Alignment::Right:
            return ES_RIGHT;
        case Alignment::Left:
            break;
    }
    return ES_LEFT;
}

}  // namespace

Win32EditBoxPeer::Win32EditBoxPeer(EditBox& editBox, HWND parent, int id)
    : Win32ControlPeer(
          editBox, parent, id,
          {WC_EDITW, EditStyle(editBox.MultiLine()) | AlignmentStyle(editBox.TextAlignment()),
           WS_EX_CLIENTEDGE}),
      editBox_(editBox),
      multiLine_(editBox.MultiLine()) {
    // No length limit: the default stops single-line typing at 30 000 characters.
    SendMessageW(Handle(), EM_SETLIMITTEXT, 0, 0);
}

void Win32EditBoxPeer::Command(WORD code) {
    if (code != EN_CHANGE || mirroring_ || !IsAttached()) {
        return;
    }
    editBox_.Type(ShownText());
    if (IsAttached()) {
        TextChanged();  // typing the control did not take is undone
    }
}

void Win32EditBoxPeer::TextChanged() {
    if (ShownText() == editBox_.Content()) {
        return;  // rewriting it would move the operator's caret
    }
    const std::wstring content =
        multiLine_ ? ToWideLines(editBox_.Content()) : ToWide(editBox_.Content());
    mirroring_ = true;
    SetWindowTextW(Handle(), content.c_str());
    mirroring_ = false;
}

void Win32EditBoxPeer::AlignmentChanged() {
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(Handle(), GWL_STYLE));
    const DWORD aligned = (style & ~static_cast<DWORD>(ES_CENTER | ES_RIGHT)) |
                          AlignmentStyle(editBox_.TextAlignment());
    if (aligned != style) {
        SetWindowLongPtrW(Handle(), GWL_STYLE, static_cast<LONG_PTR>(aligned));
        InvalidateRect(Handle(), nullptr, TRUE);
    }
}

Text Win32EditBoxPeer::ShownText() const {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(Handle())) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(Handle(), text.data(), static_cast<int>(text.size()))));
    return multiLine_ ? FromWideLines(text) : FromWide(text);
}

}  // namespace tavr
