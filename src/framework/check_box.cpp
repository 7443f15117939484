#include "framework/check_box.h"

#include <utility>

namespace tavr {

CheckBox::CheckBox(Window& owner, Text name, const Bounds& bounds)
    : Control(owner, std::move(name), kKind, bounds) {}

void CheckBox::SetCaption(Text caption) {
    caption_ = std::move(caption);
    NotifyPeer(kCaption);
}

void CheckBox::SetChecked(std::int32_t value) {
    checked_ = value == 1;
    NotifyPeer(kChecked);
}

void CheckBox::Click() {
    if (!AcceptsInput()) {
        return;
    }
    SetChecked(checked_ ? 0 : 1);
    Raise(onClicked);
}

}  // namespace tavr
