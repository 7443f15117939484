#pragma once

#include <cstdint>

#include "framework/control.h"

namespace tavr {

// A font of a control's own; a control without one uses the window's default font.
struct Font {
    std::int32_t height = 0;  // character height in pixels; 0 keeps the default height
    bool bold = false;
};

// A static text drawn on the window's background.
class Label final : public Control {
  public:
    static constexpr ControlKind kKind = ControlKind::Label;

    Label(Window& owner, Text name, const Bounds& bounds = {});

    const Text& Caption() const { return caption_; }
    const Font& GetFont() const { return font_; }
    void SetCaption(Text caption);
    void SetFont(const Font& font);

  private:
    std::span<const PeerCall> OwnProperties() const override;

    Text caption_;
    Font font_;
};

}  // namespace tavr
