#pragma once

#include <optional>
#include <string>

#include "framework/shape_box.h"
#include "framework/win32/win32_control_peer.h"

namespace tavr {

// A ShapeBox as an owner-drawn static: the shape with its outline and fill colour, drawn on
// the window's background. It is repainted only when its look changes. Its tool tip (the
// reason a connect failed, on the lamp) is a tool of a tooltip control made when the shape
// first has one.
class Win32ShapeBoxPeer final : public Win32ControlPeer {
  public:
    Win32ShapeBoxPeer(ShapeBox& shapeBox, HWND parent, int id);
    ~Win32ShapeBoxPeer() override;

    void ShapeChanged() override;
    void OutlineChanged() override;
    void FillChanged() override;
    void ToolTipChanged() override;
    void DrawItem(const DRAWITEMSTRUCT& item) override;
    // The fill colour last painted; nothing before the first paint.
    std::optional<Colour> ShownFill() const;
    // The text the tooltip control holds for the shape, as UTF-8; empty when it has none.
    std::string ShownToolTip() const;

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

    TTTOOLINFOW ToolInfo(wchar_t* text) const;

    ShapeBox& shapeBox_;
    std::optional<Look> shown_;
    HWND toolTips_ = nullptr;
};

}  // namespace tavr
