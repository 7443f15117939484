#pragma once

#include <optional>

#include "framework/shape_box.h"
#include "framework/win32/win32_control_peer.h"

namespace tavr {

// A ShapeBox as an owner-drawn static: the shape with its outline and fill colour, drawn on
// the window's background. It is repainted only when its look changes.
class Win32ShapeBoxPeer final : public Win32ControlPeer {
  public:
    Win32ShapeBoxPeer(ShapeBox& shapeBox, HWND parent, int id);

    void ShapeChanged() override;
    void OutlineChanged() override;
    void FillChanged() override;
    void DrawItem(const DRAWITEMSTRUCT& item) override;
    // The fill colour last painted; nothing before the first paint.
    std::optional<Colour> ShownFill() const;

  private:
    struct Look {
        ShapeBox::Shape shape;
        Colour outline;
        std::int32_t outlineWidth;
        Colour fill;
        bool operator==(const Look&) const = default;
    };

    void RepaintIfLookChanged();
    Look CurrentLook() const;

    ShapeBox& shapeBox_;
    std::optional<Look> shown_;
};

}  // namespace tavr
