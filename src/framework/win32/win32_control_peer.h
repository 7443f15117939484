#pragma once

#include <windows.h>

#include <commctrl.h>

#include <optional>

#include "framework/control.h"

namespace tavr {

// What creating a control's native window needs besides the control's own design values.
struct NativeClass {
    const wchar_t* className;
    DWORD style;  // the kind's styles; WS_CHILD, visibility and WS_TABSTOP are added
    DWORD exStyle = 0;
};

// The Win32 side that every control peer shares: the child window standing for the control
// (made at the control's place, below the controls made before it, so that creation order is
// stacking and Tab order), the common properties (position, size, visibility, enabled state),
// the window's default font and the keyboard focus. The main window forwards the notifications
// of a child (WM_COMMAND, WM_NOTIFY, WM_DRAWITEM) to its peer. A kind's peer derives from this,
// mirrors the kind's own properties and reports operator input to the control.
class Win32ControlPeer : public ControlPeer {
  public:
    Win32ControlPeer(const Win32ControlPeer&) = delete;
    Win32ControlPeer& operator=(const Win32ControlPeer&) = delete;
    ~Win32ControlPeer() override;

    HWND Handle() const { return hwnd_; }
    Control& Owner() const { return control_; }

    // Attaches to the control, which then tells every property: from now on the window mirrors
    // the control.
    void Attach();
    // Stops mirroring and reporting: the window has closed and its controls are going.
    virtual void Detach();
    bool IsAttached() const { return attached_; }

    // Notifications of the child window, forwarded by the main window.
    virtual void Command(WORD /*code*/) {}
    virtual std::optional<LRESULT> Notify(const NMHDR& /*header*/) { return std::nullopt; }
    virtual void DrawItem(const DRAWITEMSTRUCT& /*item*/) {}

  protected:
    Win32ControlPeer(Control& control, HWND parent, int id, const NativeClass& native);

    void BoundsChanged() override;
    void VisibleChanged() override;
    void EnabledChanged() override;

    // Messages of the child window before its own procedure sees them; nothing lets it handle
    // the message as usual.
    virtual std::optional<LRESULT> Intercept(UINT message, WPARAM wParam, LPARAM lParam);
    // The child window has got the keyboard focus: the control gets it.
    virtual void FocusGained();

  private:
    // The child window's procedure, ahead of its class's own. The peer is found in the window's
    // user data: a window property (what SetWindowSubclass keeps its chain in) costs a call to
    // the window server under wine on every message, and a reply sends hundreds.
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void FocusMoved(UINT message);

    Control& control_;
    HWND hwnd_;
    WNDPROC classProcedure_ = nullptr;
    bool attached_ = false;
};

}  // namespace tavr
