#pragma once

#include <cstdint>
#include <functional>

#include "framework/control.h"

namespace tavr {

// A box the operator ticks and clears, with a caption beside it.
class CheckBox final : public Control {
  public:
    static constexpr ControlKind kKind = ControlKind::CheckBox;

    CheckBox(Window& owner, Text name, const Bounds& bounds = {});

    const Text& Caption() const { return caption_; }
    void SetCaption(Text caption);

    // 1 when the box is ticked, else 0.
    std::int32_t Checked() const { return checked_ ? 1 : 0; }
    // Writing 1 ticks the box; any other value clears it.
    void SetChecked(std::int32_t value);

    // The operator clicks the box: the tick flips, then onClicked is raised (the handler reads
    // the new state).
    void Click();

    std::function<void()> onClicked;

  private:
    std::span<const PeerCall> OwnProperties() const override;

    Text caption_;
    bool checked_ = false;
};

}  // namespace tavr
