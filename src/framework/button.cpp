#include "framework/button.h"

#include <utility>

namespace tavr {

namespace {

constexpr PeerCall kOwnProperties[] = {&ControlPeer::TextChanged};

}  // namespace

Button::Button(Window& owner, Text name, const Bounds& bounds)
    : Control(owner, std::move(name), kKind, bounds) {}

void Button::SetCaption(Text caption) {
    caption_ = std::move(caption);
    NotifyPeer(&ControlPeer::TextChanged);
}

void Button::Click() {
    if (AcceptsInput()) {
        Raise(onClicked);
    }
}

std::span<const PeerCall> Button::OwnProperties() const {
    return kOwnProperties;
}

}  // namespace tavr
