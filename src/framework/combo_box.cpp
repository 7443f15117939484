#include "framework/combo_box.h"

#include <algorithm>
#include <utility>

namespace tavr {

namespace {

constexpr PeerCall kOwnProperties[] = {&ControlPeer::EntriesChanged,
                                       &ControlPeer::SelectionChanged};

}  // namespace

ComboBox::ComboBox(Window& owner, Text name, const Bounds& bounds)
    : Control(owner, std::move(name), kKind, bounds) {}

void ComboBox::AddEntry(Text text, std::int32_t itemValue) {
    entries_.push_back({std::move(text), itemValue});
    NotifyPeer(&ControlPeer::EntriesChanged);
}

Text ComboBox::Content() const {
    return selection_ >= 0 ? entries_[static_cast<std::size_t>(selection_)].text : Text();
}

void ComboBox::SetCurrentSelection(std::int32_t index) {
    selection_ = std::clamp(index, -1, EntryCount() - 1);
    NotifyPeer(&ControlPeer::SelectionChanged);
}

void ComboBox::Pick(std::int32_t index) {
    if (!AcceptsInput() || index < 0 || index >= EntryCount() || index == selection_) {
        return;
    }
    SetCurrentSelection(index);
    Raise(onSelectionChanged);
}

std::span<const PeerCall> ComboBox::OwnProperties() const {
    return kOwnProperties;
}

}  // namespace tavr
