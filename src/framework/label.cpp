#include "framework/label.h"

#include <utility>

namespace tavr {

namespace {

constexpr PeerCall kOwnProperties[] = {&ControlPeer::TextChanged, &ControlPeer::FontChanged};

}  // namespace

Label::Label(Window& owner, Text name, const Bounds& bounds)
    : Control(owner, std::move(name), kKind, bounds) {}

void Label::SetCaption(Text caption) {
    caption_ = std::move(caption);
    NotifyPeer(&ControlPeer::TextChanged);
}

void Label::SetFont(const Font& font) {
    font_ = font;
    NotifyPeer(&ControlPeer::FontChanged);
}

std::span<const PeerCall> Label::OwnProperties() const {
    return kOwnProperties;
}

}  // namespace tavr
