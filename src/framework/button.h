#pragma once

#include <cstdint>
#include <functional>

#include "framework/control.h"

namespace tavr {

// A push button.
class Button final : public Control {
  public:
    static constexpr ControlKind kKind = ControlKind::Button;

    Button(Window& owner, Text name, const Bounds& bounds = {});

    const Text& Caption() const { return caption_; }
    void SetCaption(Text caption);

    // The operator presses the button: onClicked is raised.
    void Click();

    std::function<void()> onClicked;

  private:
    std::span<const PeerCall> OwnProperties() const override;

    Text caption_;
};

}  // namespace tavr
