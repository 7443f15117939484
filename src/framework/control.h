#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <type_traits>

#include "framework/control_peer.h"
#include "runtime/types.h"

namespace tavr {

class Window;

enum class ControlKind {
    EditBox,
    ShapeBox,
    Label,
    Button,
    CheckBox,
    ComboBox,
    Timer,
    SerialPort,
    ListView
};

// Position and size in pixels, relative to the top-left corner of the window's client area.
struct Bounds {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// A control of a window: it keeps its properties and raises its events to the handlers bound to
// it, with or without a peer (a widget) attached. Controls are made by Window::Add, which owns
// them; everything here runs on the window thread.
class Control {
  public:
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    virtual ~Control() = default;

    const Text& Name() const { return name_; }
    ControlKind Kind() const { return kind_; }
    Window& Owner() const { return owner_; }

    std::int32_t Left() const { return bounds_.left; }
    std::int32_t Top() const { return bounds_.top; }
    std::int32_t Width() const { return bounds_.width; }
    std::int32_t Height() const { return bounds_.height; }
    const Bounds& GetBounds() const { return bounds_; }
    const Text& Tag() const { return tag_; }
    bool Visible() const { return visible_; }
    bool Disabled() const { return disabled_; }
    std::int32_t MousePointer() const { return mousePointer_; }
    // Whether the Tab key stops at this control (a design setting the peer reads when it makes its
    // widget).
    bool TabStop() const { return tabStop_; }

    void SetLeft(std::int32_t value);
    void SetTop(std::int32_t value);
    void SetWidth(std::int32_t value);
    void SetHeight(std::int32_t value);
    void SetBounds(const Bounds& bounds);
    void SetTag(Text value);
    void SetVisible(bool value);
    void SetDisabled(bool value);
    void SetMousePointer(std::int32_t value);
    void SetTabStop(bool value) { tabStop_ = value; }

    bool HasFocus() const;
    // The operator (or the peer, for its widget) gives this control the keyboard focus: the
    // control that had it raises onFocusLost, this one onFocusGained. Nothing happens when it
    // already has the focus, or while it cannot take input.
    void Focus();

    // Got-focus (-7) and lost-focus (-8) events, common to every kind.
    std::function<void()> onFocusGained;
    std::function<void()> onFocusLost;

    // Attaches the widget that mirrors this control (nullptr detaches it). On attaching, the peer
    // hears every property once: the common ones, then the kind's own. The peer must stay alive
    // while attached.
    void AttachPeer(ControlPeer* peer);
    ControlPeer* Peer() const { return peer_; }

  protected:
    Control(Window& owner, Text name, ControlKind kind, const Bounds& bounds);

    // Makes `call` on the attached peer, if any: a property, a row or a cell was written.
    template <class... Args>
    void NotifyPeer(void (ControlPeer::*call)(Args...), std::type_identity_t<Args>... args) const {
        if (peer_ != nullptr) {
            (peer_->*call)(args...);
        }
    }
    // Operator input is taken only while the window is open and the control shown and enabled.
    bool AcceptsInput() const;

    static void Raise(const std::function<void()>& handler) {
        if (handler) {
            handler();
        }
    }

  private:
    friend class Window;

    // The calls that show the kind's own properties to a peer that attaches, in order.
    virtual std::span<const PeerCall> OwnProperties() const { return {}; }
    // Window lifecycle: the window has been created, or is being closed (its controls are
    // destroyed: timers stop, ports close).
    virtual void WindowCreated() {}
    virtual void WindowClosing() {}

    Window& owner_;
    Text name_;
    ControlKind kind_;
    Bounds bounds_;
    Text tag_;
    bool visible_ = true;
    bool disabled_ = false;
    std::int32_t mousePointer_ = 0;
    bool tabStop_ = false;
    ControlPeer* peer_ = nullptr;
};

// The control as kind T, or nullptr when it is of another kind.
template <class T>
T* ControlCast(Control* control) {
    return control != nullptr && control->Kind() == T::kKind ? static_cast<T*>(control) : nullptr;
}

}  // namespace tavr
