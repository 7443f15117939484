#include "framework/control.h"

#include <utility>

#include "framework/window.h"

namespace tavr {

namespace {

constexpr PeerCall kCommonProperties[] = {
    &ControlPeer::BoundsChanged,  &ControlPeer::TagChanged,          &ControlPeer::VisibleChanged,
    &ControlPeer::EnabledChanged, &ControlPeer::MousePointerChanged,
};

}  // namespace

Control::Control(Window& owner, Text name, ControlKind kind, const Bounds& bounds)
    : owner_(owner), name_(std::move(name)), kind_(kind), bounds_(bounds) {}

void Control::SetLeft(std::int32_t value) {
    bounds_.left = value;
    NotifyPeer(&ControlPeer::BoundsChanged);
}

void Control::SetTop(std::int32_t value) {
    bounds_.top = value;
    NotifyPeer(&ControlPeer::BoundsChanged);
}

void Control::SetWidth(std::int32_t value) {
    bounds_.width = value;
    NotifyPeer(&ControlPeer::BoundsChanged);
}

void Control::SetHeight(std::int32_t value) {
    bounds_.height = value;
    NotifyPeer(&ControlPeer::BoundsChanged);
}

void Control::SetBounds(const Bounds& bounds) {
    SetLeft(bounds.left);
    SetTop(bounds.top);
    SetWidth(bounds.width);
    SetHeight(bounds.height);
}

void Control::SetTag(Text value) {
    tag_ = std::move(value);
    NotifyPeer(&ControlPeer::TagChanged);
}

void Control::SetVisible(bool value) {
    visible_ = value;
    NotifyPeer(&ControlPeer::VisibleChanged);
}

void Control::SetDisabled(bool value) {
    disabled_ = value;
    NotifyPeer(&ControlPeer::EnabledChanged);
}

void Control::SetMousePointer(std::int32_t value) {
    mousePointer_ = value;
    NotifyPeer(&ControlPeer::MousePointerChanged);
}

bool Control::HasFocus() const {
    return owner_.FocusedControl() == this;
}

void Control::Focus() {
    if (AcceptsInput()) {
        owner_.MoveFocus(this);
    }
}

void Control::AttachPeer(ControlPeer* peer) {
    peer_ = peer;
    for (const PeerCall call : kCommonProperties) {
        NotifyPeer(call);
    }
    for (const PeerCall call : OwnProperties()) {
        NotifyPeer(call);
    }
}

bool Control::AcceptsInput() const {
    return owner_.IsOpen() && visible_ && !disabled_;
}

}  // namespace tavr
