#include "framework/edit_box.h"

#include <utility>

namespace tavr {

namespace {

constexpr PeerCall kOwnProperties[] = {&ControlPeer::TextChanged, &ControlPeer::MultiLineChanged,
                                       &ControlPeer::AlignmentChanged};

}  // namespace

EditBox::EditBox(Window& owner, Text name, const Bounds& bounds)
    : Control(owner, std::move(name), kKind, bounds) {}

void EditBox::SetContent(Text content) {
    content_ = std::move(content);
    NotifyPeer(&ControlPeer::TextChanged);
}

void EditBox::SetMultiLine(bool multiLine) {
    multiLine_ = multiLine;
    NotifyPeer(&ControlPeer::MultiLineChanged);
}

void EditBox::SetTextAlignment(Alignment alignment) {
    alignment_ = alignment;
    NotifyPeer(&ControlPeer::AlignmentChanged);
}

void EditBox::Type(Text content) {
    if (!AcceptsInput() || content == content_) {
        return;
    }
    SetContent(std::move(content));
    Raise(onContentChanged);
}

std::span<const PeerCall> EditBox::OwnProperties() const {
    return kOwnProperties;
}

}  // namespace tavr
