#include "framework/button.h"

#include <utility>

namespace tavr {

Button::Button(Window& owner, Text name, const Bounds& bounds)
    : Control(owner, std::move(name), kKind, bounds) {}

void Button::SetCaption(Text caption) {
    caption_ = std::move(caption);
    NotifyPeer(kCaption);
}

void Button::Click() {
    if (AcceptsInput()) {
        Raise(onClicked);
    }
}

}  // namespace tavr
