#include "framework/control.h"

#include <utility>

#include "framework/window.h"

namespace tavr {

Control::Control(Window& owner, Text name, ControlKind kind, const Bounds& bounds)
    : owner_(owner), name_(std::move(name)), kind_(kind), bounds_(bounds) {}

void Control::SetLeft(std::int32_t value) {
    bounds_.left = value;
    NotifyPeer(kLeft);
}

void Control::SetTop(std::int32_t value) {
    bounds_.top = value;
    NotifyPeer(kTop);
}

void Control::SetWidth(std::int32_t value) {
    bounds_.width = value;
    NotifyPeer(kWidth);
}

void Control::SetHeight(std::int32_t value) {
    bounds_.height = value;
    NotifyPeer(kHeight);
}

void Control::SetBounds(const Bounds& bounds) {
    SetLeft(bounds.left);
    SetTop(bounds.top);
    SetWidth(bounds.width);
    SetHeight(bounds.height);
}

void Control::SetTag(Text value) {
    tag_ = std::move(value);
    NotifyPeer(kTag);
}

void Control::SetVisible(bool value) {
    visible_ = value;
    NotifyPeer(kVisible);
}

void Control::SetDisabled(bool value) {
    disabled_ = value;
    NotifyPeer(kDisabled);
}

void Control::SetMousePointer(std::int32_t value) {
    mousePointer_ = value;
    NotifyPeer(kMousePointer);
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
    PeerAttached();
}

void Control::NotifyPeer(std::int32_t index) const {
    if (peer_ != nullptr) {
        peer_->PropertyChanged(index);
    }
}

bool Control::AcceptsInput() const {
    return owner_.IsOpen() && visible_ && !disabled_;
}

}  // namespace tavr
