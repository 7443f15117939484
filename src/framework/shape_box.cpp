#include "framework/shape_box.h"

#include <utility>

namespace tavr {

namespace {

constexpr PeerCall kOwnProperties[] = {&ControlPeer::ShapeChanged, &ControlPeer::OutlineChanged,
                                       &ControlPeer::FillChanged, &ControlPeer::ToolTipChanged};

}  // namespace

ShapeBox::ShapeBox(Window& owner, Text name, const Bounds& bounds)
    : Control(owner, std::move(name), kKind, bounds) {}

void ShapeBox::SetShape(Shape shape) {
    shape_ = shape;
    NotifyPeer(&ControlPeer::ShapeChanged);
}

void ShapeBox::SetOutlineColour(Colour colour) {
    outlineColour_ = colour;
    NotifyPeer(&ControlPeer::OutlineChanged);
}

void ShapeBox::SetOutlineWidth(std::int32_t width) {
    outlineWidth_ = width;
    NotifyPeer(&ControlPeer::OutlineChanged);
}

void ShapeBox::SetFillColour(Colour colour) {
    // The link lamp is set green again by every received byte.
    if (colour == fillColour_) {
        return;
    }
    fillColour_ = colour;
    NotifyPeer(&ControlPeer::FillChanged);
}

void ShapeBox::SetToolTip(Text text) {
    if (text == toolTip_) {
        return;
    }
    toolTip_ = std::move(text);
    NotifyPeer(&ControlPeer::ToolTipChanged);
}

std::span<const PeerCall> ShapeBox::OwnProperties() const {
    return kOwnProperties;
}

}  // namespace tavr
