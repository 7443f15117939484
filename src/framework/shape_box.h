#pragma once

#include <cstdint>

#include "framework/colour.h"
#include "framework/control.h"

namespace tavr {

// A drawn shape with an outline and a fill.
class ShapeBox final : public Control {
  public:
    static constexpr ControlKind kKind = ControlKind::ShapeBox;

    // The fill colour that leaves the shape unfilled.
    static constexpr Colour kNoFill = 0xFF000000;

    // A circle is the largest circle centred in the box; an ellipse fills the box.
    enum class Shape { Rectangle, Ellipse, Circle };

    ShapeBox(Window& owner, Text name, const Bounds& bounds = {});

    Shape GetShape() const { return shape_; }
    Colour OutlineColour() const { return outlineColour_; }
    std::int32_t OutlineWidth() const { return outlineWidth_; }
    Colour FillColour() const { return fillColour_; }
    const Text& ToolTip() const { return toolTip_; }

    void SetShape(Shape shape);
    void SetOutlineColour(Colour colour);
    void SetOutlineWidth(std::int32_t width);
    // Writing the fill colour repaints the shape.
    void SetFillColour(Colour colour);
    // The text shown while the pointer rests on the shape; empty shows none.
    void SetToolTip(Text text);

  private:
    std::span<const PeerCall> OwnProperties() const override;

    Shape shape_ = Shape::Rectangle;
    Colour outlineColour_ = 0x000000;
    std::int32_t outlineWidth_ = 1;
    Colour fillColour_ = 0x000000;
    Text toolTip_;
};

}  // namespace tavr
