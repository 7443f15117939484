#include "framework/edit_box.h"

#include <utility>

namespace tavr {

EditBox::EditBox(Window& owner, Text name, const Bounds& bounds)
    : Control(owner, std::move(name), kKind, bounds) {}

void EditBox::SetContent(Text content) {
    content_ = std::move(content);
    NotifyPeer(kContent);
}

void EditBox::SetMultiLine(bool multiLine) {
    multiLine_ = multiLine;
    NotifyPeer(kMultiLine);
}

void EditBox::SetTextAlignment(Alignment alignment) {
    alignment_ = alignment;
    NotifyPeer(kAlignment);
}

void EditBox::Type(Text content) {
    if (!AcceptsInput() || content == content_) {
        return;
    }
    SetContent(std::move(content));
    Raise(onContentChanged);
}

}  // namespace tavr
