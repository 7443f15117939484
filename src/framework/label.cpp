#include "framework/label.h"

#include <utility>

namespace tavr {

Label::Label(Window& owner, Text name, const Bounds& bounds)
    : Control(owner, std::move(name), kKind, bounds) {}

void Label::SetCaption(Text caption) {
    caption_ = std::move(caption);
    NotifyPeer(kCaption);
}

void Label::SetFont(const Font& font) {
    font_ = font;
    NotifyPeer(kFont);
}

}  // namespace tavr
