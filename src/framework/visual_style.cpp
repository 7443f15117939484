#include "framework/visual_style.h"

#include <array>

namespace tavr {

namespace {
constexpr std::array<Colour, 3> kSchemeFrameColours = {VisualStyle::kBlueGrey, VisualStyle::kOlive,
                                                       VisualStyle::kSilver};
}  // namespace

std::int32_t VisualStyle::Enable(std::int32_t style) {
    const bool on = style >= 1 && style <= static_cast<std::int32_t>(kSchemeFrameColours.size());
    scheme_ = on ? style : 0;
    if (onChanged) {
        onChanged(*this);
    }
    return on ? 1 : 0;
}

std::optional<Colour> VisualStyle::FrameColour() const {
    if (!IsOn()) {
        return std::nullopt;
    }
    return kSchemeFrameColours[static_cast<std::size_t>(scheme_ - 1)];
}

}  // namespace tavr
