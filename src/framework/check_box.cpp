#include "framework/check_box.h"

#include <utility>

namespace tavr {

namespace {

constexpr PeerCall kOwnProperties[] = {&ControlPeer::TextChanged, &ControlPeer::CheckedChanged};

}  // namespace

CheckBox::CheckBox(Window& owner, Text name, const Bounds& bounds)
    : Control(owner, std::move(name), kKind, bounds) {}

void CheckBox::SetCaption(Text caption) {
    caption_ = std::move(caption);
    NotifyPeer(&ControlPeer::TextChanged);
}

void CheckBox::SetChecked(std::int32_t value) {
    checked_ = value == 1;
    NotifyPeer(&ControlPeer::CheckedChanged);
}

void CheckBox::Click() {
    if (!AcceptsInput()) {
        return;
    }
    SetChecked(checked_ ? 0 : 1);
    Raise(onClicked);
}

std::span<const PeerCall> CheckBox::OwnProperties() const {
    return kOwnProperties;
}

}  // namespace tavr
