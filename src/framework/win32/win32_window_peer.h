#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <vector>

#include "framework/colour.h"
#include "framework/win32/win32_control_peer.h"
#include "framework/window.h"
#include "framework/window_peer.h"

namespace tavr {

// The Win32 side of a Window: a top-level window with a fixed single frame, a title bar with
// the system menu and a minimize button (no maximize), the button-face background and the
// program's icon, and one child window per visual control at its place in the client area. The
// controls' creation order is their stacking order (the first on top) and their Tab order.
// Non-visual controls get no window.
class Win32WindowPeer final : public WindowPeer {
  public:
    // Makes the window and its controls' windows, attaches them and centres the window on the
    // screen; the window is not shown yet.
    explicit Win32WindowPeer(Window& window);
    Win32WindowPeer(const Win32WindowPeer&) = delete;
    Win32WindowPeer& operator=(const Win32WindowPeer&) = delete;
    ~Win32WindowPeer() override;

    void Show();
    HWND Handle() const { return hwnd_; }
    bool IsOpen() const { return window_ != nullptr; }
    const std::vector<std::unique_ptr<Win32ControlPeer>>& ControlPeers() const { return peers_; }
    // The themed look's frame colour (none: the look is off), drawn around framed controls.
    void ApplyFrameColour(const std::optional<Colour>& colour);

    void TitleChanged() override;
    void Moved() override;
    void Closed() override;

  private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    std::optional<LRESULT> Message(UINT message, WPARAM wParam, LPARAM lParam);

    void BuildControls();
    void Detach();
    Win32ControlPeer* PeerWithId(UINT_PTR id) const;
    void PaintFrames(HDC dc) const;

    Window* window_;  // nullptr once detached
    HWND hwnd_ = nullptr;
    std::vector<std::unique_ptr<Win32ControlPeer>> peers_;
    std::optional<Colour> frameColour_;
};

}  // namespace tavr
