#include "framework/win32/win32_control_peer.h"

#include "framework/window.h"

namespace tavr {

namespace {

DWORD WindowStyle(const Control& control, DWORD kindStyle) {
    DWORD style = kindStyle | WS_CHILD | WS_CLIPSIBLINGS;
    if (control.Visible()) {
        style |= WS_VISIBLE;
    }
    if (control.TabStop()) {
        style |= WS_TABSTOP;
    }
    if (control.Disabled()) {
        style |= WS_DISABLED;
    }
    return style;
}

}  // namespace

Win32ControlPeer::Win32ControlPeer(Control& control, HWND parent, int id, const NativeClass& native)
    : control_(control),
      hwnd_(CreateWindowExW(
          native.exStyle, native.className, L"", WindowStyle(control, native.style), control.Left(),
          control.Top(), control.Width(), control.Height(), parent,
          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr)) {
    // Each later control goes under the ones before it: the first made is on top and first in
    // the Tab order.
    SetWindowPos(hwnd_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 FALSE);
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    classProcedure_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Procedure)));
}

Win32ControlPeer::~Win32ControlPeer() {
    Win32ControlPeer::Detach();
    if (IsWindow(hwnd_)) {
        SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(classProcedure_));
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    }
}

void Win32ControlPeer::Detach() {
    if (attached_) {
        control_.AttachPeer(nullptr);
        attached_ = false;
    }
}

void Win32ControlPeer::Attach() {
    attached_ = true;
    control_.AttachPeer(this);
}

void Win32ControlPeer::BoundsChanged() {
    SetWindowPos(hwnd_, nullptr, control_.Left(), control_.Top(), control_.Width(),
                 control_.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32ControlPeer::VisibleChanged() {
    ShowWindow(hwnd_, control_.Visible() ? SW_SHOWNA : SW_HIDE);
}

void Win32ControlPeer::EnabledChanged() {
    EnableWindow(hwnd_, control_.Disabled() ? FALSE : TRUE);
}

std::optional<LRESULT> Win32ControlPeer::Intercept(UINT, WPARAM, LPARAM) {
    return std::nullopt;
}

void Win32ControlPeer::FocusGained() {
    control_.Focus();
}

LRESULT CALLBACK Win32ControlPeer::Procedure(HWND hwnd, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
    auto& peer = *reinterpret_cast<Win32ControlPeer*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (const auto result = peer.Intercept(message, wParam, lParam)) {
        return *result;
    }
    const LRESULT result = CallWindowProcW(peer.classProcedure_, hwnd, message, wParam, lParam);
    if (message == WM_SETFOCUS || message == WM_KILLFOCUS) {
        peer.FocusMoved(message);
    }
    return result;
}

void Win32ControlPeer::FocusMoved(UINT message) {
    if (!attached_) {
        return;
    }
    if (message == WM_SETFOCUS) {
        FocusGained();
    } else if (control_.HasFocus()) {
        control_.Owner().ClearFocus();
    }
}

}  // namespace tavr
