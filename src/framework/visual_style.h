#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "framework/colour.h"

namespace tavr {

// The themed look of the window thread's windows. Switching it on or off only records the state;
// the window system applies it (now and to windows made later) when told through onChanged. It
// changes the look only, never the behaviour.
class VisualStyle {
  public:
    // Frame colours of the three schemes.
    static constexpr Colour kBlueGrey = 12426875;
    static constexpr Colour kOlive = 8370596;
    static constexpr Colour kSilver = 14140870;

    // A style of 1 (blue-grey), 2 (olive) or 3 (silver) switches the look on with that scheme,
    // replacing an earlier switch-on; any other value switches it off. Returns 1 when the look
    // was switched on, else 0.
    std::int32_t Enable(std::int32_t style);

    bool IsOn() const { return scheme_ != 0; }
    // 1..3 while the look is on, 0 while off.
    std::int32_t Scheme() const { return scheme_; }
    // The frame colour of the chosen scheme while the look is on.
    std::optional<Colour> FrameColour() const;

    // Called after every Enable, so the window system can apply the new state.
    std::function<void(const VisualStyle&)> onChanged;

  private:
    std::int32_t scheme_ = 0;
};

}  // namespace tavr
