#pragma once

#include <cstdint>
#include <functional>

#include "framework/control.h"

namespace tavr {

// A push button.
class Button final : public Control {
  public:
    static constexpr ControlKind kKind = ControlKind::Button;
    static constexpr std::int32_t kCaption = 10;

    Button(Window& owner, Text name, const Bounds& bounds = {});

    const Text& Caption() const { return caption_; }
    void SetCaption(Text caption);

    // The operator presses the button: onClicked is raised.
    void Click();

    std::function<void()> onClicked;

  private:
    Text caption_;
};

}  // namespace tavr
