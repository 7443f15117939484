#include "framework/shape_box.h"

#include <utility>

namespace tavr {

ShapeBox::ShapeBox(Window& owner, Text name, const Bounds& bounds)
    : Control(owner, std::move(name), kKind, bounds) {}

void ShapeBox::SetShape(Shape shape) {
    shape_ = shape;
    NotifyPeer(kShape);
}

void ShapeBox::SetOutlineColour(Colour colour) {
    outlineColour_ = colour;
    NotifyPeer(kOutlineColour);
}

void ShapeBox::SetOutlineWidth(std::int32_t width) {
    outlineWidth_ = width;
    NotifyPeer(kOutlineWidth);
}

void ShapeBox::SetFillColour(Colour colour) {
    fillColour_ = colour;
    NotifyPeer(kFillColour);
}

void ShapeBox::SetToolTip(Text text) {
    if (text == toolTip_) {
        return;
    }
    toolTip_ = std::move(text);
    NotifyPeer(kToolTip);
}

}  // namespace tavr
