#include "framework/win32/win32_label_peer.h"

#include "framework/win32/win32_text.h"

namespace tavr {

Win32LabelPeer::Win32LabelPeer(Label& label, HWND parent, int id)
    : Win32ControlPeer(label, parent, id,
                       {WC_STATICW, SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX | SS_LEFTNOWORDWRAP}),
      label_(label) {}

Win32LabelPeer::~Win32LabelPeer() {
    if (font_ != nullptr) {
        SendMessageW(Handle(), WM_SETFONT, 0, FALSE);
        DeleteObject(font_);
    }
}

void Win32LabelPeer::TextChanged() {
    SetWindowTextW(Handle(), ToWide(label_.Caption()).c_str());
}

void Win32LabelPeer::FontChanged() {
    const Font& font = label_.GetFont();
    HFONT made = nullptr;
    if (font.height != 0 || font.bold) {
        // A negative height asks for the character height, not the cell height.
        made = CreateFontW(-font.height, 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE,
                           FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, nullptr);
    }
    const auto shown =
        made != nullptr ? made : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(shown), TRUE);
    if (font_ != nullptr) {
        DeleteObject(font_);
    }
    font_ = made;
}

}  // namespace tavr
