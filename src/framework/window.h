#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "framework/control.h"
#include "framework/window_peer.h"
#include "framework/window_thread.h"
#include "runtime/types.h"

namespace tavr {

// A top-level window and its controls. Build it by adding the controls in their design order
// (which is also their stacking order, the first on top, and their Tab order), writing their
// design values, then calling Create(). Everything here runs on the window thread; the window
// thread's services (posting, timers, Delay, the themed look) come from `thread`, which must
// outlive the window.
class Window {
  public:
    enum class State { Building, Open, Closed };

    // `width` and `height` are the outer size: the whole window including frame and title bar.
    Window(WindowThread& thread, Text title, std::int32_t width, std::int32_t height);
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    ~Window();  // closes the window if it is still open

    WindowThread& Thread() const { return thread_; }

    // Makes a control of kind T, a child of this window, after those added before it. `args`
    // follow the name in T's constructor (the bounds of a visual control, the device factory of
    // a serial port).
    template <class T, class... Args>
    T& Add(Text name, Args&&... args) {
        auto control = std::make_unique<T>(*this, std::move(name), std::forward<Args>(args)...);
        T& added = *control;
        controls_.push_back(std::move(control));
        return added;
    }

    // The controls in creation order.
    const std::vector<std::unique_ptr<Control>>& Controls() const { return controls_; }
    // The first control named `name`, or nullptr.
    Control* Find(std::string_view name) const;
    // The first control named `name` if it is of kind T, else nullptr.
    template <class T>
    T* Find(std::string_view name) const {
        return ControlCast<T>(Find(name));
    }

    const Text& Title() const { return title_; }
    std::int32_t Left() const { return left_; }
    std::int32_t Top() const { return top_; }
    std::int32_t Width() const { return width_; }
    std::int32_t Height() const { return height_; }
    void SetTitle(Text title);
    void Move(std::int32_t left, std::int32_t top);
    // Places the window in the middle of a screen of the given size (integer division).
    void CentreOnScreen(std::int32_t screenWidth, std::int32_t screenHeight);

    // The window and all its controls exist: starts the timers that have an interval, opens the
    // ports marked to open on creation, then raises onCreated. Only the first call counts.
    void Create();
    // Closes the window (close button, system menu, Esc): its controls are destroyed (timers
    // stop, ports close, queued port events are dropped), the focus goes, the peer is told. The
    // control objects stay readable until the Window object itself goes. Only the first call
    // counts.
    void Close();
    State CurrentState() const { return state_; }
    bool IsOpen() const { return state_ == State::Open; }
    bool IsClosed() const { return state_ == State::Closed; }

    // The control that has the keyboard focus, or nullptr.
    Control* FocusedControl() const { return focused_; }
    // The focus leaves the window's controls (to an in-place editor, another window); the
    // control that had it raises onFocusLost.
    void ClearFocus() { MoveFocus(nullptr); }

    // Raised once by Create(), after the window and all its controls exist; no operator input is
    // taken before it returns.
    std::function<void()> onCreated;

    // Attaches the top-level widget (nullptr detaches it); it must stay alive while attached.
    void AttachPeer(WindowPeer* peer) { peer_ = peer; }
    WindowPeer* Peer() const { return peer_; }

  private:
    friend class Control;

    void MoveFocus(Control* control);
    // Makes `call` on the attached peer, if any.
    void NotifyPeer(void (WindowPeer::*call)()) const;

    WindowThread& thread_;
    Text title_;
    std::int32_t left_ = 0;
    std::int32_t top_ = 0;
    std::int32_t width_;
    std::int32_t height_;
    State state_ = State::Building;
    Control* focused_ = nullptr;
    WindowPeer* peer_ = nullptr;
    std::vector<std::unique_ptr<Control>> controls_;
};

}  // namespace tavr
